#include "ExportPackIndex.h"

namespace mevstorage {
namespace git {

namespace {

constexpr unsigned char kIndexHeader[8] = {0xff, 't', 'O', 'c', 0, 0, 0, 2};
// An offset at or past this goes into the table of 64-bit offsets; the
// 32-bit entry then holds its place there, with the high bit set.
constexpr std::uint64_t kLargeOffset = 0x80000000u;

void PutBigEndian32(HashedFile& file, std::uint32_t value) {
  const unsigned char bytes[4] = {static_cast<unsigned char>(value >> 24),
                                  static_cast<unsigned char>(value >> 16),
                                  static_cast<unsigned char>(value >> 8),
                                  static_cast<unsigned char>(value)};
  file.Put(bytes, sizeof bytes);
}

void PutFanOut(HashedFile& file, const std::vector<PackedObject>& objects) {
  std::uint32_t counts[256] = {};
  for (const PackedObject& object : objects) ++counts[object.id.id[0]];
  std::uint32_t upTo = 0;
  for (std::uint32_t count : counts) {
    upTo += count;
    PutBigEndian32(file, upTo);
  }
}

void PutOffsets(HashedFile& file, const std::vector<PackedObject>& objects) {
  std::uint32_t large = 0;
  for (const PackedObject& object : objects) {
    const bool isLarge = object.offset >= kLargeOffset;
    PutBigEndian32(file, isLarge ? static_cast<std::uint32_t>(kLargeOffset) | large++
                                 : static_cast<std::uint32_t>(object.offset));
  }
  for (const PackedObject& object : objects) {
    if (object.offset < kLargeOffset) continue;
    PutBigEndian32(file, static_cast<std::uint32_t>(object.offset >> 32));
    PutBigEndian32(file, static_cast<std::uint32_t>(object.offset));
  }
}

}  // namespace

void WritePackIndex(const std::string& path, const std::vector<PackedObject>& objects,
                    const HashedFile::Checksum& packChecksum) {
  HashedFile file(path);
  file.Put(kIndexHeader, sizeof kIndexHeader);
  PutFanOut(file, objects);
  for (const PackedObject& object : objects) file.Put(object.id.id, GIT_OID_RAWSZ);
  for (const PackedObject& object : objects) PutBigEndian32(file, object.crc);
  PutOffsets(file, objects);
  file.Put(packChecksum.data(), packChecksum.size());
  file.Finish();
}

}  // namespace git
}  // namespace mevstorage
