#include <cstring>
#include <ctime>

#include "BranchFile.h"
#include "CommitSupport.h"
#include "RepositoryAccess.h"

namespace mevstorage {
namespace git {

CommitHandle WriteCommit(const RepositoryHandle& repository, const TreeHandle& tree,
                         const char* message) {
  git_commit* parent = nullptr;
  if (!Holds(repository) || !tree || !tree->ptr || !message ||
      !FindHeadCommit(repository->ptr, &parent)) {
    return CommitHandle();
  }
  const CommitHandle head(parent ? new Wrap<git_commit>(parent) : nullptr);
  return WriteCommit(repository, tree, head, message);
}

CommitHandle WriteCommit(const RepositoryHandle& repository, const TreeHandle& tree,
                         const CommitHandle& parent, const char* message) {
  if (!Holds(repository) || !tree || !tree->ptr || !message) return CommitHandle();
  git_oid id;
  const git_commit* first = parent ? parent->ptr : nullptr;
  const int result =
      CreateCommitObject(&id, repository->ptr, tree->ptr, first, message, std::time(nullptr));
  return result == 0 ? LookupCommit(repository->ptr, id) : CommitHandle();
}

CommitHandle GetCommit(const RepositoryHandle& repository, const git_oid& id) {
  return Holds(repository) ? LookupCommit(repository->ptr, id) : CommitHandle();
}

bool SetBranchToCommit(const RepositoryHandle& repository,
                       const mevcore::utility::ImmutableString& branch,
                       const CommitHandle& commit) {
  if (!Holds(repository) || !commit || !commit->ptr ||
      std::strlen(branch.c_str()) != branch.size()) {
    return false;
  }
  // The objects first: the branch never names a commit that is not durable.
  if (!CommitPendingWrites(repository)) return false;
  return WriteBranchFile(repository->ptr, branch.c_str(), *git_commit_id(commit->ptr)) == 0;
}

}  // namespace git
}  // namespace mevstorage
