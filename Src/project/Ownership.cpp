#include "project/Ownership.h"

#include "mevcore/filesupport/Ownership.h"
#include "project/ProjectFiles.h"

namespace velders {
namespace project {

std::optional<std::string> ForeignOwner(const mevcore::filesupport::Dir& project) {
  if (auto reason = mevcore::filesupport::ForeignOwnerReason(project.NativePath())) return reason;
  return mevcore::filesupport::ForeignOwnerReason(GitFolder(project).NativePath());
}

}  // namespace project
}  // namespace velders
