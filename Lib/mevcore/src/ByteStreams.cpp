#include "mevcore/filesupport/ByteStreams.h"

#include <fcntl.h>

#include <cerrno>
#include <limits>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/filesupport/RegularFile.h"

namespace mevcore {
namespace filesupport {
namespace {

constexpr mode_t kNewFileMode = 0644;

int OpenStream(const File& file, int flags, int openFlags, const char* purpose) {
  const std::string& path = file.NativePath();
  if (flags != kStreamFromStart) {
    throw config::mev_exception("Unable to open " + path + " for " + purpose +
                                ": unsupported stream flags " + std::to_string(flags), EINVAL);
  }
  const int fd = OpenRegularFile(path, openFlags, kNewFileMode);
  if (fd < 0) config::ThrowSystemError("Unable to open", path + " for " + purpose, errno);
  return fd;
}

void CloseStream(int* fd, const File& file) {
  if (*fd < 0) return;
  const int open = *fd;
  *fd = -1;
  if (Disk().Close(open) != 0) config::ThrowSystemError("Unable to close", file.NativePath(), errno);
}

void CloseQuietly(int fd) {
  if (fd >= 0) Disk().Close(fd);
}

int CheckedFd(int fd, const File& file) {
  if (fd < 0) throw config::mev_exception("The stream on " + file.NativePath() + " is closed", EBADF);
  return fd;
}

}  // namespace

IPlatformByteStream::IPlatformByteStream(const File& file, int flags)
    : file_(file), fd_(OpenStream(file, flags, O_RDONLY, "reading")) {}

IPlatformByteStream::~IPlatformByteStream() { CloseQuietly(fd_); }

std::uint64_t IPlatformByteStream::Length() {
  struct stat info;
  if (Disk().Fstat(CheckedFd(fd_, file_), &info) != 0) {
    config::ThrowSystemError("Unable to get the length of", file_.NativePath(), errno);
  }
  return static_cast<std::uint64_t>(info.st_size);
}

void IPlatformByteStream::ReadBlock(void* buffer, std::uint32_t count) {
  const int fd = CheckedFd(fd_, file_);
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t got = Disk().Read(fd, bytes + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) config::ThrowSystemError("Unable to read", file_.NativePath(), errno);
    if (got == 0) {
      throw config::mev_exception("Unable to read " + file_.NativePath() + ": the file ends after " +
                                  std::to_string(done) + " of " + std::to_string(count) + " bytes");
    }
    done += static_cast<std::uint32_t>(got);
  }
}

void IPlatformByteStream::Close() { CloseStream(&fd_, file_); }

OPlatformByteStream::OPlatformByteStream(const File& file, int flags)
    : file_(file), fd_(OpenStream(file, flags, O_WRONLY | O_CREAT, "writing")) {}

OPlatformByteStream::~OPlatformByteStream() { CloseQuietly(fd_); }

void OPlatformByteStream::WriteBlock(const void* buffer, std::uint32_t count) {
  const int fd = CheckedFd(fd_, file_);
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t put = Disk().Write(fd, bytes + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) config::ThrowSystemError("Unable to write", file_.NativePath(), put < 0 ? errno : EIO);
    done += static_cast<std::uint32_t>(put);
  }
}

void OPlatformByteStream::Truncate(std::uint64_t length, bool sync) {
  const int fd = CheckedFd(fd_, file_);
  const std::string& path = file_.NativePath();
  if (length > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
    config::ThrowSystemError("Unable to truncate", path, EFBIG);
  }
  if (Disk().Ftruncate(fd, static_cast<off_t>(length)) != 0) {
    config::ThrowSystemError("Unable to truncate", path, errno);
  }
  if (sync && Disk().Fsync(fd) != 0) config::ThrowSystemError("Unable to sync", path, errno);
}

void OPlatformByteStream::Close() { CloseStream(&fd_, file_); }

std::string ReadWholeFile(const File& file) {
  IPlatformByteStream stream(file, kStreamFromStart);
  const std::uint64_t length = stream.Length();
  if (length > std::numeric_limits<std::uint32_t>::max()) {
    throw config::mev_exception("Unable to read " + file.FullPathMultiByte() +
                                ": 4 GiB or more at once is not supported");
  }
  std::string bytes(length, '\0');
  if (!bytes.empty()) stream.ReadBlock(&bytes[0], static_cast<std::uint32_t>(length));
  stream.Close();
  return bytes;
}

}  // namespace filesupport
}  // namespace mevcore
