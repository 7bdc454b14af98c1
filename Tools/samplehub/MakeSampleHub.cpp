#include "FolderFiles.h"
#include "SampleHub.h"

namespace samplehub {

namespace {

void PrepareEmptyHub(const std::string& hubFolder) {
  if (hubFolder.empty()) throw SampleHubError("No hub folder given");
  switch (ExamineFolder(hubFolder)) {
    case FolderState::kMissing:
      MakeFolders(hubFolder);
      return;
    case FolderState::kEmpty:
      return;
    case FolderState::kHoldsEntries:
      throw HubNotEmptyError("The folder " + hubFolder +
                             " already holds something; the sample hub is made only in an "
                             "empty or new folder");
    case FolderState::kNotAFolder:
      throw SampleHubError("Unable to make the sample hub in " + hubFolder + ": not a folder");
  }
}

}  // namespace

std::vector<SampleHubEntry> MakeSampleHub(const std::string& hubFolder) {
  PrepareEmptyHub(hubFolder);
  std::vector<SampleHubEntry> sample = StandardSample();
  std::vector<std::string> made;
  try {
    for (const SampleHubEntry& entry : sample) made.push_back(MakeProject(hubFolder, entry.project));
  } catch (...) {
    for (const std::string& folder : made) RemoveQuietly(folder);
    throw;
  }
  return sample;
}

}  // namespace samplehub
