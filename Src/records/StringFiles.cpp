#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <string>

#include "Model/Utils.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/ByteStreams.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/utility/FileUtils.h"
#include "platform/ReportSites.h"

namespace YondraLocalHub {

using mevcore::config::mev_exception;
using mevcore::config::ThrowSystemError;
using mevcore::filesupport::Disk;
using mevcore::filesupport::Dir;
using mevcore::filesupport::File;
using mevcore::utility::ImmutableString;
using mevcore::utility::UTF8String;

namespace {

constexpr int kTemporaryAttempts = 100;
constexpr mode_t kNewFileMode = 0644;

// The byte streams count in 32 bits; a longer file or text would be cut
// silently, so it is refused as a failure of the file.
std::uint32_t StreamLength(std::uint64_t length, const File& file, const char* action) {
  if (length > std::numeric_limits<std::uint32_t>::max())
    throw mev_exception(std::string("Unable to ") + action + " " + file.FullPathMultiByte() +
                        ": 4 GiB or more at once is not supported");
  return static_cast<std::uint32_t>(length);
}

ImmutableString ReadWholeFile(const File& file) {
  if (!file.Exists()) return ImmutableString();
  mevcore::filesupport::IPlatformByteStream stream(file, mevcore::filesupport::kStreamFromStart);
  UTF8String text(StreamLength(stream.Length(), file, "read"), 0);
  if (!text.empty()) stream.ReadBlock(&text[0], static_cast<std::uint32_t>(text.size()));
  stream.Close();
  return ImmutableString::CreateDynamic(text);
}

std::string TemporaryName(const std::string& path, int attempt) {
  const std::size_t slash = path.rfind('/') + 1;
  return path.substr(0, slash) + "." + path.substr(slash) + ".writing-" +
         std::to_string(::getpid()) + "-" + std::to_string(attempt);
}

// A new file beside `path` that no one else has: an existing one, even our
// own left by a crash, is never reused.
int OpenTemporary(const std::string& path, mode_t mode, std::string* temporary) {
  for (int attempt = 0;; ++attempt) {
    *temporary = TemporaryName(path, attempt);
    const int fd = Disk().Open(*temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST || attempt == kTemporaryAttempts) return fd;
  }
}

void WriteAll(int fd, const UTF8String& content, std::uint32_t length,
              const std::string& temporary) {
  std::uint32_t done = 0;
  while (done < length) {
    const ssize_t put = Disk().Write(fd, content.data() + done, length - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) ThrowSystemError("Unable to write", temporary, put < 0 ? errno : EIO);
    done += static_cast<std::uint32_t>(put);
  }
  if (Disk().Fsync(fd) != 0) ThrowSystemError("Unable to sync", temporary, errno);
}

// Fills the temporary file and puts it in place of `path`; removes it when
// any step fails.
void ReplaceWith(const std::string& path, mode_t mode, const UTF8String& content,
                 std::uint32_t length) {
  std::string temporary;
  const int fd = OpenTemporary(path, mode, &temporary);
  if (fd < 0) ThrowSystemError("Unable to create", temporary, errno);
  try {
    try {
      WriteAll(fd, content, length, temporary);
    } catch (const mev_exception&) {
      Disk().Close(fd);
      throw;
    }
    if (Disk().Close(fd) != 0) ThrowSystemError("Unable to close", temporary, errno);
    if (Disk().Rename(temporary, path) != 0) {
      ThrowSystemError("Unable to rename", temporary + " to " + path, errno);
    }
  } catch (const mev_exception&) {
    Disk().Remove(temporary);
    throw;
  }
}

// The permissions the file has now, so that replacing it keeps them.
mode_t ModeOf(const File& file) {
  struct stat info;
  if (Disk().Stat(file.NativePath(), &info) != 0) {
    ThrowSystemError("Unable to examine", file.NativePath(), errno);
  }
  return info.st_mode & 07777;
}

// An existing file is opened for writing and closed again, so that one the
// user may not write is refused rather than replaced.
void CheckWritable(const File& file) {
  const int fd = Disk().Open(file.NativePath(), O_WRONLY | O_CLOEXEC, 0);
  if (fd < 0) ThrowSystemError("Unable to open", file.NativePath(), errno);
  if (Disk().Close(fd) != 0) ThrowSystemError("Unable to close", file.NativePath(), errno);
}

// The file is replaced whole or not at all: the content goes to a new file
// in the same folder, is synced, and is renamed over the file, and the
// folder is synced. A crash or a failure at any point leaves the old
// content or the new, never a part, and a missing file missing or whole.
bool WriteWholeFile(File& file, const UTF8String& content) {
  const Dir parent = Dir(file.FullPath()).Parent();
  if (!mevcore::utility::FileUtils::EnsureDirectoryExists(parent.FullPath())) return false;
  const std::uint32_t length = StreamLength(content.size(), file, "write");
  const bool exists = file.Exists();
  if (exists) CheckWritable(file);
  ReplaceWith(file.NativePath(), exists ? ModeOf(file) : kNewFileMode, content, length);
  if (Disk().SyncDir(parent.NativePath()) != 0) {
    ThrowSystemError("Unable to sync", parent.NativePath(), errno);
  }
  return true;
}

}  // namespace

ImmutableString ReadStringFile(const File& file) {
  try {
    return ReadWholeFile(file);
  } catch (const mev_exception& error) {
    velders::Report(velders::sites::readStringFileFailed,
                    {{"exception", error.what()}, {"path", file.FullPath()}});
    return ImmutableString();
  }
}

bool WriteStringFile(File file, const UTF8String& content) {
  try {
    return WriteWholeFile(file, content);
  } catch (const mev_exception& error) {
    velders::Report(velders::sites::writeStringFileFailed,
                    {{"exception", error.what()}, {"path", file.FullPath()}});
    return false;
  }
}

}  // namespace YondraLocalHub
