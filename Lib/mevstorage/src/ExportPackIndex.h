#pragma once

#include <git2.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ExportHashedFile.h"

namespace mevstorage {
namespace git {

// Where one object of a pack lies, and the CRC-32 of its bytes there
// (header and compressed content).
struct PackedObject {
  git_oid id;
  std::uint32_t crc;
  std::uint64_t offset;
};

// Writes the index (version 2) of a pack as Git reads it: the fan-out
// table, the ids in ascending order, their CRC-32s, their offsets (those
// from 2 GiB on in a table of 64-bit offsets), the pack's checksum, and the
// index's own. `objects` must be in ascending order of id, each id once.
// Throws StorageError as HashedFile does.
void WritePackIndex(const std::string& path, const std::vector<PackedObject>& objects,
                    const HashedFile::Checksum& packChecksum);

}  // namespace git
}  // namespace mevstorage
