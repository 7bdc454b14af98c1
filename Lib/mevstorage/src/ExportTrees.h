#pragma once

#include <string>

namespace mevstorage {
namespace git {

// What Git's own check (git fsck --strict) refuses in a tree, which libgit2
// reads all the same: an entry it cannot parse; a mode other than 100644,
// 100755, 120000, 40000 or 160000, or one written with a leading zero; a
// name that is empty, ".", "..", holds "/" or that Git takes for its own
// folder on some file system (IsDotGitName); a link named .gitmodules; two
// entries of one name; entries out of Git's order. Empty when there is none;
// else the first, naming the entry. The export refuses such a tree wherever
// it lies, as Git would.
std::string TreeProblem(const std::string& data);

}  // namespace git
}  // namespace mevstorage
