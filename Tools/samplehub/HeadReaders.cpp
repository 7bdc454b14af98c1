#include "HeadReaders.h"

#include <memory>

#include <git2.h>

#include "GitErrors.h"
#include "SampleHubError.h"
#include "mevstorage/git/Storage.h"

namespace samplehub {

namespace git = mevstorage::git;

namespace {

template <class T, void (*Free)(T*)>
struct Freer {
  void operator()(T* p) const { Free(p); }
};
using CommitPtr = std::unique_ptr<git_commit, Freer<git_commit, git_commit_free>>;
using TreePtr = std::unique_ptr<git_tree, Freer<git_tree, git_tree_free>>;
using BlobPtr = std::unique_ptr<git_blob, Freer<git_blob, git_blob_free>>;
using RevwalkPtr = std::unique_ptr<git_revwalk, Freer<git_revwalk, git_revwalk_free>>;

git::RepositoryHandle Open(const std::string& gitFolder) {
  return git::SQLite3OdbBackend::OpenRepository(
      mevcore::filesupport::Dir::FromNativePath(gitFolder));
}

CommitPtr LookupHead(const git::RepositoryHandle& repository, const std::string& gitFolder) {
  git_oid id;
  CheckGit(git_reference_name_to_id(&id, repository->ptr, "HEAD"), "resolve HEAD", gitFolder);
  git_commit* commit = nullptr;
  CheckGit(git_commit_lookup(&commit, repository->ptr, &id), "look up the HEAD commit", gitFolder);
  return CommitPtr(commit);
}

TreePtr HeadTree(const git::RepositoryHandle& repository, const std::string& gitFolder) {
  CommitPtr commit = LookupHead(repository, gitFolder);
  git_tree* tree = nullptr;
  CheckGit(git_commit_tree(&tree, commit.get()), "read the HEAD tree", gitFolder);
  return TreePtr(tree);
}

int CollectBlob(const char* root, const git_tree_entry* entry, void* payload) {
  if (git_tree_entry_type(entry) == GIT_OBJECT_BLOB) {
    auto& blobs = *static_cast<std::map<std::string, std::string>*>(payload);
    blobs[std::string(root) + git_tree_entry_name(entry)] = HexOf(*git_tree_entry_id(entry));
  }
  return 0;
}

}  // namespace

HeadCommit ReadHeadCommit(const std::string& gitFolder) {
  git::RepositoryHandle repository = Open(gitFolder);
  CommitPtr commit = LookupHead(repository, gitFolder);
  const git_signature* author = git_commit_author(commit.get());
  HeadCommit head;
  head.id = HexOf(*git_commit_id(commit.get()));
  head.treeId = HexOf(*git_commit_tree_id(commit.get()));
  head.message = git_commit_message(commit.get());
  head.author = std::string(author->name) + " <" + author->email + ">";
  head.parentCount = git_commit_parentcount(commit.get());
  head.time = git_commit_time(commit.get());
  return head;
}

std::string ReadHeadProperties(const std::string& gitFolder) {
  git::RepositoryHandle repository = Open(gitFolder);
  TreePtr tree = HeadTree(repository, gitFolder);
  const git_tree_entry* entry = git_tree_entry_byname(tree.get(), "properties");
  if (!entry || git_tree_entry_type(entry) != GIT_OBJECT_BLOB)
    throw SampleHubError("The HEAD tree in " + gitFolder + " has no \"properties\" blob");
  git_blob* blob = nullptr;
  CheckGit(git_blob_lookup(&blob, repository->ptr, git_tree_entry_id(entry)),
           "read the \"properties\" blob", gitFolder);
  BlobPtr owned(blob);
  const char* bytes = static_cast<const char*>(git_blob_rawcontent(blob));
  return std::string(bytes, static_cast<std::size_t>(git_blob_rawsize(blob)));
}

std::map<std::string, std::string> ReadHeadTree(const std::string& gitFolder) {
  git::RepositoryHandle repository = Open(gitFolder);
  TreePtr tree = HeadTree(repository, gitFolder);
  std::map<std::string, std::string> blobs;
  CheckGit(git_tree_walk(tree.get(), GIT_TREEWALK_PRE, &CollectBlob, &blobs),
           "walk the HEAD tree", gitFolder);
  return blobs;
}

std::string ReadBranchTarget(const std::string& gitFolder, const std::string& branch) {
  git::RepositoryHandle repository = Open(gitFolder);
  git_oid id;
  CheckGit(git_reference_name_to_id(&id, repository->ptr, ("refs/heads/" + branch).c_str()),
           "resolve the branch \"" + branch + "\"", gitFolder);
  return HexOf(id);
}

std::size_t CountHeadHistory(const std::string& gitFolder) {
  git::RepositoryHandle repository = Open(gitFolder);
  git_revwalk* raw = nullptr;
  CheckGit(git_revwalk_new(&raw, repository->ptr), "walk the history", gitFolder);
  RevwalkPtr walk(raw);
  CheckGit(git_revwalk_push_head(raw), "walk the history from HEAD", gitFolder);
  std::size_t count = 0;
  git_oid id;
  int result;
  while ((result = git_revwalk_next(&id, raw)) == 0) ++count;
  if (result != GIT_ITEROVER) CheckGit(result, "walk the history", gitFolder);
  return count;
}

}  // namespace samplehub
