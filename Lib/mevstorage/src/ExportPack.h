#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ExportPackEncode.h"

namespace mevstorage {
namespace git {

// Writes a pack (version 2) of objects encoded by ObjectEncoder, and its
// index, into a folder, as Git names them: pack-<the pack's checksum>.pack
// and .idx. No delta search is made: media blobs gain nothing from one, and
// memory then stays at one object's copy. The caller checks each object's
// content against its id before it is encoded; the index records the ids
// given. Throws StorageError naming the folder or file and the reason.
class PackWriter {
 public:
  // A pack that will hold exactly `count` objects, in `folder` (existing).
  PackWriter(const std::string& folder, std::uint64_t count);
  ~PackWriter();
  PackWriter(const PackWriter&) = delete;
  PackWriter& operator=(const PackWriter&) = delete;

  // Adds the objects encoded, which follow one another from the start of
  // their bytes. Objects come in ascending order of id, each id once.
  void Add(const EncodedObjects& encoded);
  // Ends the pack, writes its index, neither synced; the names of the pack and
  // its index, inside the folder.
  struct Written {
    std::string pack;
    std::string index;
    std::uint64_t packBytes = 0;
  };
  Written Finish();

 private:
  struct State;

  [[noreturn]] void Fail(const std::string& what) const;

  std::unique_ptr<State> state_;
};

}  // namespace git
}  // namespace mevstorage
