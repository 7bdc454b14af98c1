#include "FloorRecovery.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include <boost/date_time/posix_time/posix_time_types.hpp>

#include "BenchHub.h"
#include "DurableFiles.h"
#include "FloorObjects.h"
#include "RecoveryInfoText.h"
#include "SampleProject.h"

namespace bench {

namespace {

namespace fs = std::filesystem;

const char* const kBranch = "git/refs/heads/production";

std::string In(const std::string& folder, const std::string& name) { return folder + "/" + name; }

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string ReadBranch(const std::string& projectFolder) {
  std::string id = ReadWholeFile(In(projectFolder, kBranch));
  while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) id.pop_back();
  return id;
}

void WriteRecoveryInfo(const std::string& projectFolder) {
  const boost::posix_time::ptime now = boost::posix_time::second_clock::universal_time();
  WriteFileSynced(In(projectFolder, "recovery_info.txt"), RecoveryInfoText(kBenchProjectName, now, now));
}

void SetAsideSyncFiles(const std::string& projectFolder) {
  RenameAsideSynced(In(projectFolder, "sync.sqlite3"), In(projectFolder, "pre_recovery_sync.sqlite3"));
  const std::string deleted = In(projectFolder, "deleted");
  if (PathExists(deleted)) RenameAsideSynced(deleted, In(projectFolder, "pre_recovery_deleted"));
}

void MoveBranch(const std::string& projectFolder, const std::string& commitId) {
  const std::string branch = In(projectFolder, kBranch);
  WriteFileSynced(branch + ".tmp", commitId + "\n");
  RenameOverSynced(branch + ".tmp", branch);
}

void PromoteOlderModel(const std::string& projectFolder) {
  const std::string version = In(projectFolder, "version");
  const std::string old = PathExists(version) ? ReadWholeFile(version) : std::string();
  WriteFileSynced(In(projectFolder, "pre_recovery_version"), old);
  WriteFileSynced(version, samplehub::kCurrentDataModelVersion);
  RenameAsideSynced(projectFolder, projectFolder + "2");
}

std::vector<std::string> SubFolders(const std::string& hubFolder) {
  std::vector<std::string> folders;
  std::error_code error;
  for (fs::directory_iterator it(fs::path(hubFolder), error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_directory()) folders.push_back(it->path().string());
  }
  if (error) throw std::runtime_error("Unable to list " + hubFolder + ": " + error.message());
  std::sort(folders.begin(), folders.end());
  return folders;
}

}  // namespace

bool FloorRecoverProject(const std::string& projectFolder) {
  if (!PathExists(In(projectFolder, "sync.sqlite3")) ||
      PathExists(In(projectFolder, "pre_recovery_sync.sqlite3"))) {
    return false;
  }
  const std::string headId = ReadBranch(projectFolder);
  WriteRecoveryInfo(projectFolder);
  SetAsideSyncFiles(projectFolder);
  MoveBranch(projectFolder, CommitRecoveryObjects(In(projectFolder, "git/odb.sqlite3"), headId));
  if (EndsWith(projectFolder, ".vd")) PromoteOlderModel(projectFolder);
  return true;
}

std::size_t FloorRecoverHub(const std::string& hubFolder) {
  std::size_t recovered = 0;
  for (const std::string& folder : SubFolders(hubFolder))
    if (FloorRecoverProject(folder)) ++recovered;
  return recovered;
}

}  // namespace bench
