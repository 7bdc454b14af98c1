#include "HubReadOnly.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

namespace velders {
namespace testing {

WritingHost::WritingHost(const std::string& database) {
  int ready[2];
  int release[2];
  if (pipe(ready) != 0 || pipe(release) != 0) return;
  child_ = fork();
  if (child_ == 0) {
    close(ready[0]);
    close(release[1]);
    HoldUntilReleased(database, ready[1], release[0]);
  }
  close(ready[1]);
  close(release[0]);
  release_ = release[1];
  char answer = 'n';
  held_ = child_ > 0 && read(ready[0], &answer, 1) == 1 && answer == 'y';
  close(ready[0]);
}

WritingHost::~WritingHost() {
  if (release_ >= 0) close(release_);
  if (child_ > 0) waitpid(child_, nullptr, 0);
}

void WritingHost::HoldUntilReleased(const std::string& database, int ready, int release) {
  sqlite3* db = nullptr;
  const bool held =
      sqlite3_open(database.c_str(), &db) == SQLITE_OK &&
      sqlite3_exec(db, "BEGIN IMMEDIATE; INSERT INTO objects VALUES(randomblob(20), 3, 1, x'00')",
                   nullptr, nullptr, nullptr) == SQLITE_OK;
  char answer = held ? 'y' : 'n';
  if (write(ready, &answer, 1) == 1) {
    while (read(release, &answer, 1) > 0) {
    }
  }
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  _exit(0);
}

std::map<std::string, std::int64_t> ChangeTimes(const std::string& folder) {
  std::map<std::string, std::int64_t> times;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    struct stat info;
    if (lstat(entry.path().c_str(), &info) != 0) ADD_FAILURE() << "cannot look at " << entry.path();
    times[entry.path().string()] =
        std::int64_t(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
  }
  return times;
}

}  // namespace testing
}  // namespace velders
