#include "ExportFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <vector>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevstorage/git/Export.h"

namespace mevstorage {
namespace git {

namespace {

using mevcore::filesupport::Disk;
using mevcore::filesupport::DiskInterface;

constexpr int kTemporaryAttempts = 100;

int WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = Disk().Write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return put < 0 ? errno : EIO;
    done += static_cast<std::size_t>(put);
  }
  return 0;
}

bool IsFolder(const std::string& path, const DiskInterface::Entry& entry, int* error) {
  if (entry.type != DT_UNKNOWN) return entry.type == DT_DIR;
  struct stat info;
  if (Disk().Lstat(path, &info) == 0) return S_ISDIR(info.st_mode);
  *error = errno;
  return false;
}

}  // namespace

void ThrowDiskError(const std::string& what, const std::string& path, int error) {
  throw StorageError("Unable to " + what + " " + path + ": " +
                     mevcore::config::ErrorText(error));
}

// The number keeps the names of one process apart; the process id those of
// processes, and it tells a later export whether the maker is gone.
std::string MakeExportTemporary(const std::string& folder, const std::string& name) {
  static std::atomic<unsigned> next{0};
  for (int attempt = 0;; ++attempt) {
    const std::string path = folder + "/." + name + kExportingMarker +
                             std::to_string(::getpid()) + "-" + std::to_string(next++);
    if (Disk().Mkdir(path, 0755) == 0) return path;
    if (errno != EEXIST || attempt == kTemporaryAttempts) ThrowDiskError("make", path, errno);
  }
}

void MakeFolder(const std::string& path) {
  if (Disk().Mkdir(path, 0755) != 0) ThrowDiskError("make", path, errno);
}

void WriteNewFile(const std::string& path, const std::string& bytes) {
  const int fd = Disk().Open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) ThrowDiskError("create", path, errno);
  const int error = WriteAll(fd, bytes);
  if (error != 0) {
    Disk().Close(fd);
    ThrowDiskError("write", path, error);
  }
  if (Disk().Close(fd) != 0) ThrowDiskError("write", path, errno);
}

int RemoveTree(const std::string& path, std::string* failedPath) {
  int first = 0;
  const auto note = [&](const std::string& where, int error) {
    if (first == 0) {
      first = error;
      *failedPath = where;
    }
  };
  std::vector<DiskInterface::Entry> entries;
  if (Disk().ListDir(path, &entries) != 0) note(path, errno);
  for (const DiskInterface::Entry& entry : entries) {
    const std::string child = path + "/" + entry.name;
    int error = 0;
    std::string where;
    if (IsFolder(child, entry, &error)) {
      error = RemoveTree(child, &where);
    } else if (error == 0 && Disk().Remove(child) != 0) {
      error = errno;
      where = child;
    }
    if (error != 0) note(where.empty() ? child : where, error);
  }
  if (Disk().RemoveEmptyFolder(path) != 0) note(path, errno);
  return first;
}

void PutInPlace(const std::string& temporary, const std::string& target) {
  if (Disk().RenameNoReplace(temporary, target) != 0) {
    const int error = errno;
    if (error == EEXIST) throw ExportTargetExists(target + " exists; nothing was written");
    ThrowDiskError("rename " + temporary + " to", target, error);
  }
}

}  // namespace git
}  // namespace mevstorage
