#include "CommitSupport.h"

#include "RepositoryAccess.h"

namespace mevstorage {
namespace git {

int CreateCommitObject(git_oid* id, git_repository* repository, const git_tree* tree,
                       const git_commit* parent, const char* message, git_time_t when) {
  git_signature* signature = nullptr;
  int result = git_signature_new(&signature, kCommitterName, kCommitterEmail, when, 0);
  const git_commit* parents[] = {parent};
  if (result == 0) {
    result = git_commit_create(id, repository, nullptr, signature, signature, nullptr, message,
                               tree, parent ? 1 : 0, parents);
  }
  git_signature_free(signature);
  return result;
}

bool FindHeadCommit(git_repository* repository, git_commit** parent) {
  git_oid id;
  const int result = git_reference_name_to_id(&id, repository, "HEAD");
  if (result == GIT_ENOTFOUND || result == GIT_EUNBORNBRANCH) return true;
  return result == 0 && git_commit_lookup(parent, repository, &id) == 0;
}

int PointBranchAt(const RepositoryHandle& repository, const std::string& branch,
                  const git_oid& target) {
  if (!CommitPendingWrites(repository)) return GIT_ERROR;
  const std::string name = "refs/heads/" + branch;
  git_reference* reference = nullptr;
  const int result =
      git_reference_create(&reference, repository->ptr, name.c_str(), &target, 1, nullptr);
  git_reference_free(reference);
  return result;
}

CommitHandle LookupCommit(git_repository* repository, const git_oid& id) {
  git_commit* commit = nullptr;
  if (git_commit_lookup(&commit, repository, &id) != 0) return CommitHandle();
  return CommitHandle(new Wrap<git_commit>(commit));
}

}  // namespace git
}  // namespace mevstorage
