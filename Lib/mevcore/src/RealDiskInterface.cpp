#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "mevcore/filesupport/DiskInterface.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace mevcore {
namespace filesupport {
namespace {

// A path with a zero byte inside would silently name a shorter path.
bool IsUsablePath(const std::string& path) {
  if (path.empty()) {
    errno = ENOENT;
    return false;
  }
  if (path.find('\0') != std::string::npos) {
    errno = EINVAL;
    return false;
  }
  return true;
}

int AtomicRenameNoReplace(const std::string& from, const std::string& to) {
#if defined(__GLIBC__) && __GLIBC_PREREQ(2, 28)
  return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
#elif defined(SYS_renameat2)
  return static_cast<int>(
      syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE));
#else
  (void)from;
  (void)to;
  errno = ENOSYS;
  return -1;
#endif
}

// For file systems without an atomic no-replace rename: refuse when `to` is
// there, else rename. Another process could slip in between; nothing better
// is offered by such a file system.
int CheckedRename(const std::string& from, const std::string& to) {
  struct stat info;
  if (::lstat(to.c_str(), &info) == 0) {
    errno = EEXIST;
    return -1;
  }
  if (errno != ENOENT) return -1;
  return ::rename(from.c_str(), to.c_str());
}

bool IsDotEntry(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

int ReadEntries(DIR* folder, std::vector<DiskInterface::Entry>* entries) {
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(folder);
    if (entry == nullptr) return errno == 0 ? 0 : -1;
    if (!IsDotEntry(entry->d_name)) entries->push_back({entry->d_name, entry->d_type});
  }
}

}  // namespace

int RealDiskInterface::Open(const std::string& path, int flags, mode_t mode) {
  if (!IsUsablePath(path)) return -1;
  int fd;
  do {
    fd = ::open(path.c_str(), flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

ssize_t RealDiskInterface::Read(int fd, void* buffer, std::size_t count) {
  return ::read(fd, buffer, count);
}

ssize_t RealDiskInterface::Write(int fd, const void* buffer, std::size_t count) {
  return ::write(fd, buffer, count);
}

int RealDiskInterface::Fstat(int fd, struct stat* info) { return ::fstat(fd, info); }

int RealDiskInterface::Ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }

int RealDiskInterface::Fsync(int fd) { return ::fsync(fd); }

int RealDiskInterface::SyncFileSystem(int fd) { return ::syncfs(fd); }

int RealDiskInterface::StartWriteback(int fd) {
  return ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

int RealDiskInterface::Fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }

int RealDiskInterface::Fchown(int fd, uid_t owner, gid_t group) {
  return ::fchown(fd, owner, group);
}


int RealDiskInterface::Close(int fd) { return ::close(fd); }

int RealDiskInterface::Lstat(const std::string& path, struct stat* info) {
  if (!IsUsablePath(path)) return -1;
  return ::lstat(path.c_str(), info);
}

int RealDiskInterface::Stat(const std::string& path, struct stat* info) {
  if (!IsUsablePath(path)) return -1;
  return ::stat(path.c_str(), info);
}

int RealDiskInterface::Mkdir(const std::string& path, mode_t mode) {
  if (!IsUsablePath(path)) return -1;
  return ::mkdir(path.c_str(), mode);
}

int RealDiskInterface::RenameNoReplace(const std::string& from, const std::string& to) {
  if (!IsUsablePath(from) || !IsUsablePath(to)) return -1;
  if (AtomicRenameNoReplace(from, to) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  return CheckedRename(from, to);
}

int RealDiskInterface::Rename(const std::string& from, const std::string& to) {
  if (!IsUsablePath(from) || !IsUsablePath(to)) return -1;
  return ::rename(from.c_str(), to.c_str());
}

int RealDiskInterface::Remove(const std::string& path) {
  if (!IsUsablePath(path)) return -1;
  return ::unlink(path.c_str());
}

int RealDiskInterface::RemoveEmptyFolder(const std::string& path) {
  if (!IsUsablePath(path)) return -1;
  return ::rmdir(path.c_str());
}

int RealDiskInterface::ListDir(const std::string& path, std::vector<Entry>* entries) {
  entries->clear();
  if (!IsUsablePath(path)) return -1;
  DIR* folder = ::opendir(path.c_str());
  if (folder == nullptr) return -1;
  const int result = ReadEntries(folder, entries);
  const int error = errno;
  ::closedir(folder);
  errno = error;
  return result;
}

int RealDiskInterface::SyncDir(const std::string& path) {
  const int fd = Open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return -1;
  int result = ::fsync(fd);
  // Some file systems cannot sync a folder; their entries are as durable as
  // they get.
  if (result != 0 && errno == EINVAL) result = 0;
  const int error = errno;
  ::close(fd);
  errno = error;
  return result;
}

int RealDiskInterface::OpenAt(int folder, const std::string& name, int flags, mode_t mode) {
  if (!IsUsablePath(name)) return -1;
  int fd;
  do {
    fd = ::openat(folder, name.c_str(), flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int RealDiskInterface::MkdirAt(int folder, const std::string& name, mode_t mode) {
  if (!IsUsablePath(name)) return -1;
  return ::mkdirat(folder, name.c_str(), mode);
}

int RealDiskInterface::SymlinkAt(const std::string& target, int folder, const std::string& name) {
  if (!IsUsablePath(target) || !IsUsablePath(name)) return -1;
  return ::symlinkat(target.c_str(), folder, name.c_str());
}

int RealDiskInterface::LstatAt(int folder, const std::string& name, struct stat* info) {
  if (!IsUsablePath(name)) return -1;
  return ::fstatat(folder, name.c_str(), info, AT_SYMLINK_NOFOLLOW);
}

}  // namespace filesupport
}  // namespace mevcore
