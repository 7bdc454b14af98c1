#pragma once

#include <git2.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

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
// Close). Every SQLite call of the library is made in ObjectDatabase.cpp, so
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

  // Ends the write transaction durably. kOk at once when nothing is pending.
  Result CommitWrites();
  bool HasPendingWrites() const;
  // Commits pending writes, then closes the connection; later calls fail.
  Result Close();

  void SetBusyTimeout(std::chrono::milliseconds timeout);
  const std::string& Path() const { return path_; }
  // What went wrong in the last call that did not give kOk or kNotFound.
  const std::string& LastError() const { return lastError_; }

 private:
  struct Statements;

  ObjectDatabase(std::string path, sqlite3* db);
  bool PrepareStatements(std::string* reason);
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
  bool pendingWrites_ = false;
  std::string lostWrites_;
  std::string lastError_;
};

}  // namespace git
}  // namespace mevstorage
