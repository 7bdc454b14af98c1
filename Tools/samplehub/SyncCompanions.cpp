#include "SyncCompanions.h"

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "SampleHubError.h"

namespace samplehub {
namespace {

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

const std::string kCommitRows =
    "CREATE TABLE pending_changes (id INTEGER PRIMARY KEY, payload BLOB NOT NULL);"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
    std::to_string(kPendingRows) + ") INSERT INTO pending_changes SELECT i, zeroblob(1500) FROM n;";
// Far more pages than the cache holds, so that they spill into the file.
const char* const kReplaceRows =
    "PRAGMA cache_size = 10; BEGIN; DELETE FROM pending_changes;"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400)"
    " INSERT INTO pending_changes SELECT 1000 + i, randomblob(1500) FROM n;";

Connection Open(const std::string& path) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
  Connection db(raw, &sqlite3_close);
  if (rc != SQLITE_OK) throw SampleHubError("Unable to open " + path);
  return db;
}

void Run(sqlite3* db, const std::string& path, const std::string& sql) {
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    throw SampleHubError("Unable to write " + path + ": " + sqlite3_errmsg(db));
  }
}

// The checkpoint that closing the last connection makes is left out, so the
// log and its index stay with the rows only in them.
void LeaveLog(const std::string& path) {
  Connection db = Open(path);
  Run(db.get(), path, "PRAGMA journal_mode = WAL");
  sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  Run(db.get(), path, kCommitRows);
}

void LeaveHotJournal(const std::string& path) {
  Run(Open(path).get(), path, kCommitRows);
  const pid_t child = ::fork();
  if (child == 0) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, kReplaceRows, nullptr, nullptr, nullptr);
    ::_exit(0);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      ::access((path + "-journal").c_str(), F_OK) != 0) {
    throw SampleHubError("Unable to leave a hot journal beside " + path);
  }
}

}  // namespace

void LeaveSyncCompanions(const std::string& path, SyncCompanions companions) {
  if (companions == SyncCompanions::kWal) LeaveLog(path);
  if (companions == SyncCompanions::kHotJournal) LeaveHotJournal(path);
}

}  // namespace samplehub
