#pragma once

// Real project repositories for the tests of session properties. Header
// only: it is never part of the program.

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>

#include <boost/make_shared.hpp>
#include <git2.h>
#include <gtest/gtest.h>

#include "mevstorage/git/References.h"
#include "mevstorage/git/Repository.h"
#include "mevstorage/git/Storage.h"

namespace velders {
namespace testsupport {

namespace git = mevstorage::git;

// Starts the storage library around the tests of one suite.
class StorageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { git::Startup(); }
  static void TearDownTestSuite() { git::Shutdown(); }
};

inline void CheckGit(int result, const std::string& what) {
  if (result != 0) throw std::runtime_error(what + " failed: " + std::to_string(result));
}

inline git::TreeHandle LookupTree(const git::RepositoryHandle& repository, const git_oid& id) {
  const git::TreeHandle tree = boost::make_shared<git::Wrap<git_tree>>();
  CheckGit(git_tree_lookup(&tree->ptr, repository->ptr, &id), "tree lookup");
  return tree;
}

// A tree of the given blobs (entry name to bytes) and sub-trees.
inline git::TreeHandle MakeTree(const git::RepositoryHandle& repository,
                                const std::map<std::string, std::string>& blobs,
                                const std::map<std::string, git::TreeHandle>& subtrees = {}) {
  git::Wrap<git_treebuilder> builder;
  CheckGit(git_treebuilder_new(&builder.ptr, repository->ptr, nullptr), "tree builder");
  for (const auto& blob : blobs) {
    const git_oid id = git::WriteBlob(repository, blob.second.data(), blob.second.size());
    CheckGit(git_treebuilder_insert(nullptr, builder.ptr, blob.first.c_str(), &id, GIT_FILEMODE_BLOB),
             "insert " + blob.first);
  }
  for (const auto& subtree : subtrees) {
    CheckGit(git_treebuilder_insert(nullptr, builder.ptr, subtree.first.c_str(),
                                    git_tree_id(subtree.second->ptr), GIT_FILEMODE_TREE),
             "insert " + subtree.first);
  }
  git_oid id;
  CheckGit(git_treebuilder_write(&id, builder.ptr), "tree write");
  return LookupTree(repository, id);
}

inline git::CommitHandle CommitTree(const git::RepositoryHandle& repository,
                                    const git::TreeHandle& tree, std::int64_t time,
                                    const git::CommitHandle& parent = git::CommitHandle()) {
  return git::CommitTreeAt(repository, tree, parent, "Edit", time);
}

// Moves "production" (and so HEAD) to a new commit whose tree object is not
// in the database; returns the commit's id.
inline git_oid CommitWithMissingTree(const git::RepositoryHandle& repository) {
  const std::string commit =
      "tree 0123456789abcdef0123456789abcdef01234567\n"
      "author Editor <editor@example.invalid> 1000000000 +0000\n"
      "committer Editor <editor@example.invalid> 1000000000 +0000\n\nBroken\n";
  git::Wrap<git_odb> odb;
  CheckGit(git_repository_odb(&odb.ptr, repository->ptr), "odb");
  git_oid id;
  CheckGit(git_odb_write(&id, odb.ptr, commit.data(), commit.size(), GIT_OBJECT_COMMIT), "commit write");
  git::Wrap<git_reference> branch;
  CheckGit(git_reference_create(&branch.ptr, repository->ptr, "refs/heads/production", &id, 1, nullptr),
           "branch");
  return id;
}

inline git::TreeHandle HeadTree(const git::RepositoryHandle& repository) {
  return git::GetTreeAtCommit(git::GetHeadCommit(repository));
}

// The bytes of the tree's blob `name`.
inline std::string BlobText(const git::RepositoryHandle& repository, const git::TreeHandle& tree,
                            const char* name) {
  const git::BlobHandle blob =
      git::GetBlob(repository, tree, mevcore::utility::ImmutableString::CreateStatic(name));
  if (!blob || !blob->ptr) throw std::runtime_error(std::string("no blob ") + name);
  return std::string(static_cast<const char*>(git_blob_rawcontent(blob->ptr)),
                     static_cast<std::size_t>(git_blob_rawsize(blob->ptr)));
}

// Every entry of the tree but `except`, by name, to its object id.
inline std::map<std::string, std::string> TreeEntries(const git::TreeHandle& tree,
                                                      const std::string& except = "") {
  std::map<std::string, std::string> entries;
  for (std::size_t i = 0; i < git_tree_entrycount(tree->ptr); ++i) {
    const git_tree_entry* entry = git_tree_entry_byindex(tree->ptr, i);
    if (git_tree_entry_name(entry) != except) {
      entries[git_tree_entry_name(entry)] = git::HexOf(*git_tree_entry_id(entry));
    }
  }
  return entries;
}

// The id the reference names; empty text when it does not resolve.
inline std::string ReferenceTarget(const git::RepositoryHandle& repository, const char* name) {
  git_oid id;
  if (git_reference_name_to_id(&id, repository->ptr, name) != 0) return std::string();
  return git::HexOf(id);
}

}  // namespace testsupport
}  // namespace velders
