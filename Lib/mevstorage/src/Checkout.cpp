#include "mevstorage/git/Checkout.h"

#include "CheckoutSteps.h"
#include "RepositoryAccess.h"
#include "mevstorage/git/Wrap.h"

namespace mevstorage {
namespace git {

namespace {

[[noreturn]] void ThrowBranchError(const std::string& workTree, const std::string& branch,
                                   const char* fallback) {
  ThrowCheckoutError(workTree, "", "the branch " + branch + ": " + LastGitError(fallback));
}

// The commit the branch names; null when there is no such branch.
git_commit* BranchCommit(git_repository* repository, const std::string& workTree,
                         const std::string& branch) {
  git_reference* reference = nullptr;
  const int result = git_reference_lookup(&reference, repository, ("refs/heads/" + branch).c_str());
  if (result == GIT_ENOTFOUND) return nullptr;
  if (result != 0) ThrowBranchError(workTree, branch, "it cannot be read");
  Wrap<git_reference> held(reference);
  git_object* commit = nullptr;
  if (git_reference_peel(&commit, reference, GIT_OBJECT_COMMIT) != 0) {
    ThrowBranchError(workTree, branch, "it names no commit");
  }
  return reinterpret_cast<git_commit*>(commit);
}

}  // namespace

void CheckOutBranch(const std::string& workTree, const std::string& branch) {
  git_repository* opened = nullptr;
  if (git_repository_open_ext(&opened, (workTree + "/.git").c_str(),
                              GIT_REPOSITORY_OPEN_NO_SEARCH, nullptr) != 0) {
    ThrowCheckoutError(workTree, "", LastGitError("it holds no Git repository"));
  }
  Wrap<git_repository> repository(opened);
  Wrap<git_commit> commit(BranchCommit(opened, workTree, branch));
  if (!commit.ptr) return;
  git_tree* root = nullptr;
  if (git_commit_tree(&root, commit.ptr) != 0) {
    ThrowCheckoutError(workTree, "", "the commit's tree: " + LastGitError("it cannot be read"));
  }
  Wrap<git_tree> heldRoot(root);
  ExamineCheckoutTree(opened, root, workTree);
  WriteCheckoutIndex(opened, WriteCheckoutTree(opened, root, workTree), workTree);
  if (git_repository_set_head(opened, ("refs/heads/" + branch).c_str()) != 0) {
    ThrowCheckoutError(workTree, "", "HEAD: " + LastGitError("it cannot be set"));
  }
}

}  // namespace git
}  // namespace mevstorage
