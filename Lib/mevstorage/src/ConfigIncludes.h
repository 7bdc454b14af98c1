#pragma once

#include <string>
#include <vector>

namespace mevstorage {
namespace git {

// The files a Git configuration text includes ("path" in an "[include]"
// section or in any "[includeIf ...]" one), in order, as libgit2 would find
// them: a relative path against `folder`, the configuration file's own
// folder. libgit2 follows these itself, with an open that waits for ever on
// a FIFO, and offers no way to refuse them; this is what lets them be looked
// at first. Every condition counts as true, so that no file libgit2 may open
// is left out. Paths from the home folder ("~/...") are left out too: with
// the user's settings turned off at startup, libgit2 refuses them without
// opening anything.
std::vector<std::string> IncludedPaths(const std::string& text, const std::string& folder);

}  // namespace git
}  // namespace mevstorage
