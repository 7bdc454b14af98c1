#pragma once

#include <git2.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace mevstorage {
namespace git {

// Writes a pack of undeltified objects and its index into a folder, through
// libgit2's indexer, which checks the stream as it comes: each object is
// hashed again from its inflated content, and the trailing SHA-1 must match
// the stream. No delta search is made: media blobs gain nothing from one,
// and memory then stays at one object's copy. Objects are deflated at
// zlib's fastest level, or stored (level 0) when a sample of them does not
// shrink; a pack allows any level.
// Throws StorageError naming the folder and the reason.
class PackWriter {
 public:
  // A pack that will hold exactly `count` objects, in `folder` (existing).
  PackWriter(const std::string& folder, std::uint64_t count);
  ~PackWriter();
  PackWriter(const PackWriter&) = delete;
  PackWriter& operator=(const PackWriter&) = delete;

  // Called, when set, as an object's content is compressed, with the number
  // of its bytes done so far: a large object shows progress within it.
  void SetObjectProgress(std::function<void(std::uint64_t)> progress);

  void Add(git_object_t type, const void* data, std::size_t size);
  // Ends the stream and lets the indexer write the index. The names of the
  // pack and its index, inside the folder.
  struct Written {
    std::string pack;
    std::string index;
    std::uint64_t packBytes = 0;
  };
  Written Finish();

 private:
  struct State;

  void Put(const void* bytes, std::size_t size);
  void Flush();
  void Deflate(const void* data, std::size_t size);
  [[noreturn]] void Fail(const std::string& what) const;

  std::unique_ptr<State> state_;
};

}  // namespace git
}  // namespace mevstorage
