#include "RepositoryAccess.h"
#include "mevstorage/git/References.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

HeadBlob ReadHeadBlob(const RepositoryHandle& repository, const std::string& name) {
  if (!Holds(repository)) throw StorageError("Unable to resolve HEAD", "no repository is open");
  git_oid head;
  if (git_reference_name_to_id(&head, repository->ptr, "HEAD") != 0) {
    ThrowLastGitError("Unable to resolve HEAD");
  }
  HeadBlob found;
  found.commit = HexOf(head);
  const std::string commitText = "the commit " + found.commit;
  Wrap<git_commit> commit;
  if (git_commit_lookup(&commit.ptr, repository->ptr, &head) != 0) {
    ThrowLastGitError("Unable to read " + commitText);
  }
  Wrap<git_tree> tree;
  if (git_commit_tree(&tree.ptr, commit.ptr) != 0) {
    ThrowLastGitError("Unable to read the tree of " + commitText);
  }
  const git_tree_entry* entry = git_tree_entry_byname(tree.ptr, name.c_str());
  if (!entry || git_tree_entry_type(entry) != GIT_OBJECT_BLOB) {
    throw StorageError("The tree of " + commitText + " holds no \"" + name + "\"");
  }
  git_blob* blob = nullptr;
  if (git_blob_lookup(&blob, repository->ptr, git_tree_entry_id(entry)) != 0) {
    ThrowLastGitError("Unable to read \"" + name + "\" of " + commitText);
  }
  found.blob.reset(new Wrap<git_blob>(blob));
  return found;
}

}  // namespace git
}  // namespace mevstorage
