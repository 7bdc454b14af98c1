#pragma once

#include <git2.h>

#include <string>

#include "ObjectDatabase.h"
#include "mevstorage/git/Storage.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

// Wraps an open repository in a handle whose last reference commits pending
// writes and closes the object database before the repository is freed.
RepositoryHandle AdoptRepository(git_repository* repository);

// The SQLite object database of a repository; null when it has none.
ObjectDatabase* FindObjectDatabase(git_repository* repository);

// FlushWrites as the functions that report failure by a bool use it: true
// when nothing is pending afterwards; else libgit2's last error says why.
bool CommitPendingWrites(const RepositoryHandle& repository);

// True when the handle holds a repository.
inline bool Holds(const RepositoryHandle& repository) { return repository && repository->ptr; }

}  // namespace git
}  // namespace mevstorage
