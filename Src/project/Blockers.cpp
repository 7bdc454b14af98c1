#include "project/Blockers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "mevcore/filesupport/DiskInterface.h"
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
    {"deleted", Kind::kFile, false},
    {"pre_recovery_deleted", Kind::kAny, false},
    {"version", Kind::kAny, false},
    {"pre_recovery_version", Kind::kAny, false},
    {"recovery_info.txt", Kind::kAny, false},
};

std::optional<std::string> CheckPart(const std::string& path, const Part& part) {
  struct stat info;
  if (Disk().Lstat(path, &info) != 0) {
    if (errno == ENOENT) return std::nullopt;
    return "Unable to examine " + path + ": " + std::strerror(errno);
  }
  if (S_ISLNK(info.st_mode)) return path + " is a symbolic link, which is not followed";
  if (part.kind == Kind::kAny) return std::nullopt;
  if (part.kind == Kind::kFolder && !S_ISDIR(info.st_mode)) return path + " is not a folder";
  if (part.kind == Kind::kFile && !S_ISREG(info.st_mode)) return path + " is not a regular file";
  if (part.written && ::access(path.c_str(), W_OK) != 0) {
    return path + " cannot be written: " + std::strerror(errno);
  }
  return std::nullopt;
}

std::optional<std::string> TakenName(const std::string& path) {
  struct stat info;
  if (Disk().Lstat(path, &info) == 0) return path + " is already there";
  if (errno == ENOENT) return std::nullopt;
  return "Unable to examine " + path + ": " + std::strerror(errno);
}

}  // namespace

std::optional<std::string> FindBlocker(const Dir& project, const RecoveryPlan& plan) {
  const std::string folder = project.NativePath();
  if (::access(folder.c_str(), W_OK) != 0) {
    return folder + " cannot be written: " + std::strerror(errno);
  }
  for (const Part& part : kParts) {
    if (auto blocker = CheckPart(folder + "/" + part.path, part)) return blocker;
  }
  const std::string lock = folder + "/git/refs/heads/production.lock";
  if (TakenName(lock)) {
    return lock + " is there: another program is moving the branch, or one stopped part way";
  }
  if (TakenName(folder + "/deleted")) {
    if (auto taken = TakenName(folder + "/pre_recovery_deleted")) return taken;
  }
  if (plan.keepProduction) {
    if (auto taken = TakenName(folder + "/git/" + kKeptProductionReference)) return taken;
  }
  if (plan.promote) {
    const std::string parent = project.Parent().NativePath();
    if (auto taken = TakenName(Dir(project.Parent(), PromotedName(project.GetName())).NativePath())) {
      return taken;
    }
    if (::access(parent.c_str(), W_OK) != 0) {
      return parent + " cannot be written: " + std::strerror(errno);
    }
  }
  return std::nullopt;
}

}  // namespace project
}  // namespace velders
