#include "hub/ExportTarget.h"

#include <sys/stat.h>

#include <cerrno>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"

namespace velders {
namespace hub {

namespace {

using mevcore::config::ThrowSystemError;
using mevcore::filesupport::Disk;

// More folders above a path than any file system nests.
constexpr int kDeepest = 4096;

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool SameEntry(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The nearest of the path and its parents that exists, and its status.
std::string NearestExisting(std::string path, struct stat* info) {
  while (Disk().Stat(path, info) != 0) {
    if (errno != ENOENT || path == "." || path == "/") ThrowSystemError("Unable to examine", path, errno);
    path = ParentOf(path);
  }
  return path;
}

}  // namespace

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The folder and each one above it, through "..", compared with the hub.
bool IsInside(const std::string& path, const mevcore::filesupport::Dir& hub) {
  struct stat hubInfo;
  if (Disk().Stat(hub.NativePath(), &hubInfo) != 0) return false;
  struct stat info;
  std::string folder = NearestExisting(path.empty() ? "." : path, &info);
  // No folder: nothing can be made in it, as MakeFolders says.
  if (!S_ISDIR(info.st_mode)) return false;
  for (int depth = 0; depth < kDeepest; ++depth) {
    if (SameEntry(info, hubInfo)) return true;
    folder += "/..";
    struct stat parent;
    if (Disk().Stat(folder, &parent) != 0) ThrowSystemError("Unable to examine", folder, errno);
    if (SameEntry(parent, info)) return false;
    info = parent;
  }
  return false;
}

void MakeFolders(const std::string& path) {
  struct stat info;
  if (Disk().Stat(path, &info) == 0) {
    if (!S_ISDIR(info.st_mode)) ThrowSystemError("Unable to export into", path, ENOTDIR);
    return;
  }
  if (errno != ENOENT) ThrowSystemError("Unable to examine", path, errno);
  const std::string parent = ParentOf(path);
  if (parent != path) MakeFolders(parent);
  if (Disk().Mkdir(path, 0755) != 0 && errno != EEXIST) {
    ThrowSystemError("Unable to make", path, errno);
  }
  if (Disk().SyncDir(parent) != 0) ThrowSystemError("Unable to sync", parent, errno);
}

}  // namespace hub
}  // namespace velders
