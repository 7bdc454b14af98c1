#pragma once

#include <git2.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace mevstorage {
namespace git {

// One object as a pack holds it, undeltified: its header (type and size),
// then its content deflated, at `offset` in its EncodedObjects' bytes; and
// the CRC-32 of those bytes, which the pack's index records.
struct EncodedObject {
  git_oid id;
  std::size_t offset = 0;
  std::size_t length = 0;
  std::uint32_t crc = 0;
  std::uint64_t contentSize = 0;  // before encoding
};

// Objects encoded one after another into one buffer, which is kept from one
// batch to the next: `bytes` only grows (its first `used` bytes hold the
// objects), so that it is neither allocated nor cleared again.
struct EncodedObjects {
  std::vector<unsigned char> bytes;
  std::size_t used = 0;
  std::vector<EncodedObject> objects;

  const unsigned char* BytesOf(const EncodedObject& object) const {
    return bytes.data() + object.offset;
  }
  void Clear() {
    used = 0;
    objects.clear();
  }
};

// Encodes objects for a pack, keeping zlib's state from one to the next.
// Content is deflated at zlib's fastest level, or stored (level 0) when a
// sample of it does not shrink; a pack allows any level. Touches no file:
// one encoder a thread. Throws StorageError when zlib fails.
class ObjectEncoder {
 public:
  ObjectEncoder() = default;
  ~ObjectEncoder();
  ObjectEncoder(const ObjectEncoder&) = delete;
  ObjectEncoder& operator=(const ObjectEncoder&) = delete;

  // Appends the object to `out`. `progress`, when set, is called with the
  // number of the content's bytes done so far, as it goes.
  void Encode(const git_oid& id, git_object_t type, const void* data, std::size_t size,
              EncodedObjects& out, const std::function<void(std::uint64_t)>& progress = nullptr);

 private:
  z_stream* Begin(bool shrinks);
  void Deflate(z_stream* stream, const void* data, std::size_t size, EncodedObjects& out,
               const std::function<void(std::uint64_t)>& progress);

  z_stream fastest_{};
  z_stream stored_{};
  bool fastestStarted_ = false;
  bool storedStarted_ = false;
};

}  // namespace git
}  // namespace mevstorage
