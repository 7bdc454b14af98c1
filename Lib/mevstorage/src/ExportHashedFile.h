#pragma once

#include <openssl/evp.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mevstorage {
namespace git {

// A new file written through Disk() in large pieces, ending with the SHA-1
// of everything before it, as a pack and a pack index both end; not synced
// (ExportGroup syncs the file system once for all its exports). Throws
// StorageError "Unable to <what> <path>: <reason>" on failure; a file cut
// short is closed, and left to the caller's temporary folder.
class HashedFile {
 public:
  using Checksum = std::array<unsigned char, 20>;

  // Creates `path`, which must not exist.
  explicit HashedFile(std::string path);
  ~HashedFile();
  HashedFile(const HashedFile&) = delete;
  HashedFile& operator=(const HashedFile&) = delete;

  void Put(const void* bytes, std::size_t size);
  // The number of bytes put so far.
  std::uint64_t Size() const { return size_; }
  // Appends the checksum, then writes and closes the file; the
  // checksum. Nothing may be put afterwards.
  Checksum Finish();

 private:
  void Flush();
  void WriteOut(const unsigned char* bytes, std::size_t size);

  struct DigestFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
  };

  std::string path_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::unique_ptr<EVP_MD_CTX, DigestFree> digest_;
  std::vector<unsigned char> pending_;
};

}  // namespace git
}  // namespace mevstorage
