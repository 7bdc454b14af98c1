#pragma once

#include <git2.h>

#include <string>

#include "mevstorage/git/Storage.h"

namespace mevstorage {
namespace git {

// The identity the library signs its commits with, as author and committer.
constexpr const char* kCommitterName = "Velders Recovery";
constexpr const char* kCommitterEmail = "recovery@velders.invalid";

// Writes a commit of `tree` made at `when` (seconds since 1970, UTC) with
// `parent` (may be null). 0 on success, else libgit2's error code.
int CreateCommitObject(git_oid* id, git_repository* repository, const git_tree* tree,
                       const git_commit* parent, const char* message, git_time_t when);

// The commit HEAD names, in `parent`; it stays null while HEAD's branch has no
// commit yet. False when HEAD names something that is not a readable commit.
bool FindHeadCommit(git_repository* repository, git_commit** parent);

// Makes every pending write durable, then points refs/heads/<branch> at
// `target`, making the branch if missing. 0 on success, else an error code.
int PointBranchAt(const RepositoryHandle& repository, const std::string& branch,
                  const git_oid& target);

CommitHandle LookupCommit(git_repository* repository, const git_oid& id);

}  // namespace git
}  // namespace mevstorage
