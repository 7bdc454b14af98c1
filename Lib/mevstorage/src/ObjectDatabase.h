#pragma once

#include <git2.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace mevstorage {
namespace git {

// The SQLite file that holds a repository's objects, and its one table.
constexpr const char* kObjectDatabaseName = "odb.sqlite3";
constexpr int kObjectDatabaseVersion = 1;

// The SQL the library runs; tests check the plan of each statement.
namespace sql {
constexpr const char* kCreateTable =
    "CREATE TABLE objects(oid BLOB NOT NULL PRIMARY KEY, type INTEGER NOT NULL, "
    "size INTEGER NOT NULL, data BLOB NOT NULL) WITHOUT ROWID";
constexpr const char* kRead = "SELECT type, size, data FROM objects WHERE oid = ?1";
constexpr const char* kReadHeader = "SELECT type, size FROM objects WHERE oid = ?1";
constexpr const char* kExists = "SELECT 1 FROM objects WHERE oid = ?1";
constexpr const char* kFindPrefix =
    "SELECT oid FROM objects WHERE oid >= ?1 AND oid <= ?2 ORDER BY oid LIMIT 2";
constexpr const char* kWrite =
    "INSERT OR IGNORE INTO objects(oid, type, size, data) VALUES(?1, ?2, ?3, ?4)";
}  // namespace sql

// A connection to one repository's object database. Writes are gathered in
// one transaction, begun by the first write and ended by CommitWrites (or by
// Close). Every SQLite call of the library is made in ObjectDatabase*.cpp, so
// that a VFS can be put under all of them.
class ObjectDatabase {
 public:
  enum class Result { kOk, kNotFound, kAmbiguous, kError };
  // Allocates the buffer a read fills; null when out of memory.
  using Allocator = std::function<void*(std::size_t)>;

  // Opens an existing database for reading and writing; never creates one.
  // Null, with `reason` set, when it is missing, not a database, or of
  // another schema.
  static std::unique_ptr<ObjectDatabase> Open(const std::string& path, std::string* reason);
  // Opens an existing database for reading only (SQLITE_OPEN_READONLY): it
  // makes no journal and takes no write lock, and every write fails at once
  // without asking SQLite. Null, with `reason` set, as Open, and also when
  // the database is in WAL mode, which SQLite reads only by making files
  // beside it.
  static std::unique_ptr<ObjectDatabase> OpenReadOnly(const std::string& path,
                                                      std::string* reason);
  // The reason a write gives when it cannot begin because another program
  // holds the write lock of the database at `path` (past the busy timeout):
  // "Unable to begin writing objects in <path>: database is locked".
  static std::string LockedWritesReason(const std::string& path);
  // Makes a new database with the objects table. False, with `reason` set,
  // on failure.
  static bool Create(const std::string& path, std::string* reason);

  ObjectDatabase(const ObjectDatabase&) = delete;
  ObjectDatabase& operator=(const ObjectDatabase&) = delete;
  ~ObjectDatabase();

  Result Read(const git_oid& id, git_object_t* type, void** data, std::size_t* size,
              const Allocator& allocate);
  Result ReadHeader(const git_oid& id, git_object_t* type, std::size_t* size);
  // The one object whose id begins with the first `hexLength` digits of
  // `prefix`.
  Result FindUnique(const git_oid& prefix, std::size_t hexLength, git_oid* found);
  Result Exists(const git_oid& id);
  // Stores the object unless it is there; `data` is not copied first.
  Result Write(const git_oid& id, const void* data, std::size_t size, git_object_t type);

  // Holds one read transaction over the reads that follow, so that they
  // share one lock of the file and one look at whether it changed, rather
  // than each taking its own. It takes no lock until the first read, and
  // ends at EndReads, at the first write (which begins its own transaction),
  // at CommitWrites and at Close. Nothing happens while writes are pending.
  // False, with LastError set, when it cannot begin; reads then go on one by
  // one.
  bool BeginReads();
  void EndReads();

  // Ends the write transaction durably. kOk at once when nothing is pending.
  Result CommitWrites();
  bool HasPendingWrites() const;
  // Commits pending writes, then closes the connection; later calls fail.
  Result Close();

  // One row as the table holds it, before any of the checks Read makes.
  struct Row {
    const unsigned char* oid;
    std::size_t oidSize;
    std::int64_t type;
    std::int64_t size;
    const void* data;
    std::size_t dataSize;
  };
  using RowVisitor = std::function<void(const Row&)>;
  // Visits every row in the order of its oid. The rows are read in short
  // read transactions of a few hundred rows or a few megabytes each, so a
  // writer waits for one of them at most; rows written meanwhile may or may
  // not be seen. The row's bytes are valid during the visit only. Stops at
  // the first failure.
  // `batchDone`, when given, is called after each batch's read transaction
  // has ended: a visitor that copies rows can work on them there without
  // keeping a writer waiting.
  Result VisitRows(const RowVisitor& visit, const std::function<void()>& batchDone = nullptr);
  // VisitRows without the data: the row's `data` is null and `dataSize` 0;
  // `type` and `size` are as the row records them.
  Result VisitIds(const RowVisitor& visit);
  // SQLite's own check of the file (PRAGMA integrity_check): the first
  // `limit` problems it finds; none when the file is sound. One read
  // transaction over the whole file.
  Result CheckIntegrity(std::size_t limit, std::vector<std::string>* problems);

  // Whether another connection holds the write lock (RESERVED or above)
  // of the database, told by this read-only connection from the file it
  // has open: one look at the lock, none taken. False when this connection
  // cannot tell (it may write, and so may use a write-ahead log; it is
  // closed; the look failed); `held` is then left as it was.
  bool LookForWriter(bool* held);

  void SetBusyTimeout(std::chrono::milliseconds timeout);
  const std::string& Path() const { return path_; }
  // What went wrong in the last call that did not give kOk or kNotFound.
  const std::string& LastError() const { return lastError_; }

 private:
  struct Statements;
  enum class StatementKind { kRead, kReadHeader, kExists, kFindPrefix, kWrite, kBegin, kBeginReads,
                         kCommit };

  static std::unique_ptr<ObjectDatabase> OpenWith(const std::string& path, bool readOnly,
                                                  std::string* reason);
  ObjectDatabase(std::string path, sqlite3* db);
  // The statement, compiled at its first use, so that a connection that
  // only reads never compiles the writes' statements. Null when it cannot
  // be compiled, with the connection's error saying why: every SQLite call
  // on a null statement fails (or does nothing), and the caller's failure
  // then names that error.
  sqlite3_stmt* Prepared(StatementKind kind);
  Result Scan(const char* first, const char* after, int rowsPerRead, const RowVisitor& visit,
              const std::function<void()>& batchDone);
  bool Usable();
  bool Writable();
  bool BeginWrites();
  Result Fail(const std::string& what);
  Result FailWithId(const std::string& what, const git_oid& id);
  Result FailReading(const std::string& what);
  Result Damaged(const git_oid& id);
  void NoteLostWrites();

  std::string path_;
  sqlite3* db_;
  std::unique_ptr<Statements> statements_;
  bool readOnly_ = false;
  bool pendingWrites_ = false;
  bool reading_ = false;
  std::string lostWrites_;
  std::string lastError_;
};

}  // namespace git
}  // namespace mevstorage
