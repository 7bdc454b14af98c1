#include "SampleTree.h"

#include <memory>

#include "FolderFiles.h"
#include "GitErrors.h"
#include "SampleHubError.h"
#include "mevstorage/git/Repository.h"

namespace samplehub {

namespace {

struct TreeNode {
  std::map<std::string, const std::string*> blobs;
  std::map<std::string, TreeNode> folders;
  std::map<std::string, git_oid> trees;
};

using BuilderPtr = std::unique_ptr<git_treebuilder, decltype(&git_treebuilder_free)>;

void Place(TreeNode& root, const std::string& path, const std::string& bytes) {
  CheckRelativePath(path, "tree entry");
  TreeNode* node = &root;
  std::size_t start = 0;
  for (std::size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1)
    node = &node->folders[path.substr(start, slash - start)];
  node->blobs[path.substr(start)] = &bytes;
}

void CheckNoNameTwice(const TreeNode& node, const std::string& prefix) {
  for (const auto& [name, folder] : node.folders) {
    if (node.blobs.count(name) || node.trees.count(name))
      throw SampleHubError("The tree entry \"" + prefix + name + "\" is both a file and a folder");
    CheckNoNameTwice(folder, prefix + name + "/");
  }
  for (const auto& entry : node.trees)
    if (node.blobs.count(entry.first))
      throw SampleHubError("The tree entry \"" + prefix + entry.first + "\" is both a file and a folder");
}

class TreeWriter {
 public:
  TreeWriter(const mevstorage::git::RepositoryHandle& repository, const std::string& gitFolder)
      : repository_(repository), gitFolder_(gitFolder) {}

  git_oid Write(const TreeNode& node, const std::string& prefix) const {
    git_treebuilder* raw = nullptr;
    CheckGit(git_treebuilder_new(&raw, repository_->ptr, nullptr), "start a tree", gitFolder_);
    BuilderPtr builder(raw, &git_treebuilder_free);
    for (const auto& [name, bytes] : node.blobs)
      Insert(raw, prefix + name, WriteBlobOf(prefix + name, *bytes), GIT_FILEMODE_BLOB);
    for (const auto& [name, folder] : node.folders)
      Insert(raw, prefix + name, Write(folder, prefix + name + "/"), GIT_FILEMODE_TREE);
    for (const auto& [name, oid] : node.trees) Insert(raw, prefix + name, oid, GIT_FILEMODE_TREE);
    git_oid tree;
    CheckGit(git_treebuilder_write(&tree, raw), "write the tree \"" + prefix + "\"", gitFolder_);
    return tree;
  }

 private:
  void Insert(git_treebuilder* builder, const std::string& path, const git_oid& oid,
              git_filemode_t mode) const {
    std::string name = path.substr(path.rfind('/') + 1);
    CheckGit(git_treebuilder_insert(nullptr, builder, name.c_str(), &oid, mode),
             "add the tree entry \"" + path + "\"", gitFolder_);
  }

  git_oid WriteBlobOf(const std::string& path, const std::string& bytes) const {
    git_oid oid = mevstorage::git::WriteBlob(repository_, bytes.data(), bytes.size());
    if (git_oid_is_zero(&oid))
      throw SampleHubError("Unable to write the blob \"" + path + "\" in " + gitFolder_ + ": " +
                           LastGitError());
    return oid;
  }

  const mevstorage::git::RepositoryHandle& repository_;
  const std::string& gitFolder_;
};

}  // namespace

git_oid WriteSampleTree(const mevstorage::git::RepositoryHandle& repository,
                        const std::string& gitFolder,
                        const std::map<std::string, std::string>& files,
                        const std::map<std::string, git_oid>& extraTrees) {
  TreeNode root;
  for (const auto& [path, bytes] : files) Place(root, path, bytes);
  for (const auto& [name, oid] : extraTrees) {
    CheckRelativePath(name, "tree entry");
    if (name.find('/') != std::string::npos)
      throw SampleHubError("The tree entry \"" + name + "\" is not a single name");
    root.trees[name] = oid;
  }
  CheckNoNameTwice(root, "");
  return TreeWriter(repository, gitFolder).Write(root, "");
}

}  // namespace samplehub
