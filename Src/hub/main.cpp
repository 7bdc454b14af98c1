#include <CLI/CLI.hpp>

#include <iostream>
#include <string>

#include "hub/CheckCommand.h"
#include "hub/ExportCommand.h"
#include "hub/HubOptions.h"
#include "hub/StatusCommand.h"
#include "hub/UndoCommand.h"
#include "mevstorage/git/Storage.h"
#include "records/Version.h"

namespace {

// The library is started before the command line is parsed, as the chosen
// subcommand runs within the parse.
class StartedStorage {
 public:
  StartedStorage() { mevstorage::git::Startup(); }
  ~StartedStorage() { mevstorage::git::Shutdown(); }
  StartedStorage(const StartedStorage&) = delete;
  StartedStorage& operator=(const StartedStorage&) = delete;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace velders::hub;
  CLI::App program("Looks after the projects of a Velders Local Hub.", "velders-hub");
  program.set_version_flag("--version", std::string("velders-hub ") + velders::kVersionText);
  program.footer(kExitCodesHelp);
  program.require_subcommand(1);
  int exitCode = kExitOk;
  AddCheckCommand(program, exitCode);
  AddExportCommand(program, exitCode);
  AddStatusCommand(program, exitCode);
  AddUndoCommand(program, exitCode);
  try {
    const StartedStorage storage;
    program.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return program.exit(e) == 0 ? kExitOk : kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << e.what() << std::endl;
    return kExitFailed;
  }
  return exitCode;
}
