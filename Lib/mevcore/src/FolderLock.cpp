#include "mevcore/filesupport/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "mevcore/config/Exception.h"

namespace mevcore {
namespace filesupport {

std::unique_ptr<FolderLock> FolderLock::TryHold(const Dir& folder) {
  const int fd = ::open(folder.NativePath().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) config::ThrowSystemError("Unable to open", folder.NativePath(), errno);
  int result;
  do {
    result = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) return std::unique_ptr<FolderLock>(new FolderLock(fd));
  const int error = errno;
  ::close(fd);
  if (error == EWOULDBLOCK) return nullptr;
  config::ThrowSystemError("Unable to lock", folder.NativePath(), error);
}

FolderLock::~FolderLock() { ::close(fd_); }

}  // namespace filesupport
}  // namespace mevcore
