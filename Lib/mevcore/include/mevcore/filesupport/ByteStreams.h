#pragma once

#include <cstdint>
#include <string>

#include "mevcore/filesupport/File.h"

namespace mevcore {
namespace filesupport {

// Stream flags: 1 opens the whole file from its start.
enum : int { kStreamFromStart = 1 };

// Reads a file from its start. Throws config::mev_exception on failure; a
// path that names anything but a regular file is refused at once, without
// waiting on a FIFO ("... it is not a regular file").
class IPlatformByteStream {
 public:
  IPlatformByteStream(const File& file, int flags);
  ~IPlatformByteStream();
  IPlatformByteStream(const IPlatformByteStream&) = delete;
  IPlatformByteStream& operator=(const IPlatformByteStream&) = delete;

  std::uint64_t Length();
  // Reads exactly `count` bytes from the current position.
  void ReadBlock(void* buffer, std::uint32_t count);
  void Close();

 private:
  File file_;
  int fd_ = -1;
};

// Writes a file from its start without cutting it; Truncate cuts it.
// Throws config::mev_exception on failure; a path that names anything but a
// regular file is refused as by IPlatformByteStream.
class OPlatformByteStream {
 public:
  OPlatformByteStream(const File& file, int flags);
  ~OPlatformByteStream();
  OPlatformByteStream(const OPlatformByteStream&) = delete;
  OPlatformByteStream& operator=(const OPlatformByteStream&) = delete;

  // Writes all `count` bytes at the current position.
  void WriteBlock(const void* buffer, std::uint32_t count);
  // Cuts the file at `length`; with sync, makes its content durable too.
  void Truncate(std::uint64_t length, bool sync);
  void Close();

 private:
  File file_;
  int fd_ = -1;
};

// The whole content of the file, read through an IPlatformByteStream. The
// streams count in 32 bits, so a file of 4 GiB or more is refused rather
// than cut. Throws config::mev_exception naming the file.
std::string ReadWholeFile(const File& file);

}  // namespace filesupport
}  // namespace mevcore
