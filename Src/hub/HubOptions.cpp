#include "hub/HubOptions.h"

#include <CLI/CLI.hpp>

#include "mevcore/filesupport/CommonDirs.h"
#include "mevcore/utility/Text.h"

namespace velders {
namespace hub {

const char* const kExitCodesHelp =
    "Exit codes: 0 when check found every project sound, when undo undid every\n"
    "folder (or would), when export exported every project, and always for status;\n"
    "1 when check found a project failed, undo refused or failed a folder, export\n"
    "refused or failed a project, or the hub could not be read or was held by\n"
    "another program; 2 when the command line is wrong.";

void AddHubOptions(CLI::App& command, HubOptions& options, const std::string& details) {
  command
      .add_option("--hub", options.hub,
                  "The hub folder (default: \"Velders Local Hub\" in $HOME/Documents)")
      ->type_name("DIR");
  command.footer(details + "\n\n" + kExitCodesHelp);
}

mevcore::filesupport::Dir HubFolder(const HubOptions& options) {
  if (!options.hub.empty()) return mevcore::filesupport::Dir::FromNativePath(options.hub);
  return mevcore::filesupport::Dir(mevcore::filesupport::commondirs::MEVSharedDocumentsDir(),
                                   mevcore::utility::AsciiToUTF16("Velders Local Hub"));
}

}  // namespace hub
}  // namespace velders
