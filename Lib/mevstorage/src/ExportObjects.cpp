#include "ExportObjects.h"

#include <cstring>
#include <deque>
#include <future>
#include <memory>
#include <string>
#include <utility>

#include "ExportIdentities.h"
#include "ExportTrees.h"
#include "VerifySteps.h"

namespace mevstorage {
namespace git {

namespace {

// A batch holding an object this large is checked and encoded on the
// reading thread, with progress within the object, and before the next
// batch is read: no more than one such object is held at a time.
constexpr std::size_t kLargeObject = 4u << 20;

// Batches being checked and encoded while the next is read, each on a
// thread of its own: deflating is most of the work, and with two of them
// it spreads over every core even while the reading thread waits on the
// disk. Each holds a batch (about 4 MiB) and its encoding.
constexpr std::size_t kBatchesEncoding = 2;

// A batch kept from one use to the next is let go of when a buffer of it
// grew past this (after a large object), so that memory stays within one
// large object's copies beside a few batches of ordinary size.
constexpr std::size_t kBatchBufferKept = 8u << 20;

struct CopiedRow {
  git_oid id;
  std::int64_t type;
  std::int64_t size;
  std::size_t offset;  // of its content in the batch's data
  std::size_t length;
};

// Rows copied out of one read of the database, their encoding, and the
// encoder's state. It is used again for a later batch, so that its buffers
// are neither allocated nor cleared for every batch.
struct Batch {
  std::vector<CopiedRow> rows;
  std::string data;  // the rows' contents, one after another
  EncodedObjects encoded;
  ObjectEncoder encoder;

  void Clear() {
    rows.clear();
    data.clear();
    encoded.Clear();
  }
  bool Oversized() const {
    return data.capacity() > kBatchBufferKept || encoded.bytes.size() > kBatchBufferKept;
  }
};
using BatchPointer = std::unique_ptr<Batch>;

// The row's type, size and content hashed to its id, and what Git checks
// in a tree, commit or tag; throws StorageError naming the first problem.
void Check(const CopiedRow& copied, const char* data) {
  ObjectDatabase::Row row{copied.id.id, GIT_OID_RAWSZ, copied.type,
                          copied.size,  data,          copied.length};
  git_oid id;
  const std::string problem = RowProblem(row, &id, RowHashing::kPlain);
  if (!problem.empty()) throw StorageError(problem);
  const auto type = static_cast<git_object_t>(copied.type);
  if (type == GIT_OBJECT_BLOB) return;
  const std::string content(data, copied.length);
  const std::string refused =
      type == GIT_OBJECT_TREE ? TreeProblem(content) : IdentityProblem(type, content);
  if (!refused.empty()) {
    throw StorageError(std::string(git_object_type2string(type)) + " " + HexOf(id) + ": " + refused);
  }
}

// `progress` is given the bytes done of the row being encoded.
void CheckAndEncode(Batch& batch, const std::function<void(std::uint64_t)>& progress) {
  for (const CopiedRow& copied : batch.rows) {
    const char* data = batch.data.data() + copied.offset;
    Check(copied, data);
    batch.encoder.Encode(copied.id, static_cast<git_object_t>(copied.type), data, copied.length,
                         batch.encoded, progress);
  }
}

bool HoldsLargeObject(const Batch& batch) {
  for (const CopiedRow& copied : batch.rows) {
    if (copied.length >= kLargeObject) return true;
  }
  return false;
}

// Rows are checked and encoded (hashing, deflating: most of the work) on
// other threads while the next batch is read; every file and database call
// stays on the reading thread, in the same order whatever the timing.
class RowCopier {
 public:
  RowCopier(const StoredIds& listed, PackWriter& pack, const ExportOptions& options)
      : listed_(listed), pack_(pack), options_(options), batch_(new Batch) {
    progress_.objectsTotal = listed.ids.size();
    progress_.bytesTotal = listed.bytes;
  }

