#pragma once

#include <cstdint>
#include <string>

#include "mevstorage/git/Storage.h"

namespace mevstorage {
namespace git {

// For tools and tests: makes a new, empty repository in the storage format
// in `gitFolder` (which must not exist or be empty), HEAD naming
// refs/heads/<branch>. Throws StorageError on failure.
RepositoryHandle CreateRepository(const mevcore::filesupport::Dir& gitFolder,
                                  const std::string& branch = "production");

// Writes a blob of the bytes; all zero on failure.
git_oid WriteBlob(const RepositoryHandle& repository, const void* bytes, std::size_t size);

// Commits `tree` with the given parent (none when `parent` is empty), the
// committer and author "name <email>" and the time in seconds since 1970,
// then moves refs/heads/<branch> to it. Throws StorageError on failure.
CommitHandle CommitTreeAt(const RepositoryHandle& repository, const TreeHandle& tree,
                          const CommitHandle& parent, const std::string& message,
                          std::int64_t time, const std::string& branch = "production");

}  // namespace git
}  // namespace mevstorage
