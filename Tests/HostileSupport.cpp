#include "HostileSupport.h"

#include <git2.h>
#include <sqlite3.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

#include "ProgramRunner.h"
#include "SampleHub.h"
#include "mevstorage/git/References.h"
#include "mevstorage/git/Storage.h"

namespace velders {
namespace testing {
namespace {

sqlite3* OpenDatabase(const std::string& database) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    const std::string reason = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + database + ": " + reason);
  }
  return db;
}

void Execute(sqlite3* db, const std::string& sql) {
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    throw std::runtime_error("cannot run " + sql + ": " + sqlite3_errmsg(db));
  }
}

}  // namespace

std::vector<nlohmann::json> LogRecords(const ScratchHome& home) {
  std::ifstream log(home.StateFolder() + "/Velders Recovery/log.jsonl");
  std::vector<nlohmann::json> records;
  for (std::string line; std::getline(log, line);) records.push_back(nlohmann::json::parse(line));
  return records;
}

nlohmann::json FindRecord(const std::vector<nlohmann::json>& records, int line,
                          const std::string& function) {
  for (const nlohmann::json& record : records) {
    if (record.value("line", 0) == line && record.value("function", "") == function &&
        !record.contains("assertion")) {
      return record;
    }
  }
  return nullptr;
}

std::size_t CountOccurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

void RunSql(const std::string& database, const std::string& sql) {
  sqlite3* db = OpenDatabase(database);
  try {
    Execute(db, sql);
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  sqlite3_close(db);
}

void SpoilObjectData(const std::string& database, const std::string& hexId) {
  // The last byte with its lowest bit flipped; commits and blobs here are text.
  const std::string last = "unicode(substr(CAST(data AS TEXT), -1))";
  RunSql(database, "UPDATE objects SET data = CAST(substr(data, 1, size - 1) || char((" + last +
                       " | 1) - (" + last + " & 1)) AS BLOB) WHERE oid = x'" + hexId + "'");
}

void CommitHeadTreeAt(const std::string& gitFolder, const std::string& time) {
  const std::string text = "tree " + samplehub::ReadHeadCommit(gitFolder).treeId +
                           "\nauthor Editor <editor@example.invalid> " + time +
                           " +0000\ncommitter Editor <editor@example.invalid> " + time +
                           " +0000\n\nSaved at an odd time\n";
  git_oid id;
  {
    const mevstorage::git::RepositoryHandle repository =
        mevstorage::git::SQLite3OdbBackend::OpenRepository(
            mevcore::filesupport::Dir::FromNativePath(gitFolder));
    mevstorage::git::Wrap<git_odb> odb;
    if (git_repository_odb(&odb.ptr, repository->ptr) != 0 ||
        git_odb_write(&id, odb.ptr, text.data(), text.size(), GIT_OBJECT_COMMIT) != 0) {
      throw std::runtime_error("cannot write a commit in " + gitFolder);
    }
  }
  WriteBytes(gitFolder + "/refs/heads/production", mevstorage::git::HexOf(id) + "\n");
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

void CutFile(const std::string& path, std::size_t length) {
  if (truncate(path.c_str(), static_cast<off_t>(length)) != 0) {
    throw std::runtime_error("cannot cut " + path);
  }
}

HeldDatabase::HeldDatabase(const std::string& database, const char* begin)
    : db_(OpenDatabase(database)) {
  Execute(db_, begin);
}

HeldDatabase::~HeldDatabase() {
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(db_);
}

}  // namespace testing
}  // namespace velders
