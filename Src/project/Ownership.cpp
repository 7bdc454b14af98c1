#include "project/Ownership.h"

#include "mevcore/filesupport/Ownership.h"
#include "project/ProjectFiles.h"

namespace velders {
namespace project {

std::string ForeignOwner(const mevcore::filesupport::Dir& project) {
  const std::string reason = mevcore::filesupport::ForeignOwnerReason(project.NativePath());
  if (!reason.empty()) return reason;
  return mevcore::filesupport::ForeignOwnerReason(GitFolder(project).NativePath());
}

}  // namespace project
}  // namespace velders
