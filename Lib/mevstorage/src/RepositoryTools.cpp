#include <cstring>

#include "CommitSupport.h"
#include "RepositoryAccess.h"
#include "mevstorage/git/Repository.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

git_oid WriteBlob(const RepositoryHandle& repository, const void* bytes, std::size_t size) {
  static const unsigned char kNoBytes[1] = {0};
  git_oid id;
  if (!Holds(repository) ||
      git_blob_create_from_buffer(&id, repository->ptr, size ? bytes : kNoBytes, size) != 0) {
    std::memset(&id, 0, sizeof id);
  }
  return id;
}

CommitHandle CommitTreeAt(const RepositoryHandle& repository, const TreeHandle& tree,
                          const CommitHandle& parent, const std::string& message, std::int64_t time,
                          const std::string& branch) {
  if (!Holds(repository)) throw StorageError("Unable to commit: no repository is open");
  const std::string where = git_repository_path(repository->ptr);
  if (!tree || !tree->ptr) throw StorageError("Unable to commit in " + where + ": no tree given");
  git_oid id;
  const git_commit* parentCommit = parent ? parent->ptr : nullptr;
  if (CreateCommitObject(&id, repository->ptr, tree->ptr, parentCommit, message.c_str(), time) !=
          0 ||
      PointBranchAt(repository, branch, id) != 0) {
    throw StorageError("Unable to commit in " + where + ": " + LastGitError());
  }
  CommitHandle commit = LookupCommit(repository->ptr, id);
  if (!commit)
    throw StorageError("Unable to read the new commit in " + where + ": " + LastGitError());
  return commit;
}

}  // namespace git
}  // namespace mevstorage
