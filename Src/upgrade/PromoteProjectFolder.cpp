#include "upgrade/PromoteProjectFolder.h"

#include "mevcore/filesupport/File.h"
#include "mevcore/utility/Text.h"
#include "upgrade/DataModel.h"

namespace velders {

using mevcore::utility::AsciiToUTF16;

bool PromoteProjectFolder(mevcore::filesupport::Dir projectFolder) {
  const mevcore::filesupport::File name(projectFolder.GetName());
  if (name.GetExtension(true) != AsciiToUTF16(".vd")) return true;
  const bool upgraded = UpgradeDataModel(projectFolder);
  projectFolder.Rename(name.GetTitle() + AsciiToUTF16(".vd2"));
  return upgraded;
}

}  // namespace velders
