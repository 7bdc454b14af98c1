#include "SampleRepository.h"

#include <map>

#include "GitErrors.h"
#include "MediaBlobs.h"
#include "SampleHubError.h"
#include "SampleTree.h"
#include "mevstorage/git/Repository.h"

namespace samplehub {

namespace git = mevstorage::git;

namespace {

git::TreeHandle LookupTree(const git::RepositoryHandle& repository, const std::string& gitFolder,
                           const git_oid& id) {
  git::TreeHandle tree(new git::Wrap<git_tree>());
  CheckGit(git_tree_lookup(&tree->ptr, repository->ptr, &id), "look up the tree " + HexOf(id),
           gitFolder);
  return tree;
}

}  // namespace

std::string MakeSampleRepository(const std::string& gitFolder, const SampleProject& project) {
  if (project.treeFiles.count("properties"))
    throw SampleHubError("The tree entry \"properties\" of " + gitFolder +
                         " comes from the project's properties, not from its tree files");
  git::RepositoryHandle repository =
      git::CreateRepository(mevcore::filesupport::Dir::FromNativePath(gitFolder));
  std::map<std::string, git_oid> rootTrees;
  if (project.extraBlobs)
    rootTrees["media"] = WriteMediaTree(repository, gitFolder, project.extraBlobs);
  std::map<std::string, std::string> files = project.treeFiles;
  git::CommitHandle commit;
  for (std::size_t k = 1; k <= project.commitTimes.size(); ++k) {
    files["properties"] = project.PropertiesAtCommit(k);
    git_oid treeId = WriteSampleTree(repository, gitFolder, files, rootTrees);
    commit = git::CommitTreeAt(repository, LookupTree(repository, gitFolder, treeId), commit,
                               project.MessageAtCommit(k), project.commitTimes[k - 1]);
  }
  return commit && commit->ptr ? HexOf(*git_commit_id(commit->ptr)) : std::string();
}

}  // namespace samplehub