  // Keeps the row when it is the next one listed; a row not listed was
  // added since, and rows come in the order of the listing.
  void Visit(const ObjectDatabase::Row& row) {
    if (next_ == listed_.ids.size() || row.oidSize != GIT_OID_RAWSZ ||
        std::memcmp(row.oid, listed_.ids[next_].id, GIT_OID_RAWSZ) != 0) {
      return;
    }
    const std::size_t offset = batch_->data.size();
    if (row.data) batch_->data.append(static_cast<const char*>(row.data), row.dataSize);
    batch_->rows.push_back({listed_.ids[next_++], row.type, row.size, offset, row.dataSize});
  }

  // Batches are written in the order they were read, so that the first
  // problem in the order of ids is the one named.
  void WriteBatch() {
    BatchPointer batch = std::exchange(batch_, nullptr);
    if (!HoldsLargeObject(*batch)) {
      if (encoding_.size() == kBatchesEncoding) WriteOldest();
      encoding_.push_back(std::async(std::launch::async, [batch = std::move(batch)]() mutable {
        CheckAndEncode(*batch, nullptr);
        return std::move(batch);
      }));
    } else {
      WriteEncoded();
      CheckAndEncode(*batch, [this](std::uint64_t done) { Report(done); });
      Write(std::move(batch));
    }
    batch_ = TakeSpare();
  }

  // Waits for every batch being encoded and writes them.
  void WriteEncoded() {
    while (!encoding_.empty()) WriteOldest();
  }

  void CheckAllSeen(const ObjectDatabase& database) const {
    if (next_ == listed_.ids.size()) return;
    throw StorageError("object " + HexOf(listed_.ids[next_]) + " left " + database.Path() +
                       " while it was exported");
  }

 private:
  void WriteOldest() {
    std::future<BatchPointer> oldest = std::move(encoding_.front());
    encoding_.pop_front();
    Write(oldest.get());
  }

  void Write(BatchPointer batch) {
    const EncodedObjects& encoded = batch->encoded;
    pack_.Add(encoded);
    for (const EncodedObject& object : encoded.objects) {
      ++progress_.objectsDone;
      progress_.bytesDone += object.contentSize;
    }
    Report(0);
    batch->Clear();
    if (!batch->Oversized()) spare_.push_back(std::move(batch));
  }

  BatchPointer TakeSpare() {
    if (spare_.empty()) return BatchPointer(new Batch);
    BatchPointer batch = std::move(spare_.back());
    spare_.pop_back();
    return batch;
  }

  void Report(std::uint64_t withinObject) const {
    if (!options_.progress) return;
    ExportProgress now = progress_;
    now.bytesDone += withinObject;
    options_.progress(now);
  }

  const StoredIds& listed_;
  PackWriter& pack_;
  const ExportOptions& options_;
  std::size_t next_ = 0;
  BatchPointer batch_;
  std::vector<BatchPointer> spare_;
  std::deque<std::future<BatchPointer>> encoding_;
  ExportProgress progress_;
};

void ThrowUnreadable(const ObjectDatabase& database) {
  throw StorageError(database.LastError());
}

}  // namespace

StoredIds ListStoredIds(ObjectDatabase& database) {
  StoredIds listed;
  std::string problem;
  const auto visit = [&](const ObjectDatabase::Row& row) {
    git_oid id;
    if (row.oidSize != GIT_OID_RAWSZ) {
      if (problem.empty()) problem = RowProblem(row, &id);
      return;
    }
    git_oid_fromraw(&id, row.oid);
    listed.ids.push_back(id);
    if (row.size > 0) listed.bytes += static_cast<std::uint64_t>(row.size);
  };
  if (database.VisitIds(visit) != ObjectDatabase::Result::kOk) ThrowUnreadable(database);
  if (!problem.empty()) throw StorageError(problem);
  return listed;
}

void WriteStoredObjects(ObjectDatabase& database, const StoredIds& listed, PackWriter& pack,
                        const ExportOptions& options) {
  RowCopier copier(listed, pack, options);
  const auto visit = [&](const ObjectDatabase::Row& row) { copier.Visit(row); };
  const auto batchDone = [&] { copier.WriteBatch(); };
  const ObjectDatabase::Result read = database.VisitRows(visit, batchDone);
  copier.WriteEncoded();
  if (read != ObjectDatabase::Result::kOk) ThrowUnreadable(database);
  copier.CheckAllSeen(database);
}

}  // namespace git
}  // namespace mevstorage
