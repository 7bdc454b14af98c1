#pragma once

#include <map>
#include <string>

namespace samplehub {

// Every entry below `folder` (a native path), by path relative to it with
// "/" between elements: the hex Git blob id of a file's bytes, "dir" for a
// folder, "link:" and the target for a symbolic link (never followed). Two
// trees with equal maps are byte-identical. Throws SampleHubError naming
// the entry that cannot be read.
std::map<std::string, std::string> HashTree(const std::string& folder);

}  // namespace samplehub
