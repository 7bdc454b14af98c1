// The durability of a group of exports: one sync of the target's file system
// for every file and folder the group wrote, one sync of the target folder
// for every rename.

#include <fcntl.h>

#include <cerrno>
#include <utility>

#include "ExportFolder.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevstorage/git/Export.h"

namespace mevstorage {
namespace git {

namespace {

using mevcore::filesupport::Disk;

std::exception_ptr DiskError(const std::string& what, const std::string& path, int error) {
  try {
    ThrowDiskError(what, path, error);
  } catch (...) {
    return std::current_exception();
  }
}

void RemoveTemporary(const std::string& temporary) {
  std::string failedPath;
  RemoveTree(temporary, &failedPath);
}

}  // namespace

ExportGroup::ExportGroup(std::string targetFolder) : targetFolder_(std::move(targetFolder)) {}

ExportGroup::~ExportGroup() {
  for (const Written& written : waiting_) RemoveTemporary(written.temporary);
  if (fileSystem_ >= 0) Disk().Close(fileSystem_);
}

std::uint64_t ExportGroup::WaitingBytes() const {
  std::uint64_t bytes = 0;
  for (const Written& written : waiting_) bytes += written.summary.packBytes;
  return bytes;
}

void ExportGroup::OpenFileSystem() {
  fileSystem_ = Disk().Open(targetFolder_, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fileSystem_ < 0) ThrowDiskError("open", targetFolder_, errno);
}

std::vector<ExportOutcome> ExportGroup::Finish() {
  if (fileSystem_ < 0) return {};
  const int synced = Disk().SyncFileSystem(fileSystem_);
  const int error = errno;
  // The descriptor was only read through: closing it loses nothing.
  Disk().Close(std::exchange(fileSystem_, -1));
  if (synced == 0) return PutEachInPlace();
  std::vector<ExportOutcome> outcomes;
  for (const Written& written : std::exchange(waiting_, {})) {
    RemoveTemporary(written.temporary);
    outcomes.push_back({written.summary, DiskError("sync the file system of", targetFolder_, error)});
  }
  return outcomes;
}

// Renames each export into place, then syncs the folder once; when that
// fails, each is renamed back and removed.
std::vector<ExportOutcome> ExportGroup::PutEachInPlace() {
  std::vector<ExportOutcome> outcomes;
  std::vector<Written> placed;
  for (Written& written : std::exchange(waiting_, {})) {
    outcomes.push_back({written.summary, nullptr});
    try {
      PutInPlace(written.temporary, written.summary.path);
      placed.push_back(std::move(written));
    } catch (...) {
      outcomes.back().error = std::current_exception();
      RemoveTemporary(written.temporary);
    }
  }
  if (placed.empty() || Disk().SyncDir(targetFolder_) == 0) return outcomes;
  const int error = errno;
  std::size_t next = 0;
  for (ExportOutcome& outcome : outcomes) {
    if (outcome.error) continue;
    const Written& written = placed[next++];
    if (Disk().RenameNoReplace(written.summary.path, written.temporary) != 0) {
      outcome.error = DiskError("sync the folder of",
                                written.summary.path +
                                    " (it is complete, but may not survive a crash)",
                                error);
      continue;
    }
    RemoveTemporary(written.temporary);
    outcome.error = DiskError("sync", targetFolder_, error);
  }
  return outcomes;
}

}  // namespace git
}  // namespace mevstorage
