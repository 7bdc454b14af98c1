#pragma once

#include <git2.h>

#include <string>

namespace mevstorage {
namespace git {

// Points refs/heads/<branch> of the repository at `target`, durably and
// through the core library's disk (so that every step can be made to fail
// in tests): "<hex id>\n" goes to refs/heads/<branch>.lock, made exclusively
// as Git makes it (a lock another writer holds is a failure, and the branch
// stays), the lock file is synced and renamed over the branch file, and the
// folder is synced (WriteFileDurably). A branch file that is there keeps its
// owner, group and mode; one that is not a regular file is refused. A branch
// kept only in packed-refs gets a loose file, which wins over the packed
// entry, as in Git. 0 on success, else GIT_ERROR
// with libgit2's last error saying why.
int WriteBranchFile(git_repository* repository, const std::string& branch, const git_oid& target);

// The same for any reference under refs/, named in full ("refs/...").
int WriteReferenceFile(git_repository* repository, const std::string& name, const git_oid& target);

// The same, only while the reference still names `from` (hex; empty: it is
// not there), checked once its lock file is held: a reference another
// program moved meanwhile stays as that program left it, and the failure
// says what it names now.
int MoveReferenceFile(git_repository* repository, const std::string& name, const std::string& from,
                      const git_oid& target);

// Removes the loose file of the reference `name` ("refs/..."), if there is
// one, and syncs its folder. 0 on success, else GIT_ERROR with libgit2's
// last error saying why.
int RemoveReferenceFile(git_repository* repository, const std::string& name);

// The same, only while the reference still names `from` (hex), checked with
// "<name>.lock" taken exclusively, as a writer of it would take it; the lock
// is removed again with the file.
int RemoveReferenceFileFrom(git_repository* repository, const std::string& name,
                            const std::string& from);

}  // namespace git
}  // namespace mevstorage
