#include "BranchFile.h"
#include "RepositoryAccess.h"
#include "mevstorage/git/References.h"

namespace mevstorage {
namespace git {

void SetReference(const RepositoryHandle& repository, const std::string& name,
                  const std::string& target) {
  const git_oid id = IdOf(target);
  if (!Holds(repository)) throw StorageError("Unable to set " + name, "no repository is open");
  if (!CommitPendingWrites(repository) || WriteReferenceFile(repository->ptr, name, id) != 0) {
    ThrowLastGitError();
  }
}

void MoveReference(const RepositoryHandle& repository, const std::string& name,
                   const std::string& from, const std::string& target) {
  const git_oid id = IdOf(target);
  if (!Holds(repository)) throw StorageError("Unable to set " + name, "no repository is open");
  if (!CommitPendingWrites(repository) || MoveReferenceFile(repository->ptr, name, from, id) != 0) {
    ThrowLastGitError();
  }
}

void RemoveReference(const RepositoryHandle& repository, const std::string& name) {
  if (!Holds(repository)) throw StorageError("Unable to remove " + name, "no repository is open");
  if (RemoveReferenceFile(repository->ptr, name) != 0) {
    ThrowLastGitError();
  }
}

void RemoveReference(const RepositoryHandle& repository, const std::string& name,
                     const std::string& from) {
  if (!Holds(repository)) throw StorageError("Unable to remove " + name, "no repository is open");
  if (RemoveReferenceFileFrom(repository->ptr, name, from) != 0) ThrowLastGitError();
}

}  // namespace git
}  // namespace mevstorage
