#pragma once

#include <string>

#include "SampleProject.h"

namespace samplehub {

// Makes the project's repository in `gitFolder` (missing or empty) with its
// commits, "production" at the last; returns the last commit's hex id, empty
// when the project has no commits.
std::string MakeSampleRepository(const std::string& gitFolder, const SampleProject& project);

}  // namespace samplehub
