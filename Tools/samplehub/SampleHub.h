#pragma once

#include <string>
#include <vector>

#include "HashTree.h"
#include "HeadReaders.h"
#include "SampleHubError.h"
#include "SampleProject.h"
#include "ScratchFolder.h"

namespace samplehub {

// Makes the project folder `project.folderName` inside `hubFolder` (a native
// path; made with its parents when missing) and returns the folder's path.
// The project folder must not exist yet. The storage library must be started.
// Throws SampleHubError, or the storage library's error, naming what failed.
std::string MakeProject(const std::string& hubFolder, const SampleProject& project);

// One folder of the standard sample and what it shows.
struct SampleHubEntry {
  SampleProject project;
  std::string what;
};

// The standard sample: current and older data model projects, a deleted one,
// one already recovered, a folder that is no project and a project whose
// properties are not JSON.
std::vector<SampleHubEntry> StandardSample();

// Makes the standard sample in `hubFolder`, which must be missing or empty
// (HubNotEmptyError otherwise), and returns what it made.
std::vector<SampleHubEntry> MakeSampleHub(const std::string& hubFolder);

}  // namespace samplehub
