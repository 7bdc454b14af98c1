#include "ObjectDatabase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "FaultVfs.h"
#include "RepositoryAccess.h"
#include "StorageReport.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/filesupport/File.h"
#include "mevstorage/git/DatabaseFiles.h"
#include "mevstorage/git/ReadOnly.h"
#include "mevstorage/git/References.h"

namespace mevstorage {
namespace git {

namespace {

constexpr int kDefaultBusyTimeoutMs = 5000;
constexpr const char* kOtherSchema = "the object database has another schema";
constexpr const char* kNoPages = "the object database is empty or cut short";
constexpr const char* kWalMode =
    "odb.sqlite3 is in WAL mode, which SQLite cannot read without making files beside it";
constexpr const char* kWriteCutShort =
    "odb.sqlite3-journal holds a write that was cut short; the next program to open the "
    "project for writing rolls it back";

constexpr const char* kBeginWrites = "begin writing objects";

std::string FailureText(const std::string& what, const std::string& path, const char* reason) {
  return "Unable to " + what + " in " + path + ": " + reason;
}

// Resets a statement and its bindings when one use of it ends, so that no
// read transaction outlives the call.
class StatementUse {
 public:
  explicit StatementUse(sqlite3_stmt* statement) : statement_(statement) {}
  ~StatementUse() {
    if (!statement_) return;
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;

 private:
  sqlite3_stmt* statement_;
};

void BindBytes(sqlite3_stmt* statement, int index, const void* bytes, std::size_t size) {
  static const unsigned char kNoBytes[1] = {0};
  sqlite3_bind_blob64(statement, index, size ? bytes : kNoBytes, size, SQLITE_STATIC);
}

void BindId(sqlite3_stmt* statement, int index, const unsigned char* id) {
  BindBytes(statement, index, id, GIT_OID_RAWSZ);
}

bool KnownType(int type) { return type >= GIT_OBJECT_COMMIT && type <= GIT_OBJECT_TAG; }

// The lowest and highest ids that begin with the prefix's first digits.
void PrefixBounds(const git_oid& prefix, std::size_t hexLength, unsigned char* low,
                  unsigned char* high) {
  hexLength = std::min<std::size_t>(hexLength, GIT_OID_HEXSZ);
  std::memset(low, 0x00, GIT_OID_RAWSZ);
  std::memset(high, 0xff, GIT_OID_RAWSZ);
  std::memcpy(low, prefix.id, hexLength / 2);
  std::memcpy(high, prefix.id, hexLength / 2);
  if (hexLength % 2) {
    low[hexLength / 2] = prefix.id[hexLength / 2] & 0xf0;
    high[hexLength / 2] = low[hexLength / 2] | 0x0f;
  }
}

// Whether the file's header marks a database in WAL mode (its read and write
// versions, bytes 18 and 19, are 2). SQLite makes "-wal" and "-shm" files
// beside such a database to read it, even on a read-only connection. A file
// that cannot be read is left to SQLite to name.
bool InWalMode(const std::string& path) {
  using mevcore::filesupport::Disk;
  unsigned char header[20] = {};
  const int fd = Disk().Open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0);
  if (fd < 0) return false;
  const ssize_t got = Disk().Read(fd, header, sizeof header);
  Disk().Close(fd);
  return got == static_cast<ssize_t>(sizeof header) && (header[18] == 2 || header[19] == 2);
}

sqlite3* OpenConnection(const std::string& path, int flags, std::string* reason) {
  sqlite3* db = nullptr;
  const char* vfs = RegisterCountedVfs() ? kCountedVfsName : nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, flags, vfs) == SQLITE_OK) return db;
  *reason = db ? sqlite3_errmsg(db) : "out of memory";
  sqlite3_close(db);
  return nullptr;
}

bool QueryInt(sqlite3* db, const char* query, int* value, std::string* reason) {
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db, query, -1, &statement, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(statement);
  if (rc == SQLITE_ROW) *value = sqlite3_column_int(statement, 0);
  if (rc != SQLITE_ROW) *reason = sqlite3_errmsg(db);
  sqlite3_finalize(statement);
  return rc == SQLITE_ROW;
}

struct ExpectedColumn {
  const char* name;
  const char* type;
  bool primaryKey;
};
constexpr ExpectedColumn kColumns[] = {{"oid", "BLOB", true},
                                       {"type", "INTEGER", false},
                                       {"size", "INTEGER", false},
                                       {"data", "BLOB", false}};
constexpr int kColumnCount = sizeof kColumns / sizeof kColumns[0];

bool ColumnMatches(sqlite3_stmt* info, const ExpectedColumn& expected) {
  const auto text = [info](int column) {
    const unsigned char* value = sqlite3_column_text(info, column);
    return value ? reinterpret_cast<const char*>(value) : "";
  };
  return sqlite3_stricmp(text(1), expected.name) == 0 &&
         sqlite3_stricmp(text(2), expected.type) == 0 && sqlite3_column_int(info, 3) == 1 &&
         (sqlite3_column_int(info, 5) != 0) == expected.primaryKey;
}

// Compares the declared columns of the objects table, from the schema alone.
bool ObjectsTableMatches(sqlite3* db, bool* matches, std::string* reason) {
  sqlite3_stmt* info = nullptr;
  int rc = sqlite3_prepare_v2(db, "PRAGMA table_info(objects)", -1, &info, nullptr);
  int count = 0;
  *matches = true;
  if (rc == SQLITE_OK) {
    while ((rc = sqlite3_step(info)) == SQLITE_ROW) {
      *matches = *matches && count < kColumnCount && ColumnMatches(info, kColumns[count]);
      ++count;
    }
  }
  if (rc != SQLITE_DONE) *reason = sqlite3_errmsg(db);
  sqlite3_finalize(info);
  *matches = *matches && count == kColumnCount;
  return rc == SQLITE_DONE;
}

bool CheckSchema(sqlite3* db, std::string* reason) {
  int version = 0;
  int pages = 0;
  bool matches = false;
  if (!QueryInt(db, "PRAGMA user_version", &version, reason) ||
      !QueryInt(db, "PRAGMA page_count", &pages, reason)) {
    return false;
  }
  if (pages == 0) {
    *reason = kNoPages;
    return false;
  }
  if (version == kObjectDatabaseVersion && !ObjectsTableMatches(db, &matches, reason)) {
    return false;
  }
  if (version != kObjectDatabaseVersion || !matches) *reason = kOtherSchema;
  return version == kObjectDatabaseVersion && matches;
}

bool Execute(sqlite3* db, const char* statement, std::string* reason) {
  if (sqlite3_exec(db, statement, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  *reason = sqlite3_errmsg(db);
  return false;
}

// Set once the schema is known to be ours: the pragma reads the schema, and
// before the check a locked database would make it wait out the busy timeout
// a second time.
bool UseFullSync(sqlite3* db, std::string* reason) {
  return Execute(db, "PRAGMA synchronous=FULL", reason);
}

sqlite3_stmt* Prepare(sqlite3* db, const char* text) {
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v3(db, text, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
  return statement;
}

// A journal SQLite would roll back: a non-empty regular file.
bool HoldsJournal(const std::string& databasePath) {
  struct stat info;
  return mevcore::filesupport::Disk().Lstat(databasePath + "-journal", &info) == 0 &&
         S_ISREG(info.st_mode) && info.st_size > 0;
}

}  // namespace

bool ReadableOnlyByAWriter(const mevcore::filesupport::Dir& gitFolder) {
  const std::string database = gitFolder.NativePath() + "/" + kObjectDatabaseName;
  return HoldsJournal(database) || InWalMode(database);
}

std::optional<std::string> ObjectWritesRefusal(const RepositoryHandle& repository,
                                               const mevcore::filesupport::Dir& gitFolder) {
  const std::string database =
      mevcore::filesupport::File(gitFolder, mevcore::utility::AsciiToUTF16(kObjectDatabaseName))
          .FullPathMultiByte();
  ObjectDatabase* open = Holds(repository) ? FindObjectDatabase(repository->ptr) : nullptr;
  bool held = false;
  if (!open || open->Path() != database || !open->LookForWriter(&held)) {
    held = DatabaseBeingWritten(database);
  }
  if (!held) return std::nullopt;
  return ObjectDatabase::LockedWritesReason(database);
}

// In the order of ObjectDatabase::StatementKind.
constexpr const char* kStatementTexts[] = {sql::kRead,        sql::kReadHeader, sql::kExists,
                                           sql::kFindPrefix,  sql::kWrite,      "BEGIN IMMEDIATE",
                                           "BEGIN DEFERRED", "COMMIT"};
constexpr std::size_t kStatementCount = sizeof kStatementTexts / sizeof kStatementTexts[0];

struct ObjectDatabase::Statements {
  sqlite3_stmt* prepared[kStatementCount] = {};

  ~Statements() {
    for (sqlite3_stmt* s : prepared) sqlite3_finalize(s);
  }
};

std::unique_ptr<ObjectDatabase> ObjectDatabase::Open(const std::string& path, std::string* reason) {
  return OpenWith(path, false, reason);
}

std::unique_ptr<ObjectDatabase> ObjectDatabase::OpenReadOnly(const std::string& path,
                                                             std::string* reason) {
  return OpenWith(path, true, reason);
}

std::unique_ptr<ObjectDatabase> ObjectDatabase::OpenWith(const std::string& path, bool readOnly,
                                                         std::string* reason) {
  // A read-only open makes nothing.
  if (readOnly && InWalMode(path)) {
    *reason = kWalMode;
    return nullptr;
  }
  sqlite3* db =
      OpenConnection(path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, reason);
  if (!db) return nullptr;
  std::unique_ptr<ObjectDatabase> database(new ObjectDatabase(path, db));
  database->readOnly_ = readOnly;
  // The checks read the file in one read transaction, rather than one
  // each; closing the connection on failure ends it.
  if (!Execute(db, "BEGIN DEFERRED", reason) || !CheckSchema(db, reason) ||
      !Execute(db, "COMMIT", reason) ||
      (!readOnly && !UseFullSync(db, reason))) {
    // A read-only connection may not roll a hot journal back.
    if (sqlite3_extended_errcode(db) == SQLITE_READONLY_ROLLBACK) *reason = kWriteCutShort;
    return nullptr;
  }
  return database;
}

bool ObjectDatabase::Create(const std::string& path, std::string* reason) {
  sqlite3* db = OpenConnection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, reason);
  if (!db) return false;
  const std::string script = std::string("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; ") +
                             "BEGIN; " + sql::kCreateTable +
                             "; PRAGMA user_version=" + std::to_string(kObjectDatabaseVersion) +
                             "; COMMIT;";
  const bool made = sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  if (!made) *reason = sqlite3_errmsg(db);
  sqlite3_close(db);
  return made;
}

ObjectDatabase::ObjectDatabase(std::string path, sqlite3* db)
    : path_(std::move(path)), db_(db), statements_(new Statements) {
  sqlite3_busy_timeout(db_, kDefaultBusyTimeoutMs);
}

ObjectDatabase::~ObjectDatabase() { Close(); }

sqlite3_stmt* ObjectDatabase::Prepared(StatementKind kind) {
  sqlite3_stmt*& prepared = statements_->prepared[static_cast<std::size_t>(kind)];
  if (!prepared) prepared = Prepare(db_, kStatementTexts[static_cast<std::size_t>(kind)]);
  return prepared;
}

ObjectDatabase::Result ObjectDatabase::Read(const git_oid& id, git_object_t* type, void** data,
                                            std::size_t* size, const Allocator& allocate) {
  if (!Usable()) return Result::kError;
  sqlite3_stmt* s = Prepared(StatementKind::kRead);
  StatementUse use(s);
  BindId(s, 1, id.id);
  const int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return Result::kNotFound;
  if (rc != SQLITE_ROW) return FailReading("read object " + HexOf(id));
  const void* bytes = sqlite3_column_blob(s, 2);
  const std::size_t length = static_cast<std::size_t>(sqlite3_column_bytes(s, 2));
  if (!bytes && length) return FailReading("read object " + HexOf(id));
  const int storedType = sqlite3_column_int(s, 0);
  if (!KnownType(storedType) || sqlite3_column_int64(s, 1) != sqlite3_int64(length)) {
    return Damaged(id);
  }
  void* buffer = allocate(std::max<std::size_t>(length, 1));
  if (!buffer) return FailReading("read object " + HexOf(id) + " (out of memory)");
  std::memcpy(buffer, bytes ? bytes : "", length);
  *type = static_cast<git_object_t>(storedType);
  *data = buffer;
  *size = length;
  return Result::kOk;
}

ObjectDatabase::Result ObjectDatabase::ReadHeader(const git_oid& id, git_object_t* type,
                                                  std::size_t* size) {
  if (!Usable()) return Result::kError;
  sqlite3_stmt* s = Prepared(StatementKind::kReadHeader);
  StatementUse use(s);
  BindId(s, 1, id.id);
  const int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return Result::kNotFound;
  if (rc != SQLITE_ROW) return FailReading("read the header of object " + HexOf(id));
  const int storedType = sqlite3_column_int(s, 0);
  if (!KnownType(storedType) || sqlite3_column_int64(s, 1) < 0) {
    return Damaged(id);
  }
  *type = static_cast<git_object_t>(storedType);
  *size = static_cast<std::size_t>(sqlite3_column_int64(s, 1));
  return Result::kOk;
}

ObjectDatabase::Result ObjectDatabase::FindUnique(const git_oid& prefix, std::size_t hexLength,
                                                  git_oid* found) {
  if (!Usable()) return Result::kError;
  unsigned char low[GIT_OID_RAWSZ];
  unsigned char high[GIT_OID_RAWSZ];
  PrefixBounds(prefix, hexLength, low, high);
  sqlite3_stmt* s = Prepared(StatementKind::kFindPrefix);
  StatementUse use(s);
  BindId(s, 1, low);
  BindId(s, 2, high);
  int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return Result::kNotFound;
  if (rc == SQLITE_ROW && sqlite3_column_bytes(s, 0) == GIT_OID_RAWSZ) {
    git_oid_fromraw(found, static_cast<const unsigned char*>(sqlite3_column_blob(s, 0)));
    rc = sqlite3_step(s);
  }
  if (rc == SQLITE_ROW) return Result::kAmbiguous;
  if (rc == SQLITE_DONE) return Result::kOk;
  return FailReading("look up objects by the prefix " + HexOf(prefix).substr(0, hexLength));
}

ObjectDatabase::Result ObjectDatabase::Exists(const git_oid& id) {
  if (!Usable()) return Result::kError;
  sqlite3_stmt* s = Prepared(StatementKind::kExists);
  StatementUse use(s);
  BindId(s, 1, id.id);
  const int rc = sqlite3_step(s);
  if (rc == SQLITE_ROW) return Result::kOk;
  if (rc == SQLITE_DONE) return Result::kNotFound;
  return FailReading("look up object " + HexOf(id));
}

ObjectDatabase::Result ObjectDatabase::Write(const git_oid& id, const void* data, std::size_t size,
                                             git_object_t type) {
  if (!Writable() || !BeginWrites()) return Result::kError;
  sqlite3_stmt* s = Prepared(StatementKind::kWrite);
  StatementUse use(s);
  BindId(s, 1, id.id);
  sqlite3_bind_int(s, 2, type);
  sqlite3_bind_int64(s, 3, static_cast<sqlite3_int64>(size));
  BindBytes(s, 4, data, size);
  if (sqlite3_step(s) == SQLITE_DONE) return Result::kOk;
  FailWithId("write object", id);
  NoteLostWrites();
  return Result::kError;
}

bool ObjectDatabase::BeginReads() {
  if (!Usable()) return false;
  if (reading_ || pendingWrites_) return true;
  // What begins must be able to end.
  sqlite3_stmt* s =
      Prepared(StatementKind::kCommit) ? Prepared(StatementKind::kBeginReads) : nullptr;
  StatementUse use(s);
  if (sqlite3_step(s) != SQLITE_DONE) {
    Fail("begin reading objects");
    return false;
  }
  reading_ = true;
  return true;
}

// SQLite may have ended the transaction itself after a failed read (a full
// disk, an I/O error); there is nothing left to end then.
void ObjectDatabase::EndReads() {
  if (!reading_) return;
  reading_ = false;
  if (sqlite3_get_autocommit(db_)) return;
  sqlite3_stmt* s = Prepared(StatementKind::kCommit);
  StatementUse use(s);
  sqlite3_step(s);
}

ObjectDatabase::Result ObjectDatabase::CommitWrites() {
  EndReads();
  // Nothing is ever pending on a read-only connection.
  if (readOnly_) return Usable() ? Result::kOk : Result::kError;
  if (!Writable()) return Result::kError;
  if (!pendingWrites_) return Result::kOk;
  sqlite3_stmt* s = Prepared(StatementKind::kCommit);
  StatementUse use(s);
  if (sqlite3_step(s) == SQLITE_DONE) {
    pendingWrites_ = false;
    return Result::kOk;
  }
  Fail("commit the written objects");
  NoteLostWrites();
  return Result::kError;
}

bool ObjectDatabase::HasPendingWrites() const { return pendingWrites_; }

ObjectDatabase::Result ObjectDatabase::Close() {
  if (!db_) return Result::kOk;
  const Result result = CommitWrites();
  statements_.reset();
  // Whatever could not be committed is rolled back here.
  sqlite3_close(db_);
  db_ = nullptr;
  pendingWrites_ = false;
  return result;
}

bool ObjectDatabase::LookForWriter(bool* held) {
  sqlite3_file* file = nullptr;
  if (!db_ || !readOnly_ ||
      sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
      !file || !file->pMethods) {
    return false;
  }
  int reserved = 0;
  if (file->pMethods->xCheckReservedLock(file, &reserved) != SQLITE_OK) return false;
  *held = reserved != 0;
  return true;
}

void ObjectDatabase::SetBusyTimeout(std::chrono::milliseconds timeout) {
  if (db_) sqlite3_busy_timeout(db_, static_cast<int>(timeout.count()));
}

bool ObjectDatabase::Usable() {
  if (!db_) lastError_ = "The object database " + path_ + " is closed";
  return db_ != nullptr;
}

bool ObjectDatabase::Writable() {
  if (!Usable()) return false;
  if (readOnly_) {
    lastError_ = "The object database " + path_ + " is open for reading only";
    return false;
  }
  if (!lostWrites_.empty()) lastError_ = lostWrites_;
  return lostWrites_.empty();
}

// A read transaction could become a write transaction, but only without
// waiting for another writer; the write transaction of its own waits as any
// write does.
bool ObjectDatabase::BeginWrites() {
  if (pendingWrites_) return true;
  EndReads();
  // What begins must be able to end.
  sqlite3_stmt* s =
      Prepared(StatementKind::kCommit) ? Prepared(StatementKind::kBegin) : nullptr;
  StatementUse use(s);
  if (sqlite3_step(s) != SQLITE_DONE) {
    Fail(kBeginWrites);
    return false;
  }
  pendingWrites_ = true;
  return true;
}

ObjectDatabase::Result ObjectDatabase::Fail(const std::string& what) {
  lastError_ = FailureText(what, path_, sqlite3_errmsg(db_));
  return Result::kError;
}

std::string ObjectDatabase::LockedWritesReason(const std::string& path) {
  return FailureText(kBeginWrites, path, sqlite3_errstr(SQLITE_BUSY));
}

// A failed read is noted in the diagnostics: readers of a project give up
// on it without a word (a head commit that cannot be looked up makes its
// properties unreadable), and the reason must not be lost with it. Failed
// writes are reported by the step that wrote.
ObjectDatabase::Result ObjectDatabase::FailReading(const std::string& what) {
  Fail(what);
  ReportStorageFailure("Unable to read the object database", path_, lastError_, "ObjectDatabase",
                       __LINE__);
  return Result::kError;
}

ObjectDatabase::Result ObjectDatabase::Damaged(const git_oid& id) {
  lastError_ = "Object " + HexOf(id) + " in " + path_ + " is damaged";
  ReportStorageFailure("Unable to read the object database", path_, lastError_, "ObjectDatabase",
                       __LINE__);
  return Result::kError;
}

ObjectDatabase::Result ObjectDatabase::FailWithId(const std::string& what, const git_oid& id) {
  return Fail(what + " " + HexOf(id));
}

// SQLite rolls a transaction back by itself after some failures (a full
// disk, an I/O error); the objects written before then are gone, so nothing
// may refer to them: every later write and commit of this connection fails.
void ObjectDatabase::NoteLostWrites() {
  if (!pendingWrites_ || !sqlite3_get_autocommit(db_)) return;
  pendingWrites_ = false;
  lostWrites_ = "Objects written to " + path_ + " were rolled back after an error (" + lastError_ +
                "); the repository must be opened again";
}

}  // namespace git
}  // namespace mevstorage
