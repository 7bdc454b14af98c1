#pragma once

#include <string>

#include <git2.h>

#include "mevstorage/git/References.h"
#include "mevstorage/git/StorageError.h"

namespace samplehub {

using mevstorage::git::HexOf;
using mevstorage::git::LastGitError;

// Throws SampleHubError "Unable to <what> in <folder>: <last error>" when
// `result` is negative.
void CheckGit(int result, const std::string& what, const std::string& folder);

}  // namespace samplehub
