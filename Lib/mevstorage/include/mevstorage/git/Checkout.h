#pragma once

#include <string>

namespace mevstorage {
namespace git {

// Checks out into `workTree` the tree of the commit that refs/heads/<branch>
// names, in the plain non-bare repository whose git folder is
// <workTree>/.git and whose work tree holds nothing else yet:
// - every blob is written as a new file with its bytes as stored (no
//   filters), mode 0755 when the entry is executable, else 0644, both less
//   the umask; every tree as a folder (0777 less the umask); every symbolic
//   link as a link; every gitlink as an empty folder;
// - nothing is opened over an existing entry and no link is followed, so
//   nothing is written outside `workTree`;
// - every file is synced, and every folder once its entries are made;
// - the index is written as a new clone has it (the tree's entries with the
//   stat data of what was written), so `git status` there reports nothing,
//   then synced with the .git folder;
// - HEAD is set to refs/heads/<branch>, synced by libgit2 (the library's
//   setting), which also adds a line to the reflog of HEAD.
// When the branch does not exist nothing is written and HEAD stays as it is.
//
// The whole tree is examined before anything is written. Refused, each
// with a StorageError "Unable to check out <path> in <workTree>: <reason>"
// naming the entry's path in the tree:
// - a name that is empty, "." or "..", longer than 255 bytes, or that holds
//   "/" or "\";
// - a name Git takes for its own folder: ".git" in any case, also followed
//   by dots, spaces or ":..." or holding the code points that some file
//   systems ignore, and "git~1";
// - a symbolic link named .gitmodules (or a name Git takes for it);
// - two entries of one name in a tree (so no entry can lie under a link);
// - a mode other than a file's (100644, or 100664 that early Git wrote),
//   an executable's, a folder's, a link's or a gitlink's;
// - an entry whose object is missing or not of the type its mode says;
// - a link whose target is empty, holds a zero byte, is longer than 4095
//   bytes or is absolute, or that, followed through the tree's own links,
//   climbs out of the work tree or into a .git folder, or passes through
//   more than 40 links;
// - a path longer than 4095 bytes or folders nested deeper than 256.
// A write the system refuses throws the same error for the entry written.
// A failure of no one entry (no repository, a branch that names no commit,
// the work tree, the index or HEAD that cannot be written) throws
// StorageError "Unable to check out into <workTree>: <reason>". What was
// written before a failure stays, for the caller to remove. The library
// must be started.
void CheckOutBranch(const std::string& workTree, const std::string& branch);

}  // namespace git
}  // namespace mevstorage
