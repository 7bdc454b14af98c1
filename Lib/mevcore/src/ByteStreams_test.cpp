#include "mevcore/filesupport/ByteStreams.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "FileTesting.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/FaultInjectingDisk.h"

namespace mevcore {
namespace filesupport {
namespace {

using config::mev_exception;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// Moves at most two bytes a call and is interrupted every other call, as a
// slow or signalled system may be.
class ChoppyDisk : public RealDiskInterface {
 public:
  ssize_t Read(int fd, void* buffer, std::size_t count) override {
    if (Interrupt()) return -1;
    return RealDiskInterface::Read(fd, buffer, std::min<std::size_t>(count, 2));
  }
  ssize_t Write(int fd, const void* buffer, std::size_t count) override {
    if (Interrupt()) return -1;
    return RealDiskInterface::Write(fd, buffer, std::min<std::size_t>(count, 2));
  }

 private:
  bool Interrupt() {
    interrupted_ = !interrupted_;
    if (interrupted_) errno = EINTR;
    return interrupted_;
  }
  bool interrupted_ = false;
};

std::string ReadWhole(const File& file) {
  IPlatformByteStream in(file, kStreamFromStart);
  std::string bytes(in.Length(), '\0');
  in.ReadBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  in.Close();
  return bytes;
}

void WriteWhole(const File& file, const std::string& bytes) {
  OPlatformByteStream out(file, kStreamFromStart);
  out.WriteBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  out.Truncate(bytes.size(), true);
  out.Close();
}

TEST(ByteStreams, ReadGivesTheFileExactly) {
  TempFolder temp;
  const std::string content("line one\r\n\xEF\xBB\xBFzero\0byte", 23);
  WriteBytes(temp / "data", content);
  EXPECT_EQ(ReadWhole(File::FromNativePath(temp / "data")), content);
}

TEST(ByteStreams, ShorterWriteOverLongerThenTruncateLeavesOnlyTheNew) {
  TempFolder temp;
  WriteBytes(temp / "version", "0123456789 previous content");
  const File file = File::FromNativePath(temp / "version");
  {
    OPlatformByteStream out(file, kStreamFromStart);
    out.WriteBlock("short", 5);
    EXPECT_EQ(ReadBytes(temp / "version"), "short56789 previous content");
    out.Truncate(5, false);
  }
  EXPECT_EQ(ReadBytes(temp / "version"), "short");
}

TEST(ByteStreams, WriteMakesAMissingFileWithReadableMode) {
  TempFolder temp;
  WriteWhole(File::FromNativePath(temp / "new.txt"), "fresh");
  EXPECT_EQ(ReadBytes(temp / "new.txt"), "fresh");
  struct stat info;
  ASSERT_EQ(::stat((temp / "new.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0600, 0600u);
  EXPECT_EQ(info.st_mode & 0111, 0u);
}

TEST(ByteStreams, ShortAndInterruptedTransfersAreCompleted) {
  TempFolder temp;
  const File file = File::FromNativePath(temp / "choppy");
  ChoppyDisk choppy;
  ScopedDisk scoped(choppy);
  WriteWhole(file, "0123456789abcdef");
  EXPECT_EQ(ReadBytes(temp / "choppy"), "0123456789abcdef");
  EXPECT_EQ(ReadWhole(file), "0123456789abcdef");
}

TEST(ByteStreams, EndOfFileBeforeTheCountIsAnError) {
  TempFolder temp;
  WriteBytes(temp / "short", "abc");
  IPlatformByteStream in(File::FromNativePath(temp / "short"), kStreamFromStart);
  char buffer[8];
  try {
    in.ReadBlock(buffer, sizeof buffer);
    FAIL() << "a short file filled the buffer";
  } catch (const mev_exception& error) {
    EXPECT_EQ(std::string(error.what()),
              "Unable to read " + (temp / "short") + ": the file ends after 3 of 8 bytes");
  }
}

TEST(ByteStreams, OpenFailuresNameThePathAndTheReason) {
  TempFolder temp;
  try {
    IPlatformByteStream in(File::FromNativePath(temp / "missing"), kStreamFromStart);
    FAIL() << "a missing file was opened";
  } catch (const mev_exception& error) {
    EXPECT_EQ(error.error(), ENOENT);
    EXPECT_EQ(std::string(error.what()),
              "Unable to open " + (temp / "missing") + " for reading: No such file or directory");
  }
  try {
    OPlatformByteStream out(File::FromNativePath(temp.Path()), kStreamFromStart);
    FAIL() << "a folder was opened for writing";
  } catch (const mev_exception& error) {
    EXPECT_EQ(std::string(error.what()),
              "Unable to open " + temp.Path() + " for writing: Is a directory");
  }
  EXPECT_THROW(IPlatformByteStream(File::FromNativePath(temp.Path()), 0), mev_exception);
}

// A FIFO would block an open until a peer comes, and then feed the stream
// whatever the peer sends; it is refused at once, read or write, with a
// reader on the other side or without.
TEST(ByteStreams, NonRegularFilesAreRefusedWithoutWaiting) {
  TempFolder temp;
  const std::string fifo = temp / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  File file = File::FromNativePath(fifo);
  const std::string refused = ": it is not a regular file";
  try {
    IPlatformByteStream in(file, kStreamFromStart);
    FAIL() << "a FIFO was opened for reading";
  } catch (const mev_exception& error) {
    EXPECT_EQ(error.error(), config::kNotRegularFile);
    EXPECT_EQ(std::string(error.what()), "Unable to open " + fifo + " for reading" + refused);
  }
  EXPECT_THROW(OPlatformByteStream(file, kStreamFromStart), mev_exception);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_THROW(OPlatformByteStream(file, kStreamFromStart), mev_exception);
  EXPECT_THROW(file.Create(false), mev_exception);
  ::close(reader);
  EXPECT_THROW(file.Length(), mev_exception);
  EXPECT_THROW(IPlatformByteStream(File::FromNativePath("/dev/null"), kStreamFromStart),
               mev_exception);
}

TEST(ByteStreams, FailuresAfterOpeningAreReported) {
  TempFolder temp;
  WriteBytes(temp / "f", "content");
  const File file = File::FromNativePath(temp / "f");
  RealDiskInterface real;
  for (std::uint64_t call = 2; call <= 5; ++call) {  // write, truncate, sync, close
    FaultInjectingDisk faulty(real);
    faulty.FailCall(call, EIO);
    ScopedDisk scoped(faulty);
    try {
      WriteWhole(file, "new");
      FAIL() << "call " << call << " failed unnoticed";
    } catch (const mev_exception& error) {
      EXPECT_EQ(error.error(), EIO) << call;
      EXPECT_NE(std::string(error.what()).find(temp / "f"), std::string::npos) << error.what();
    }
  }
}

TEST(ByteStreams, UseAfterCloseIsAnError) {
  TempFolder temp;
  OPlatformByteStream out(File::FromNativePath(temp / "f"), kStreamFromStart);
  out.Close();
  out.Close();
  EXPECT_THROW(out.WriteBlock("x", 1), mev_exception);
}

}  // namespace
}  // namespace filesupport
}  // namespace mevcore
