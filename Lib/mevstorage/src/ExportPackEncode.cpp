#include "ExportPackEncode.h"

#include <algorithm>

#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

namespace {

// The input given to zlib at a time: progress within a large object, and
// zlib's counts stay within 32 bits.
constexpr std::size_t kInputPiece = 4u << 20;

// Deflating bytes that do not shrink (media, already compressed) takes
// most of an export's time and gains nothing, so such an object is stored:
// zlib's level 0 is still a deflate stream, as every pack reader expects.
// What the middle 4 KiB of an object do at the fastest level decides.
bool Shrinks(const void* data, std::size_t size) {
  constexpr std::size_t kSample = 4096;
  if (size < kSample) return true;
  Bytef sample[kSample + 64];
  uLongf length = sizeof sample;
  const auto* middle = static_cast<const Bytef*>(data) + (size - kSample) / 2;
  if (compress2(sample, &length, middle, kSample, Z_BEST_SPEED) != Z_OK) return true;
  return length <= kSample * 9 / 10;
}

// The most bytes a header takes: 4 bits of the size in the first, 7 in
// each after it.
constexpr std::size_t kLongestHeader = 10;

// Type and the low four bits of the size, then the rest of the size seven
// bits a byte, each byte but the last with its high bit set.
void PutHeader(git_object_t type, std::size_t size, EncodedObjects& out) {
  std::uint64_t rest = size >> 4;
  unsigned char* at = out.bytes.data() + out.used;
  *at++ = static_cast<unsigned char>((type << 4) | (size & 0x0f) | (rest ? 0x80 : 0));
  while (rest) {
    *at++ = static_cast<unsigned char>((rest & 0x7f) | (rest >> 7 ? 0x80 : 0));
    rest >>= 7;
  }
  out.used = static_cast<std::size_t>(at - out.bytes.data());
}

[[noreturn]] void FailZlib(const char* what) {
  throw StorageError(std::string("Unable to encode an object for the pack: zlib cannot ") + what);
}

}  // namespace

ObjectEncoder::~ObjectEncoder() {
  if (fastestStarted_) deflateEnd(&fastest_);
  if (storedStarted_) deflateEnd(&stored_);
}

void ObjectEncoder::Encode(const git_oid& id, git_object_t type, const void* data,
                           std::size_t size, EncodedObjects& out,
                           const std::function<void(std::uint64_t)>& progress) {
  z_stream* stream = Begin(Shrinks(data, size));
  if (!stream) FailZlib("start");
  const std::size_t room = out.used + kLongestHeader + deflateBound(stream, size);
  if (out.bytes.size() < room) out.bytes.resize(room);
  EncodedObject encoded{id, out.used, 0, 0, size};
  PutHeader(type, size, out);
  Deflate(stream, data, size, out, progress);
  encoded.length = out.used - encoded.offset;
  encoded.crc = static_cast<std::uint32_t>(crc32_z(0, out.BytesOf(encoded), encoded.length));
  out.objects.push_back(encoded);
}

z_stream* ObjectEncoder::Begin(bool shrinks) {
  z_stream* stream = shrinks ? &fastest_ : &stored_;
  bool& started = shrinks ? fastestStarted_ : storedStarted_;
  if (started) return deflateReset(stream) == Z_OK ? stream : nullptr;
  started = deflateInit(stream, shrinks ? Z_BEST_SPEED : Z_NO_COMPRESSION) == Z_OK;
  return started ? stream : nullptr;
}

// The output has room for the worst case, so zlib writes into it directly.
void ObjectEncoder::Deflate(z_stream* stream, const void* data, std::size_t size,
                            EncodedObjects& out,
                            const std::function<void(std::uint64_t)>& progress) {
  const auto* in = static_cast<const Bytef*>(data);
  std::size_t given = 0;
  std::size_t written = out.used;
  int flush = Z_NO_FLUSH;
  int rc = Z_OK;
  stream->avail_in = 0;
  do {
    if (stream->avail_in == 0 && flush != Z_FINISH) {
      const std::size_t piece = std::min(size - given, kInputPiece);
      stream->next_in = const_cast<Bytef*>(in + given);
      stream->avail_in = static_cast<uInt>(piece);
      given += piece;
      flush = given == size ? Z_FINISH : Z_NO_FLUSH;
    }
    stream->next_out = out.bytes.data() + written;
    stream->avail_out =
        static_cast<uInt>(std::min<std::size_t>(out.bytes.size() - written, 1u << 30));
    rc = deflate(stream, flush);
    written = static_cast<std::size_t>(stream->next_out - out.bytes.data());
    if (progress) progress(given - stream->avail_in);
  } while (rc == Z_OK);
  if (rc != Z_STREAM_END) FailZlib("compress an object");
  out.used = written;
}

}  // namespace git
}  // namespace mevstorage
