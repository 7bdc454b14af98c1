#include "GitErrors.h"

#include "SampleHubError.h"

namespace samplehub {

std::string LastGitError() {
  const git_error* error = git_error_last();
  return error && error->message ? error->message : "unknown error";
}

void CheckGit(int result, const std::string& what, const std::string& folder) {
  if (result < 0) throw SampleHubError("Unable to " + what + " in " + folder + ": " + LastGitError());
}

std::string OidHex(const git_oid& oid) {
  char hex[GIT_OID_HEXSZ + 1];
  git_oid_tostr(hex, sizeof hex, &oid);
  return hex;
}

}  // namespace samplehub
