#include "FolderFiles.h"
#include "SampleHub.h"
#include "SampleRepository.h"
#include "SyncDatabase.h"

namespace samplehub {

namespace {

void CheckFolderName(const std::string& name) {
  CheckRelativePath(name, "project folder name");
  if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
    throw SampleHubError("The project folder name \"" + name + "\" is not a single name");
}

SyncState SyncStateOf(const SampleProject& project, const std::string& headCommit) {
  SyncState state;
  state.lastSyncedCommit = headCommit;
  state.lastSyncTime = project.commitTimes.empty() ? 0 : project.commitTimes.back();
  state.serverRevision = static_cast<std::int64_t>(project.commitTimes.size());
  return state;
}

void WriteFolderFiles(const std::string& folder, const SampleProject& project) {
  if (project.deletedMarker) WriteNewFile(JoinPath(folder, "deleted"), "");
  if (project.version) WriteNewFile(JoinPath(folder, "version"), *project.version);
  for (const auto& [path, bytes] : project.folderFiles) {
    CheckRelativePath(path, "project file");
    WriteNewFile(JoinPath(folder, path), bytes);
  }
}

void FillProjectFolder(const std::string& folder, const SampleProject& project) {
  std::string headCommit;
  if (project.git) headCommit = MakeSampleRepository(JoinPath(folder, "git"), project);
  SyncState state = SyncStateOf(project, headCommit);
  if (project.syncDatabase) {
    MakeSyncDatabase(JoinPath(folder, "sync.sqlite3"), state);
    LeaveSyncCompanions(JoinPath(folder, "sync.sqlite3"), project.syncCompanions);
  }
  if (project.preRecoverySyncDatabase)
    MakeSyncDatabase(JoinPath(folder, "pre_recovery_sync.sqlite3"), state);
  WriteFolderFiles(folder, project);
}

}  // namespace

std::string MakeProject(const std::string& hubFolder, const SampleProject& project) {
  if (hubFolder.empty()) throw SampleHubError("No hub folder given for " + project.folderName);
  CheckFolderName(project.folderName);
  MakeFolders(hubFolder);
  std::string folder = JoinPath(hubFolder, project.folderName);
  MakeNewFolder(folder);
  try {
    FillProjectFolder(folder, project);
  } catch (...) {
    RemoveQuietly(folder);
    throw;
  }
  return folder;
}

}  // namespace samplehub
