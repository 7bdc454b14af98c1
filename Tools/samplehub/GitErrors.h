#pragma once

#include <string>

#include <git2.h>

namespace samplehub {

// libgit2's text for its last error, or "unknown error".
std::string LastGitError();

// Throws SampleHubError "Unable to <what> in <folder>: <last error>" when
// `result` is negative.
void CheckGit(int result, const std::string& what, const std::string& folder);

// The id as 40 hex digits.
std::string OidHex(const git_oid& oid);

}  // namespace samplehub
