#include "ExportPack.h"

#include <cerrno>
#include <limits>
#include <vector>

#include "ExportFolder.h"
#include "ExportHashedFile.h"
#include "ExportPackIndex.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevstorage/git/References.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

namespace {

constexpr unsigned char kPackVersion = 2;
// The pack's name while it is written, before its checksum is known.
constexpr const char* kPackBeingWritten = "tmp_pack_export";

// A pack is named by the hex of its SHA-1 checksum, written as an object id is.
std::string ChecksumHex(const HashedFile::Checksum& checksum) {
  git_oid id;
  git_oid_fromraw(&id, checksum.data());
  return HexOf(id);
}

}  // namespace

struct PackWriter::State {
  std::string folder;
  std::uint64_t count = 0;
  HashedFile pack;
  std::vector<PackedObject> objects;

  explicit State(const std::string& in) : folder(in), pack(in + "/" + kPackBeingWritten) {}
};

PackWriter::PackWriter(const std::string& folder, std::uint64_t count)
    : state_(new State(folder)) {
  state_->count = count;
  if (count > std::numeric_limits<std::uint32_t>::max()) Fail("too many objects for one pack");
  state_->objects.reserve(count);
  const unsigned char header[12] = {'P', 'A', 'C', 'K', 0, 0, 0, kPackVersion,
                                    static_cast<unsigned char>(count >> 24),
                                    static_cast<unsigned char>(count >> 16),
                                    static_cast<unsigned char>(count >> 8),
                                    static_cast<unsigned char>(count)};
  state_->pack.Put(header, sizeof header);
}

PackWriter::~PackWriter() = default;

void PackWriter::Add(const EncodedObjects& encoded) {
  std::vector<PackedObject>& objects = state_->objects;
  const std::uint64_t start = state_->pack.Size();
  for (const EncodedObject& object : encoded.objects) {
    if (objects.size() == state_->count) Fail("more objects than the pack was begun for");
    if (!objects.empty() && git_oid_cmp(&objects.back().id, &object.id) >= 0) {
      Fail("objects out of the order of their ids");
    }
    objects.push_back({object.id, object.crc, start + object.offset});
  }
  state_->pack.Put(encoded.bytes.data(), encoded.used);
}

PackWriter::Written PackWriter::Finish() {
  if (state_->objects.size() != state_->count) Fail("fewer objects than the pack was begun for");
  const HashedFile::Checksum checksum = state_->pack.Finish();
  const std::string name = "pack-" + ChecksumHex(checksum);
  const std::string folder = state_->folder + "/";
  if (mevcore::filesupport::Disk().RenameNoReplace(folder + kPackBeingWritten,
                                                   folder + name + ".pack") != 0) {
    ThrowDiskError("name the pack", folder + name + ".pack", errno);
  }
  WritePackIndex(folder + name + ".idx", state_->objects, checksum);
  return {name + ".pack", name + ".idx", state_->pack.Size()};
}

void PackWriter::Fail(const std::string& what) const {
  throw StorageError("Unable to write the pack in " + state_->folder + ": " + what);
}

}  // namespace git
}  // namespace mevstorage
