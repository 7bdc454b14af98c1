#pragma once

// Shared by the library's tests: a started library, a temporary project
// folder, and short ways to make trees and payloads.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "TempFolder.h"
#include "mevstorage/git/References.h"
#include "mevstorage/git/Repository.h"
#include "mevstorage/git/Storage.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override { Startup(); }
  void TearDown() override { Shutdown(); }

  mevcore::filesupport::Dir GitFolder() const { return temp_.ChildDir("git"); }
  std::string GitPath(const std::string& name = "") const {
    return temp_.Child(name.empty() ? "git" : "git/" + name);
  }
  std::string DatabasePath() const { return GitPath("odb.sqlite3"); }

  testing::TempFolder temp_;
};

// A StorageTest with a new, empty repository in its git folder.
class NewRepositoryTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    repository_ = CreateRepository(GitFolder());
  }
  void TearDown() override {
    repository_.reset();
    StorageTest::TearDown();
  }

  RepositoryHandle repository_;
};

inline mevcore::utility::ImmutableString Text(const std::string& text) {
  return mevcore::utility::ImmutableString::CreateDynamic(
      reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

inline boost::shared_ptr<const mevcore::utility::RecycledMemory> Payload(const std::string& text) {
  auto owner = boost::shared_ptr<std::string>(new std::string(text));
  auto payload = mevcore::utility::RecycledMemory::Create(0);
  payload->ReferTo(owner->data(), owner->size(), owner);
  return payload;
}

// Whether FlushWrites returned rather than threw.
inline bool Flushed(const RepositoryHandle& repository) {
  try {
    FlushWrites(repository);
    return true;
  } catch (const StorageError&) {
    return false;
  }
}

inline TreeHandle LookupTree(const RepositoryHandle& repository, const git_oid& id) {
  git_tree* tree = nullptr;
  if (git_tree_lookup(&tree, repository->ptr, &id) != 0) return TreeHandle();
  return TreeHandle(new Wrap<git_tree>(tree));
}

// A tree of blobs, entry name to content.
inline TreeHandle MakeTree(const RepositoryHandle& repository,
                           const std::map<std::string, std::string>& entries) {
  auto node = ConstructRootTreeBuilderNode(repository, TreeHandle());
  for (const auto& entry : entries) {
    EXPECT_TRUE(TreeBuilderInsertPayload(repository, node->builder, Text(entry.first),
                                         Payload(entry.second)));
  }
  return LookupTree(repository, FinalizeTreeBuilderNode(repository, node));
}

inline std::string BlobText(const BlobHandle& blob) {
  if (!blob || !blob->ptr) return "<no blob>";
  return std::string(static_cast<const char*>(git_blob_rawcontent(blob->ptr)),
                     static_cast<std::size_t>(git_blob_rawsize(blob->ptr)));
}

}  // namespace git
}  // namespace mevstorage
