#include "project/Blockers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevstorage/git/DatabaseFiles.h"
#include "mevstorage/git/References.h"
#include "mevstorage/git/StorageError.h"
#include "project/BranchState.h"
#include "project/FolderNames.h"
#include "project/Journal.h"
#include "project/Steps.h"
#include "records/Constants.h"

namespace velders {
namespace project {
namespace {

using mevcore::filesupport::Dir;
using mevcore::filesupport::Disk;

// Every part of the folder a recovery reads, writes or renames: the
// repository's, which the recovery commit writes and the branch steps read,
// then each step's own. The files the recovery rewrites are checked for
// links only: what else keeps them from being written is found by the write
// itself, whose own console line then says so.
std::vector<FolderPart> RecoveryParts() {
  std::vector<FolderPart> parts = {
      {kGitFolderName, PartKind::kFolder, true},
      {"git/refs", PartKind::kFolder, false},
      {"git/refs/heads", PartKind::kFolder, true},
      {"git/refs/heads/production", PartKind::kFile, false},
      {"git/odb.sqlite3", PartKind::kFile, true},
  };
  for (const Step& step : RecoverySteps()) {
    parts.insert(parts.end(), step.parts.begin(), step.parts.end());
  }
  return parts;
}

// Whether an entry of that name is there, not following a link; throws,
// naming it, when that cannot be told.
bool There(const std::string& path, struct stat* info) {
  if (Disk().Lstat(path, info) == 0) return true;
  if (errno != ENOENT) mevcore::config::ThrowSystemError("Unable to examine", path, errno);
  return false;
}

bool There(const std::string& path) {
  struct stat info;
  return There(path, &info);
}

// The same for `relative` in the project folder `folder`.
bool There(const FolderListing& listing, const std::string& folder, const std::string& relative,
           struct stat* info) {
  return !listing.Lacks(relative) && There(folder + "/" + relative, info);
}

std::optional<std::string> Unwritable(const std::string& path) {
  if (::access(path.c_str(), W_OK) == 0) return std::nullopt;
  return path + " cannot be written: " + std::strerror(errno);
}

std::optional<std::string> CheckPart(const FolderListing& listing, const std::string& folder,
                                     const FolderPart& part, bool* there) {
  struct stat info;
  *there = There(listing, folder, part.path, &info);
  if (!*there) return std::nullopt;
  const std::string path = folder + "/" + part.path;
  if (S_ISLNK(info.st_mode)) return path + " is a symbolic link, which is not followed";
  if (part.kind == PartKind::kAny) return std::nullopt;
  if (part.kind == PartKind::kFolder && !S_ISDIR(info.st_mode)) return path + " is not a folder";
  if (part.kind == PartKind::kFile && !S_ISREG(info.st_mode)) {
    return path + " is not a regular file";
  }
  return part.written ? Unwritable(path) : std::nullopt;
}

std::optional<std::string> AlreadyThere(const std::string& path) {
  if (!There(path)) return std::nullopt;
  return path + " is already there";
}

std::optional<std::string> AlreadyThere(const FolderListing& listing, const std::string& folder,
                                        const std::string& relative) {
  struct stat info;
  if (!There(listing, folder, relative, &info)) return std::nullopt;
  return folder + "/" + relative + " is already there";
}

// The set-aside takes the names of the database and of all its companions:
// a companion under one of them, whoever left it, would join the database.
// A program writing it would go on writing the renamed files.
std::optional<std::string> SyncBlocker(const FolderListing& listing, const std::string& folder) {
  const std::string setAside = kPreRecoverySyncFileName;
  if (auto taken = AlreadyThere(listing, folder, setAside)) return taken;
  for (const char* suffix : mevstorage::git::kCompanionSuffixes) {
    if (auto taken = AlreadyThere(listing, folder, setAside + suffix)) return taken;
  }
  const std::string database = folder + "/" + kSyncFileName;
  try {
    if (!mevstorage::git::DatabaseBeingWritten(database)) return std::nullopt;
  } catch (const mevstorage::git::StorageError& error) {
    return std::string(error.what());
  }
  return database + " is in use by another program";
}

std::optional<std::string> Blocker(const Dir& project, const RecoveryPlan& plan,
                                   const FolderListing& listing) {
  const std::string folder = project.NativePath();
  if (auto blocker = Unwritable(folder)) return blocker;
  std::map<std::string, bool> there;
  for (const FolderPart& part : RecoveryParts()) {
    if (auto blocker = CheckPart(listing, folder, part, &there[part.path])) return blocker;
  }
  const std::string lock = folder + "/git/refs/heads/production.lock";
  if (There(lock)) {
    return lock + " is there: another program is moving the branch, or one stopped part way";
  }
  if (there[kDeletedFileName] && there[kPreRecoveryDeletedFileName]) {
    return folder + "/" + kPreRecoveryDeletedFileName + " is already there";
  }
  if (auto blocker = SyncBlocker(listing, folder)) return blocker;
  if (plan.keepProduction) {
    if (auto taken = AlreadyThere(folder + "/git/" + kKeptProductionReference)) return taken;
  }
  if (plan.promote) {
    const Dir promoted(project.Parent(), PromotedName(project.GetName()));
    if (auto taken = AlreadyThere(promoted.NativePath())) return taken;
    return Unwritable(project.Parent().NativePath());
  }
  return std::nullopt;
}

}  // namespace

RecoveryPlan PlanOf(const Dir& project, const mevstorage::git::RepositoryHandle& repository,
                    const std::string& head, const std::string& production) {
  RecoveryPlan plan;
  plan.promote = IsOlderName(project.GetName());
  plan.keepProduction =
      !production.empty() &&
      (head.empty() || !mevstorage::git::DescendsFrom(repository, head, production));
  return plan;
}

std::optional<std::string> FindBlocker(const Dir& project, const RecoveryPlan& plan,
                                       const FolderListing& listing) {
  try {
    return Blocker(project, plan, listing);
  } catch (const mevcore::config::mev_exception& error) {
    return std::string(error.what());
  }
}

}  // namespace project
}  // namespace velders
