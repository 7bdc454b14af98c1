#include "ExportHashedFile.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "ExportFolder.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

namespace {

using mevcore::filesupport::Disk;

// Bytes gathered before each write: few calls, little memory.
constexpr std::size_t kPiece = 1u << 20;

}  // namespace

HashedFile::HashedFile(std::string path) : path_(std::move(path)), digest_(EVP_MD_CTX_new()) {
  if (!digest_ || EVP_DigestInit_ex(digest_.get(), EVP_sha1(), nullptr) != 1) {
    throw StorageError("Unable to write " + path_ + ": SHA-1 is not available");
  }
  fd_ = Disk().Open(path_, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd_ < 0) ThrowDiskError("create", path_, errno);
  pending_.reserve(kPiece);
}

HashedFile::~HashedFile() {
  if (fd_ >= 0) Disk().Close(fd_);
}

void HashedFile::Put(const void* bytes, std::size_t size) {
  if (EVP_DigestUpdate(digest_.get(), bytes, size) != 1) {
    throw StorageError("Unable to write " + path_ + ": SHA-1 failed");
  }
  size_ += size;
  const auto* from = static_cast<const unsigned char*>(bytes);
  // Bytes as many as the buffer holds go out as they are, without a copy.
  if (pending_.empty() && size >= kPiece) {
    WriteOut(from, size);
    return;
  }
  while (size > 0) {
    const std::size_t room = std::min(size, kPiece - pending_.size());
    pending_.insert(pending_.end(), from, from + room);
    from += room;
    size -= room;
    if (pending_.size() == kPiece) Flush();
  }
}

void HashedFile::Flush() {
  WriteOut(pending_.data(), pending_.size());
  pending_.clear();
}

void HashedFile::WriteOut(const unsigned char* bytes, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t put = Disk().Write(fd_, bytes + done, size - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) ThrowDiskError("write", path_, put < 0 ? errno : EIO);
    done += static_cast<std::size_t>(put);
  }
}

HashedFile::Checksum HashedFile::Finish() {
  Checksum checksum;
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(digest_.get(), checksum.data(), &length) != 1 ||
      length != checksum.size()) {
    throw StorageError("Unable to write " + path_ + ": SHA-1 failed");
  }
  pending_.insert(pending_.end(), checksum.begin(), checksum.end());
  size_ += checksum.size();
  Flush();
  if (Disk().Close(std::exchange(fd_, -1)) != 0) ThrowDiskError("write", path_, errno);
  return checksum;
}

}  // namespace git
}  // namespace mevstorage
