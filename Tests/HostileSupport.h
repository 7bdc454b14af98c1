#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

struct sqlite3;

namespace velders {
namespace testing {

class ScratchHome;

// The records of the run's structured log (log.jsonl in the state folder).
std::vector<nlohmann::json> LogRecords(const ScratchHome& home);
// The first record raised at that line of that function; null when none.
nlohmann::json FindRecord(const std::vector<nlohmann::json>& records, int line,
                          const std::string& function);

std::size_t CountOccurrences(const std::string& text, const std::string& part);

// Runs SQL on a database file; throws with SQLite's reason on failure.
void RunSql(const std::string& database, const std::string& sql);
// Changes one byte of an object's stored data (its size stays), so that the
// row no longer hashes to its id.
void SpoilObjectData(const std::string& database, const std::string& hexId);

// Moves "production" of a project's "git" folder to a new commit of the head
// tree whose time is `time`, written as it stands: the library that makes
// commits cannot write times beyond 32 bits, old projects may hold them.
void CommitHeadTreeAt(const std::string& gitFolder, const std::string& time);

void WriteBytes(const std::string& path, const std::string& bytes);
void CutFile(const std::string& path, std::size_t length);

// Holds a SQLite lock on a database, as another program would, while it
// lives: "BEGIN EXCLUSIVE" keeps readers out, "BEGIN IMMEDIATE" only writers.
class HeldDatabase {
 public:
  HeldDatabase(const std::string& database, const char* begin);
  ~HeldDatabase();
  HeldDatabase(const HeldDatabase&) = delete;
  HeldDatabase& operator=(const HeldDatabase&) = delete;

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace testing
}  // namespace velders
