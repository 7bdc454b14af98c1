#include "BranchFile.h"
#include "RepositoryAccess.h"

namespace mevstorage {
namespace git {

bool SetReference(const RepositoryHandle& repository, const std::string& name,
                  const git_oid& target) {
  if (!Holds(repository) || !FlushWrites(repository)) return false;
  return WriteReferenceFile(repository->ptr, name, target) == 0;
}

bool RemoveReference(const RepositoryHandle& repository, const std::string& name) {
  return Holds(repository) && RemoveReferenceFile(repository->ptr, name) == 0;
}

}  // namespace git
}  // namespace mevstorage
