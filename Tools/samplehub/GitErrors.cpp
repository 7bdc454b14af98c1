#include "GitErrors.h"

#include "SampleHubError.h"

namespace samplehub {

void CheckGit(int result, const std::string& what, const std::string& folder) {
  if (result < 0) throw SampleHubError("Unable to " + what + " in " + folder + ": " + LastGitError());
}

}  // namespace samplehub
