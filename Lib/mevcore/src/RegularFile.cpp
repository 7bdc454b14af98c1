#include "mevcore/filesupport/RegularFile.h"

#include <fcntl.h>

#include <cerrno>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"

namespace mevcore {
namespace filesupport {
namespace {

// 0 when the open descriptor may be handed out, else the errno to fail with.
int CheckOpened(int fd, struct stat* info) {
  if (Disk().Fstat(fd, info) != 0) return errno;
  // O_NONBLOCK stays set: it only kept the open from waiting on a FIFO, and
  // on a regular file it changes nothing.
  return S_ISREG(info->st_mode) ? 0 : config::kNotRegularFile;
}

}  // namespace

int OpenRegularFile(const std::string& path, int flags, mode_t mode, struct stat* info) {
  const int fd = Disk().Open(path, flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
  if (fd < 0) {
    // Only a file that is not regular refuses an open with ENXIO: a FIFO that
    // no one reads (opened for writing), a socket, a device without its
    // hardware.
    if (errno == ENXIO) errno = config::kNotRegularFile;
    return -1;
  }
  struct stat own;
  const int error = CheckOpened(fd, info != nullptr ? info : &own);
  if (error == 0) return fd;
  Disk().Close(fd);
  errno = error;
  return -1;
}

}  // namespace filesupport
}  // namespace mevcore
