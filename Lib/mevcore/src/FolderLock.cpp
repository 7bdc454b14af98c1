#include "mevcore/filesupport/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <sstream>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"

namespace mevcore {
namespace filesupport {

namespace {

// The whole text of a file of /proc, whose size the system does not give;
// empty when it cannot be read.
std::string ReadProcFile(const std::string& path) {
  const int fd = Disk().Open(path, O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return std::string();
  std::string text;
  char buffer[4096];
  ssize_t got;
  while ((got = Disk().Read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, got);
  Disk().Close(fd);
  return got < 0 ? std::string() : text;
}

// The process of the line of /proc/locks ("1: FLOCK  ADVISORY  WRITE <pid>
// <major>:<minor>:<inode> 0 EOF", major and minor in hex) that locks the
// entry; 0 when the line is another lock, or a process waiting for one.
pid_t FlockHolderOf(const std::string& line, const struct stat& entry) {
  std::istringstream fields(line);
  std::string number, kind, mode, access, where;
  long pid = 0;
  if (!(fields >> number >> kind >> mode >> access >> pid >> where) || kind != "FLOCK") return 0;
  unsigned deviceMajor = 0, deviceMinor = 0;
  unsigned long long inode = 0;
  if (std::sscanf(where.c_str(), "%x:%x:%llu", &deviceMajor, &deviceMinor, &inode) != 3) return 0;
  const bool same = deviceMajor == major(entry.st_dev) && deviceMinor == minor(entry.st_dev) &&
                    inode == static_cast<unsigned long long>(entry.st_ino);
  return same && pid > 0 ? static_cast<pid_t>(pid) : 0;
}

std::string WithoutNewline(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace

std::unique_ptr<FolderLock> FolderLock::TryHold(const Dir& folder) {
  const int fd = Disk().Open(folder.NativePath(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) config::ThrowSystemError("Unable to open", folder.NativePath(), errno);
  int result;
  do {
    result = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) return std::unique_ptr<FolderLock>(new FolderLock(fd));
  const int error = errno;
  Disk().Close(fd);
  if (error == EWOULDBLOCK) return nullptr;
  config::ThrowSystemError("Unable to lock", folder.NativePath(), error);
}

FolderLockHolder FolderLock::HolderOf(const Dir& folder) {
  FolderLockHolder holder;
  struct stat entry;
  if (Disk().Stat(folder.NativePath(), &entry) != 0) return holder;
  std::istringstream lines(ReadProcFile("/proc/locks"));
  for (std::string line; std::getline(lines, line) && holder.pid == 0;) {
    holder.pid = FlockHolderOf(line, entry);
  }
  if (holder.pid != 0) {
    holder.program = WithoutNewline(ReadProcFile("/proc/" + std::to_string(holder.pid) + "/comm"));
  }
  return holder;
}

// Closed directly, not through Disk(): the lock must go with the object,
// whatever a test's disk does with the call.
FolderLock::~FolderLock() { ::close(fd_); }

}  // namespace filesupport
}  // namespace mevcore
