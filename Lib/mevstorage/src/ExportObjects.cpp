#include "ExportObjects.h"

#include <cstring>
#include <future>
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

struct CopiedRow {
  git_oid id;
  std::int64_t type;
  std::int64_t size;
  std::string data;
};
using CopiedRows = std::vector<CopiedRow>;
using EncodedRows = std::vector<EncodedObject>;

// The row's type, size and content hashed to its id, and what Git checks
// in a tree, commit or tag; throws StorageError naming the first problem.
void Check(const CopiedRow& copied) {
  ObjectDatabase::Row row{copied.id.id, GIT_OID_RAWSZ, copied.type,
                          copied.size,  copied.data.data(), copied.data.size()};
  git_oid id;
  const std::string problem = RowProblem(row, &id, RowHashing::kPlain);
  if (!problem.empty()) throw StorageError(problem);
  const auto type = static_cast<git_object_t>(copied.type);
  const std::string refused = type == GIT_OBJECT_TREE ? TreeProblem(copied.data)
                                                       : IdentityProblem(type, copied.data);
  if (!refused.empty()) {
    throw StorageError(std::string(git_object_type2string(type)) + " " + HexOf(id) + ": " + refused);
  }
}

// `progress` is given the bytes done of the row being encoded.
EncodedRows CheckAndEncode(const CopiedRows& rows, ObjectEncoder& encoder,
                           const std::function<void(std::uint64_t)>& progress) {
  EncodedRows encoded;
  encoded.reserve(rows.size());
  for (const CopiedRow& copied : rows) {
    Check(copied);
    encoded.push_back(encoder.Encode(copied.id, static_cast<git_object_t>(copied.type),
                                     copied.data.data(), copied.data.size(), progress));
  }
  return encoded;
}

bool HoldsLargeObject(const CopiedRows& rows) {
  for (const CopiedRow& copied : rows) {
    if (copied.data.size() >= kLargeObject) return true;
  }
  return false;
}

// Rows are checked and encoded (hashing, deflating: most of the work) on a
// second thread while the next batch is read; every file and database call
// stays on the reading thread, in the same order whatever the timing.
class RowCopier {
 public:
  RowCopier(const StoredIds& listed, PackWriter& pack, const ExportOptions& options)
      : listed_(listed), pack_(pack), options_(options) {
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
    const char* data = static_cast<const char*>(row.data);
    batch_.push_back({listed_.ids[next_++], row.type, row.size,
                      std::string(data ? data : "", row.dataSize)});
  }

  // The batch before is written first, so that its problem, if any, is the
  // one named.
  void WriteBatch() {
    WriteEncoded();
    CopiedRows rows = std::exchange(batch_, {});
    if (!HoldsLargeObject(rows)) {
      encoding_ = std::async(std::launch::async, [rows = std::move(rows)] {
        ObjectEncoder encoder;
        return CheckAndEncode(rows, encoder, nullptr);
      });
      return;
    }
    ObjectEncoder encoder;
    Write(CheckAndEncode(rows, encoder, [this](std::uint64_t done) { Report(done); }));
  }

  // Waits for the batch being encoded and writes it.
  void WriteEncoded() {
    if (encoding_.valid()) Write(encoding_.get());
  }

  void CheckAllSeen(const ObjectDatabase& database) const {
    if (next_ == listed_.ids.size()) return;
    throw StorageError("object " + HexOf(listed_.ids[next_]) + " left " + database.Path() +
                       " while it was exported");
  }

 private:
  void Write(const EncodedRows& encoded) {
    for (const EncodedObject& object : encoded) {
      pack_.Add(object);
      ++progress_.objectsDone;
      progress_.bytesDone += object.contentSize;
      Report(0);
    }
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
  CopiedRows batch_;
  std::future<EncodedRows> encoding_;
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
