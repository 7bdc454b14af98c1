// The whole-database reads of ObjectDatabase: a walk over every row and
// SQLite's integrity check. They serve checks of a store, not its everyday
// use, and so prepare their statements for the one call.

#include <sqlite3.h>

#include <algorithm>

#include "ObjectDatabase.h"

namespace mevstorage {
namespace git {

namespace {

// Small enough that a writer waiting on a scan waits for one batch only.
constexpr int kRowsPerRead = 256;
constexpr std::size_t kBytesPerRead = 4u << 20;

constexpr const char* kFirstRows =
    "SELECT oid, type, size, data FROM objects ORDER BY oid LIMIT ?1";
constexpr const char* kRowsAfter =
    "SELECT oid, type, size, data FROM objects WHERE oid > ?2 ORDER BY oid LIMIT ?1";
// Without the data a batch stays small with many more rows.
constexpr int kIdsPerRead = 4096;
constexpr const char* kFirstIds =
    "SELECT oid, type, size, NULL FROM objects ORDER BY oid LIMIT ?1";
constexpr const char* kIdsAfter =
    "SELECT oid, type, size, NULL FROM objects WHERE oid > ?2 ORDER BY oid LIMIT ?1";

// SQLite puts this line before the first problem it names.
constexpr const char kIntegrityHeading[] = "*** in database main ***\n";

class Statement {
 public:
  Statement(sqlite3* db, const std::string& text) {
    sqlite3_prepare_v2(db, text.c_str(), -1, &statement_, nullptr);
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  sqlite3_stmt* get() const { return statement_; }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

// Where the next batch starts: a copy of the last oid seen, kept with its
// storage class, so that rows whose oid is not a blob are not skipped.
class ScanPosition {
 public:
  ScanPosition() = default;
  ~ScanPosition() { sqlite3_value_free(last_); }
  ScanPosition(const ScanPosition&) = delete;
  ScanPosition& operator=(const ScanPosition&) = delete;

  bool AtStart() const { return last_ == nullptr; }
  sqlite3_value* Last() const { return last_; }
  bool MoveTo(sqlite3_value* oid) {
    sqlite3_value_free(last_);
    last_ = sqlite3_value_dup(oid);
    return last_ != nullptr;
  }

 private:
  sqlite3_value* last_ = nullptr;
};

// Ends the batch's read transaction however the batch ends.
class BatchUse {
 public:
  explicit BatchUse(sqlite3_stmt* statement) : statement_(statement) {}
  ~BatchUse() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  BatchUse(const BatchUse&) = delete;
  BatchUse& operator=(const BatchUse&) = delete;

 private:
  sqlite3_stmt* statement_;
};

ObjectDatabase::Row RowAt(sqlite3_stmt* s) {
  ObjectDatabase::Row row;
  // The column's bytes first: asking for the integers may not change them.
  row.oid = static_cast<const unsigned char*>(sqlite3_column_blob(s, 0));
  row.oidSize = static_cast<std::size_t>(sqlite3_column_bytes(s, 0));
  row.data = sqlite3_column_blob(s, 3);
  row.dataSize = static_cast<std::size_t>(sqlite3_column_bytes(s, 3));
  row.type = sqlite3_column_int64(s, 1);
  row.size = sqlite3_column_int64(s, 2);
  return row;
}

std::string WithoutHeading(std::string problem) {
  const std::size_t length = sizeof kIntegrityHeading - 1;
  if (problem.compare(0, length, kIntegrityHeading) == 0) problem.erase(0, length);
  return problem;
}

}  // namespace

ObjectDatabase::Result ObjectDatabase::VisitRows(const RowVisitor& visit,
                                                 const std::function<void()>& batchDone) {
  return Scan(kFirstRows, kRowsAfter, kRowsPerRead, visit, batchDone);
}

ObjectDatabase::Result ObjectDatabase::VisitIds(const RowVisitor& visit) {
  return Scan(kFirstIds, kIdsAfter, kIdsPerRead, visit, nullptr);
}

ObjectDatabase::Result ObjectDatabase::Scan(const char* firstRows, const char* rowsAfter,
                                            int rowsPerRead, const RowVisitor& visit,
                                            const std::function<void()>& batchDone) {
  if (!Usable()) return Result::kError;
  const Statement first(db_, firstRows);
  const Statement after(db_, rowsAfter);
  if (!first.get() || !after.get()) return FailReading("read the objects");
  ScanPosition position;
  for (;;) {
    int rows = 0;
    int rc = SQLITE_ROW;
    {
      sqlite3_stmt* s = position.AtStart() ? first.get() : after.get();
      BatchUse use(s);
      sqlite3_bind_int(s, 1, rowsPerRead);
      if (!position.AtStart()) sqlite3_bind_value(s, 2, position.Last());
      std::size_t bytes = 0;
      while (bytes < kBytesPerRead && (rc = sqlite3_step(s)) == SQLITE_ROW) {
        if (!position.MoveTo(sqlite3_column_value(s, 0))) return FailReading("read the objects");
        const Row row = RowAt(s);
        visit(row);
        ++rows;
        bytes += row.dataSize;
      }
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return FailReading("read the objects");
    if (batchDone) batchDone();
    if (rc == SQLITE_DONE && rows < rowsPerRead) return Result::kOk;
  }
}

ObjectDatabase::Result ObjectDatabase::CheckIntegrity(std::size_t limit,
                                                      std::vector<std::string>* problems) {
  if (!Usable()) return Result::kError;
  const std::size_t most = std::max<std::size_t>(limit, 1);
  const Statement check(db_, "PRAGMA integrity_check(" + std::to_string(most) + ")");
  if (!check.get()) return FailReading("check the database");
  int rc;
  while ((rc = sqlite3_step(check.get())) == SQLITE_ROW) {
    const unsigned char* text = sqlite3_column_text(check.get(), 0);
    const std::string problem = text ? reinterpret_cast<const char*>(text) : "";
    if (problem != "ok" && problems->size() < limit) problems->push_back(WithoutHeading(problem));
  }
  if (rc != SQLITE_DONE) return FailReading("check the database");
  return Result::kOk;
}

}  // namespace git
}  // namespace mevstorage
