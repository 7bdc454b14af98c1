#include "ExportPack.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "RepositoryAccess.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

namespace {

// The size of the pieces handed to the indexer.
constexpr std::size_t kChunk = 256 * 1024;
constexpr unsigned char kPackVersion = 2;

struct DigestFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

// Ends zlib's stream however the compression ends.
struct Deflater {
  z_stream stream{};
  bool started = false;
  ~Deflater() {
    if (started) deflateEnd(&stream);
  }
};

// Deflating bytes that do not shrink (media, already compressed) takes
// most of an export's time and gains nothing, so such an object is stored:
// zlib's level 0 is still a deflate stream, as every pack reader expects.
// What the middle 4 KiB of an object do at the fastest level decides.
int LevelFor(const void* data, std::size_t size) {
  constexpr std::size_t kSample = 4096;
  if (size < kSample) return Z_BEST_SPEED;
  Bytef sample[kSample + 64];
  uLongf length = sizeof sample;
  const auto* middle = static_cast<const Bytef*>(data) + (size - kSample) / 2;
  if (compress2(sample, &length, middle, kSample, Z_BEST_SPEED) != Z_OK) return Z_BEST_SPEED;
  return length > kSample * 9 / 10 ? Z_NO_COMPRESSION : Z_BEST_SPEED;
}

}  // namespace

struct PackWriter::State {
  std::string folder;
  std::uint64_t count = 0;
  std::uint64_t added = 0;
  std::uint64_t written = 0;
  git_indexer* indexer = nullptr;
  git_indexer_progress stats{};
  std::unique_ptr<EVP_MD_CTX, DigestFree> digest{EVP_MD_CTX_new()};
  std::function<void(std::uint64_t)> objectProgress;
  std::vector<unsigned char> pending;
  std::vector<unsigned char> deflated = std::vector<unsigned char>(kChunk);

  ~State() { git_indexer_free(indexer); }
};

PackWriter::PackWriter(const std::string& folder, std::uint64_t count) : state_(new State) {
  state_->folder = folder;
  state_->count = count;
  if (count > std::numeric_limits<std::uint32_t>::max()) Fail("too many objects for one pack");
  if (!state_->digest || EVP_DigestInit_ex(state_->digest.get(), EVP_sha1(), nullptr) != 1) {
    Fail("SHA-1 is not available");
  }
  git_indexer_options options;
  git_indexer_options_init(&options, GIT_INDEXER_OPTIONS_VERSION);
  if (git_indexer_new(&state_->indexer, folder.c_str(), 0, nullptr, &options) != 0) {
    Fail(LastGitError());
  }
  const unsigned char header[12] = {'P', 'A', 'C', 'K', 0, 0, 0, kPackVersion,
                                    static_cast<unsigned char>(count >> 24),
                                    static_cast<unsigned char>(count >> 16),
                                    static_cast<unsigned char>(count >> 8),
                                    static_cast<unsigned char>(count)};
  Put(header, sizeof header);
}

PackWriter::~PackWriter() = default;

void PackWriter::SetObjectProgress(std::function<void(std::uint64_t)> progress) {
  state_->objectProgress = std::move(progress);
}

// An object's header: its type and the low four bits of its size, then the
// rest of the size seven bits a byte, each byte but the last with its high
// bit set.
void PackWriter::Add(git_object_t type, const void* data, std::size_t size) {
  if (++state_->added > state_->count) Fail("more objects than the pack was begun for");
  unsigned char header[16];
  std::size_t length = 0;
  std::uint64_t rest = size >> 4;
  header[length++] = static_cast<unsigned char>((type << 4) | (size & 0x0f) | (rest ? 0x80 : 0));
  while (rest) {
    header[length++] = static_cast<unsigned char>((rest & 0x7f) | (rest >> 7 ? 0x80 : 0));
    rest >>= 7;
  }
  Put(header, length);
  Deflate(data, size);
}

void PackWriter::Deflate(const void* data, std::size_t size) {
  Deflater deflater;
  z_stream& stream = deflater.stream;
  deflater.started = deflateInit(&stream, LevelFor(data, size)) == Z_OK;
  if (!deflater.started) Fail("zlib cannot start");
  stream.next_in = static_cast<Bytef*>(const_cast<void*>(data));
  std::size_t left = size;
  int flush = Z_NO_FLUSH;
  int rc = Z_OK;
  do {
    // zlib counts its input in 32 bits.
    const uInt piece = static_cast<uInt>(std::min<std::size_t>(left, 1u << 30));
    stream.avail_in = piece;
    left -= piece;
    flush = left ? Z_NO_FLUSH : Z_FINISH;
    do {
      stream.next_out = state_->deflated.data();
      stream.avail_out = static_cast<uInt>(state_->deflated.size());
      rc = deflate(&stream, flush);
      Put(state_->deflated.data(), state_->deflated.size() - stream.avail_out);
      if (state_->objectProgress) state_->objectProgress(stream.total_in);
    } while (rc != Z_STREAM_ERROR && stream.avail_out == 0);
  } while (rc != Z_STREAM_ERROR && flush != Z_FINISH);
  if (rc != Z_STREAM_END) Fail("zlib cannot compress an object");
}

void PackWriter::Put(const void* bytes, std::size_t size) {
  if (EVP_DigestUpdate(state_->digest.get(), bytes, size) != 1) Fail("SHA-1 failed");
  const auto* from = static_cast<const unsigned char*>(bytes);
  state_->pending.insert(state_->pending.end(), from, from + size);
  if (state_->pending.size() >= kChunk) Flush();
}

void PackWriter::Flush() {
  if (state_->pending.empty()) return;
  if (git_indexer_append(state_->indexer, state_->pending.data(), state_->pending.size(),
                         &state_->stats) != 0) {
    Fail(LastGitError());
  }
  state_->written += state_->pending.size();
  state_->pending.clear();
}

PackWriter::Written PackWriter::Finish() {
  if (state_->added != state_->count) Fail("fewer objects than the pack was begun for");
  unsigned char trailer[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(state_->digest.get(), trailer, &length) != 1) Fail("SHA-1 failed");
  state_->pending.insert(state_->pending.end(), trailer, trailer + length);
  Flush();
  if (git_indexer_commit(state_->indexer, &state_->stats) != 0) Fail(LastGitError());
  if (state_->stats.indexed_objects != state_->count) {
    Fail("the indexer found " + std::to_string(state_->stats.indexed_objects) + " objects of " +
         std::to_string(state_->count));
  }
  const std::string name = std::string("pack-") + git_indexer_name(state_->indexer);
  return {name + ".pack", name + ".idx", state_->written};
}

void PackWriter::Fail(const std::string& what) const {
  throw StorageError("Unable to write the pack in " + state_->folder + ": " + what);
}

}  // namespace git
}  // namespace mevstorage
