#include "DurableFiles.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace bench {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
  throw std::runtime_error("Unable to " + what + " " + path + ": " + std::strerror(error));
}

void WriteAll(int fd, const std::string& path, const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("write", path, errno);
    written += static_cast<std::size_t>(n);
  }
}

// Closes `fd` whatever happened; a failure of the close is the failure
// reported when nothing failed before it.
void CloseAfter(int fd, const std::string& path, int earlierError) {
  const int closed = ::close(fd);
  if (earlierError != 0) Fail("write", path, earlierError);
  if (closed != 0) Fail("close", path, errno);
}

}  // namespace

void WriteFileSynced(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Fail("create", path, errno);
  int error = 0;
  try {
    WriteAll(fd, path, bytes);
    if (::fsync(fd) != 0) error = errno;
  } catch (...) {
    ::close(fd);
    throw;
  }
  CloseAfter(fd, path, error);
}

void RenameAsideSynced(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0)
    Fail("rename", from + " to " + to, errno);
  SyncFolder(ParentFolder(to));
}

void RenameOverSynced(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) Fail("rename", from + " to " + to, errno);
  SyncFolder(ParentFolder(to));
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) Fail("open the folder", folder, errno);
  const int error = ::fsync(fd) != 0 ? errno : 0;
  ::close(fd);
  if (error != 0) Fail("sync the folder", folder, error);
}

bool PathExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

std::string ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("open", path, errno);
  std::string bytes;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : 0;
      ::close(fd);
      if (error != 0) Fail("read", path, error);
      return bytes;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

std::string ParentFolder(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace bench
