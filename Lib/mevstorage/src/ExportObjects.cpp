#include "ExportObjects.h"

#include <cstring>
#include <string>

#include "ExportIdentities.h"
#include "ExportTrees.h"
#include "VerifySteps.h"

namespace mevstorage {
namespace git {

namespace {

struct CopiedRow {
  git_oid id;
  std::int64_t type;
  std::int64_t size;
  std::string data;
};

class RowCopier {
 public:
  RowCopier(const StoredIds& listed, PackWriter& pack, const ExportOptions& options)
      : listed_(listed), pack_(pack), options_(options) {
    progress_.objectsTotal = listed.ids.size();
    progress_.bytesTotal = listed.bytes;
    if (options_.progress) {
      pack_.SetObjectProgress([this](std::uint64_t done) {
        ExportProgress now = progress_;
        now.bytesDone += done;
        options_.progress(now);
      });
    }
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

  void WriteBatch() {
    for (const CopiedRow& copied : batch_) Write(copied);
    batch_.clear();
  }

  void CheckAllSeen(const ObjectDatabase& database) const {
    if (next_ == listed_.ids.size()) return;
    throw StorageError("object " + HexOf(listed_.ids[next_]) + " left " + database.Path() +
                       " while it was exported");
  }

 private:
  void Write(const CopiedRow& copied) {
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
    pack_.Add(type, copied.data.data(), copied.data.size());
    ++progress_.objectsDone;
    progress_.bytesDone += copied.data.size();
    if (options_.progress) options_.progress(progress_);
  }

  const StoredIds& listed_;
  PackWriter& pack_;
  const ExportOptions& options_;
  std::size_t next_ = 0;
  std::vector<CopiedRow> batch_;
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
  if (database.VisitRows(visit, batchDone) != ObjectDatabase::Result::kOk) {
    ThrowUnreadable(database);
  }
  copier.CheckAllSeen(database);
}

}  // namespace git
}  // namespace mevstorage
