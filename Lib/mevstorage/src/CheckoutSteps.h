#pragma once

#include <git2.h>
#include <sys/stat.h>

#include <string>
#include <vector>

// The steps of CheckOutBranch (mevstorage/git/Checkout.h).

namespace mevstorage {
namespace git {

// Limits that keep the walks and the descriptors they hold bounded, and
// names and paths within what the system takes; no project comes near them.
constexpr std::size_t kLongestCheckoutName = 255;
constexpr std::size_t kLongestCheckoutPath = 4095;
constexpr int kDeepestCheckoutFolder = 256;
constexpr int kMostLinksFollowed = 40;

// Throws StorageError "Unable to check out <path> in <workTree>: <reason>",
// the path's control characters shown as \xNN; for the empty path (the work
// tree itself or its index) "Unable to check out into <workTree>: <reason>".
[[noreturn]] void ThrowCheckoutError(const std::string& workTree, const std::string& path,
                                     const std::string& reason);

// Why a tree entry of this name and raw mode cannot be written; empty when
// it can.
std::string RefusedNameReason(const std::string& name, unsigned rawMode);

// True for a name Git takes for its own folder on some file system.
bool IsDotGitName(const std::string& name);

// Why the link `target`, written in the folder `folder` of the tree `root`
// (the folder's names from the work tree down), cannot be written; empty
// when it can.
std::string RefusedLinkReason(git_repository* repository, const git_tree* root,
                              const std::vector<std::string>& folder, const std::string& target);

// The target of the link whose blob is `id`; throws as ThrowCheckoutError
// for `path` when the blob is missing or the target unusable.
std::string ReadLinkTarget(git_repository* repository, const git_oid& id,
                           const std::string& workTree, const std::string& path);

// Examines every entry under `root`, throwing as ThrowCheckoutError for the
// first that CheckOutBranch refuses, before anything is written.
void ExamineCheckoutTree(git_repository* repository, const git_tree* root,
                         const std::string& workTree);

// One entry written, for the index.
struct WrittenEntry {
  std::string path;
  git_oid id;
  unsigned mode;     // the index's: 0100644, 0100755, 0120000 or 0160000
  struct stat info;  // of what was written
};

// Writes the examined tree into the work tree, files synced and folders
// synced once filled; throws as ThrowCheckoutError.
std::vector<WrittenEntry> WriteCheckoutTree(git_repository* repository, const git_tree* root,
                                            const std::string& workTree);

// Replaces the repository's index by the written entries.
void WriteCheckoutIndex(git_repository* repository, const std::vector<WrittenEntry>& entries,
                        const std::string& workTree);

}  // namespace git
}  // namespace mevstorage
