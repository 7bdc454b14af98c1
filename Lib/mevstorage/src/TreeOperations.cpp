#include <cstring>

#include "RepositoryAccess.h"

namespace mevstorage {
namespace git {

namespace {

using mevcore::utility::ImmutableString;
using mevcore::utility::RecycledMemory;

bool HoldsTree(const TreeHandle& tree) { return tree && tree->ptr; }

// An entry name as libgit2 takes it; false when the name holds a zero byte.
bool IsPlainName(const ImmutableString& name) { return std::strlen(name.c_str()) == name.size(); }

}  // namespace

CommitHandle GetHeadCommit(const RepositoryHandle& repository) {
  git_oid id;
  git_commit* commit = nullptr;
  if (!Holds(repository) || git_reference_name_to_id(&id, repository->ptr, "HEAD") != 0 ||
      git_commit_lookup(&commit, repository->ptr, &id) != 0) {
    return CommitHandle();
  }
  return CommitHandle(new Wrap<git_commit>(commit));
}

TreeHandle GetTreeAtCommit(const CommitHandle& commit) {
  git_tree* tree = nullptr;
  if (!commit || !commit->ptr || git_commit_tree(&tree, commit->ptr) != 0) return TreeHandle();
  return TreeHandle(new Wrap<git_tree>(tree));
}

BlobHandle GetBlob(const RepositoryHandle& repository, const TreeHandle& tree,
                   const ImmutableString& name) {
  if (!Holds(repository) || !HoldsTree(tree) || !IsPlainName(name)) return BlobHandle();
  const git_tree_entry* entry = git_tree_entry_byname(tree->ptr, name.c_str());
  git_blob* blob = nullptr;
  if (!entry || git_tree_entry_type(entry) != GIT_OBJECT_BLOB ||
      git_blob_lookup(&blob, repository->ptr, git_tree_entry_id(entry)) != 0) {
    return BlobHandle();
  }
  return BlobHandle(new Wrap<git_blob>(blob));
}

boost::shared_ptr<TreeBuilderNode> ConstructRootTreeBuilderNode(const RepositoryHandle& repository,
                                                                const TreeHandle& tree) {
  git_treebuilder* builder = nullptr;
  const git_tree* source = tree ? tree->ptr : nullptr;
  if (!Holds(repository) || git_treebuilder_new(&builder, repository->ptr, source) != 0) {
    return nullptr;
  }
  boost::shared_ptr<TreeBuilderNode> node(new TreeBuilderNode);
  node->builder.reset(new Wrap<git_treebuilder>(builder));
  return node;
}

bool TreeBuilderInsertPayload(const RepositoryHandle& repository, const TreeBuilderHandle& builder,
                              const ImmutableString& name,
                              const boost::shared_ptr<const RecycledMemory>& payload) {
  if (!Holds(repository) || !builder || !builder->ptr || !payload || !IsPlainName(name)) {
    return false;
  }
  static const unsigned char kNoBytes[1] = {0};
  const void* bytes = payload->Size() ? payload->Data() : kNoBytes;
  git_oid id;
  return git_blob_create_from_buffer(&id, repository->ptr, bytes, payload->Size()) == 0 &&
         git_treebuilder_insert(nullptr, builder->ptr, name.c_str(), &id, GIT_FILEMODE_BLOB) == 0;
}

git_oid FinalizeTreeBuilderNode(const RepositoryHandle& repository,
                                const boost::shared_ptr<TreeBuilderNode>& node) {
  git_oid id;
  std::memset(&id, 0, sizeof id);
  if (!Holds(repository) || !node || !node->builder || !node->builder->ptr ||
      git_treebuilder_write(&id, node->builder->ptr) != 0) {
    std::memset(&id, 0, sizeof id);
  }
  return id;
}

}  // namespace git
}  // namespace mevstorage
