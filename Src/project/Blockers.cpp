#include "project/Blockers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevstorage/git/DatabaseFiles.h"
#include "mevstorage/git/References.h"
#include "mevstorage/git/StorageError.h"
#include "project/BranchState.h"
#include "project/FolderNames.h"
#include "project/Journal.h"

namespace velders {
namespace project {
namespace {

using mevcore::filesupport::Dir;
using mevcore::filesupport::Disk;

// The files the recovery rewrites are checked for links only: what else
// keeps them from being written is found by the write itself, whose own
// console line then says so.
enum class Kind { kFolder, kFile, kAny };

struct Part {
  const char* path;  // inside the project folder
  Kind kind;
  bool written;  // the recovery writes in it (a folder) or replaces it (a file)
};

// Every part of the folder a recovery reads, writes or renames.
const Part kParts[] = {
    {"git", Kind::kFolder, true},
    {"git/refs", Kind::kFolder, false},
    {"git/refs/heads", Kind::kFolder, true},
    {"git/refs/heads/production", Kind::kFile, false},
    {"git/odb.sqlite3", Kind::kFile, true},
    {"sync.sqlite3", Kind::kFile, false},
    {"sync.sqlite3-journal", Kind::kAny, false},
    {"sync.sqlite3-wal", Kind::kAny, false},
    {"sync.sqlite3-shm", Kind::kAny, false},
    {"deleted", Kind::kFile, false},
    {"pre_recovery_deleted", Kind::kAny, false},
    {"version", Kind::kAny, false},
    {"pre_recovery_version", Kind::kAny, false},
    {"recovery_info.txt", Kind::kAny, false},
};

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

std::optional<std::string> Unwritable(const std::string& path) {
  if (::access(path.c_str(), W_OK) == 0) return std::nullopt;
  return path + " cannot be written: " + std::strerror(errno);
}

std::optional<std::string> CheckPart(const std::string& path, const Part& part, bool* there) {
  struct stat info;
  *there = There(path, &info);
  if (!*there) return std::nullopt;
  if (S_ISLNK(info.st_mode)) return path + " is a symbolic link, which is not followed";
  if (part.kind == Kind::kAny) return std::nullopt;
  if (part.kind == Kind::kFolder && !S_ISDIR(info.st_mode)) return path + " is not a folder";
  if (part.kind == Kind::kFile && !S_ISREG(info.st_mode)) return path + " is not a regular file";
  return part.written ? Unwritable(path) : std::nullopt;
}

std::optional<std::string> AlreadyThere(const std::string& path) {
  if (!There(path)) return std::nullopt;
  return path + " is already there";
}

// The set-aside takes the names of the database and of all its companions:
// a companion under one of them, whoever left it, would join the database.
// A program writing it would go on writing the renamed files.
std::optional<std::string> SyncBlocker(const std::string& folder) {
  const std::string database = folder + "/sync.sqlite3";
  if (auto taken = AlreadyThere(folder + "/pre_recovery_sync.sqlite3")) return taken;
  for (const char* suffix : mevstorage::git::kCompanionSuffixes) {
    if (auto taken = AlreadyThere(folder + "/pre_recovery_sync.sqlite3" + suffix)) return taken;
  }
  try {
    if (!mevstorage::git::DatabaseBeingWritten(database)) return std::nullopt;
  } catch (const mevstorage::git::StorageError& error) {
    return std::string(error.what());
  }
  return database + " is in use by another program";
}

std::optional<std::string> Blocker(const Dir& project, const RecoveryPlan& plan) {
  const std::string folder = project.NativePath();
  if (auto blocker = Unwritable(folder)) return blocker;
  std::map<std::string, bool> there;
  for (const Part& part : kParts) {
    if (auto blocker = CheckPart(folder + "/" + part.path, part, &there[part.path])) {
      return blocker;
    }
  }
  const std::string lock = folder + "/git/refs/heads/production.lock";
  if (There(lock)) {
    return lock + " is there: another program is moving the branch, or one stopped part way";
  }
  if (there["deleted"] && there["pre_recovery_deleted"]) {
    return folder + "/pre_recovery_deleted is already there";
  }
  if (auto blocker = SyncBlocker(folder)) return blocker;
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

std::optional<std::string> FindBlocker(const Dir& project, const RecoveryPlan& plan) {
  try {
    return Blocker(project, plan);
  } catch (const mevcore::config::mev_exception& error) {
    return std::string(error.what());
  }
}

}  // namespace project
}  // namespace velders
