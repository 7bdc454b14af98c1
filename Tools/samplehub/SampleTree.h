#pragma once

#include <map>
#include <string>

#include <git2.h>

#include "mevstorage/git/Storage.h"

namespace samplehub {

// Writes a tree holding `files` (slash-separated path -> bytes), with
// sub-trees for the folders in the paths, and returns its id. `extraTrees`
// adds already written trees by entry name at the root. `gitFolder` names
// the repository in errors.
git_oid WriteSampleTree(const mevstorage::git::RepositoryHandle& repository,
                        const std::string& gitFolder,
                        const std::map<std::string, std::string>& files,
                        const std::map<std::string, git_oid>& extraTrees = {});

}  // namespace samplehub
