#include "SyncDatabase.h"

#include <memory>

#include <sqlite3.h>

#include "SampleHubError.h"

namespace samplehub {

namespace {

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;
using Statement = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

const char* const kSchema =
    "CREATE TABLE sync_state (key TEXT PRIMARY KEY NOT NULL, value TEXT NOT NULL)";
const char* const kRows =
    "INSERT INTO sync_state (key, value) VALUES"
    " ('lastSyncedCommit', ?1),"
    " ('lastSyncTime', datetime(?2, 'unixepoch')),"
    " ('serverRevision', CAST(?3 AS TEXT))";

[[noreturn]] void Fail(const std::string& path, sqlite3* db) {
  throw SampleHubError("Unable to make the synchronisation database " + path + ": " +
                       (db ? sqlite3_errmsg(db) : "out of memory"));
}

Connection OpenNew(const std::string& path) {
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  Connection db(raw, &sqlite3_close);
  if (rc != SQLITE_OK) Fail(path, raw);
  return db;
}

void InsertRows(sqlite3* db, const std::string& path, const SyncState& state) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, kRows, -1, &raw, nullptr) != SQLITE_OK) Fail(path, db);
  Statement insert(raw, &sqlite3_finalize);
  sqlite3_bind_text(raw, 1, state.lastSyncedCommit.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int64(raw, 2, state.lastSyncTime);
  sqlite3_bind_int64(raw, 3, state.serverRevision);
  if (sqlite3_step(raw) != SQLITE_DONE) Fail(path, db);
}

}  // namespace

void MakeSyncDatabase(const std::string& path, const SyncState& state) {
  Connection db = OpenNew(path);
  if (sqlite3_exec(db.get(), kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(path, db.get());
  InsertRows(db.get(), path, state);
  if (sqlite3_close(db.release()) != SQLITE_OK)
    throw SampleHubError("Unable to close the synchronisation database " + path);
}

}  // namespace samplehub
