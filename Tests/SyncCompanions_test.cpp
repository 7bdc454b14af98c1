// The files SQLite keeps beside "sync.sqlite3" move with it: set aside with
// it whole, so the kept copy holds every committed row, and back on undo;
// a "sync.sqlite3" that another program is writing is left as it was.

#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "HashTree.h"
#include "HostileSupport.h"
#include "HubFixture.h"

namespace velders {
namespace testing {
namespace {

namespace fs = std::filesystem;
using samplehub::SyncCompanions;

const char* const kSuffixes[] = {"", "-journal", "-wal", "-shm"};

class SyncDatabases : public HubTest {
 protected:
  void MakeWith(const std::string& folder, SyncCompanions companions) {
    samplehub::SampleProject project = Project(folder, folder.substr(0, folder.find('.')));
    project.syncCompanions = companions;
    Make(project);
  }
  // The rows SQLite reads from a copy of the set-aside database and its
  // companions, and its integrity check; the copy is opened, so that the
  // project's own files stay as they are.
  std::pair<std::vector<int>, std::string> ReadCopy(const std::string& folder) const {
    const std::string copy = home_.Home() + "/copy-" + folder;
    fs::create_directory(copy);
    for (const char* suffix : kSuffixes) {
      const std::string from = Folder(folder) + "/pre_recovery_sync.sqlite3" + suffix;
      if (fs::exists(from)) fs::copy_file(from, copy + "/sync.sqlite3" + suffix);
    }
    sqlite3* db = nullptr;
    sqlite3_open_v2((copy + "/sync.sqlite3").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    std::vector<int> rows;
    sqlite3_exec(db, "SELECT id FROM pending_changes ORDER BY id",
                 [](void* out, int, char** values, char**) {
                   static_cast<std::vector<int>*>(out)->push_back(std::stoi(values[0]));
                   return 0;
                 }, &rows, nullptr);
    std::string integrity = "no answer";
    sqlite3_exec(db, "PRAGMA integrity_check",
                 [](void* out, int, char** values, char**) {
                   *static_cast<std::string*>(out) = values[0];
                   return 0;
                 }, &integrity, nullptr);
    sqlite3_close(db);
    return {rows, integrity};
  }
};

// Another program writing a database: a child process that holds the
// write transaction `sql` begins until it is killed. A process of its own,
// since this one reading the files would drop its locks (POSIX locks go
// with any descriptor of the file that the process closes).
class WriterInChild {
 public:
  WriterInChild(const std::string& database, const char* sql) {
    int ready[2];
    if (::pipe(ready) != 0) throw std::runtime_error("no pipe");
    child_ = ::fork();
    if (child_ == 0) {
      sqlite3* db = nullptr;
      sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
      const char byte = sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK ? 'y' : 'n';
      if (::write(ready[1], &byte, 1) == 1) ::pause();
      ::_exit(0);
    }
    char byte = 'n';
    if (child_ < 0 || ::read(ready[0], &byte, 1) != 1 || byte != 'y') {
      throw std::runtime_error("the writer of " + database + " did not start");
    }
    ::close(ready[0]);
    ::close(ready[1]);
  }
  ~WriterInChild() {
    ::kill(child_, SIGKILL);
    ::waitpid(child_, nullptr, 0);
  }
  WriterInChild(const WriterInChild&) = delete;
  WriterInChild& operator=(const WriterInChild&) = delete;

 private:
  pid_t child_ = -1;
};

std::vector<int> CommittedRows() {
  std::vector<int> rows;
  for (int id = 1; id <= samplehub::kPendingRows; ++id) rows.push_back(id);
  return rows;
}

// "Journal.vd" is promoted too: the folder's rename carries its files.
TEST_F(SyncDatabases, CompanionsAreSetAsideWithTheirDatabaseWholeAndPutBackOnUndo) {
  MakeWith("Log.vd2", SyncCompanions::kWal);
  MakeWith("Journal.vd", SyncCompanions::kHotJournal);
  const auto before = HubFiles();
  ASSERT_EQ(0, RecoverAll(false).exitCode);

  const auto after = HubFiles();
  for (const auto& [folder, was] : {std::pair<std::string, std::string>{"Log.vd2", "Log.vd2"},
                                    {"Journal.vd2", "Journal.vd"}}) {
    for (const char* suffix : kSuffixes) {
      const std::string name = std::string("sync.sqlite3") + suffix;
      EXPECT_EQ(0u, after.count(folder + "/" + name)) << folder << " keeps " << name;
      const auto original = before.find(was + "/" + name);
      if (original == before.end()) continue;
      EXPECT_EQ(original->second, after.at(folder + "/pre_recovery_" + name)) << folder << name;
    }
    EXPECT_EQ(std::make_pair(CommittedRows(), std::string("ok")), ReadCopy(folder)) << folder;
  }

  const std::string dryRun = Hub({"undo", "--all", "--dry-run"}).standardOutput;
  EXPECT_NE(std::string::npos, dryRun.find("put \"sync.sqlite3\" back with \"sync.sqlite3-wal\" "
                                           "and \"sync.sqlite3-shm\";")) << dryRun;
  EXPECT_NE(std::string::npos, dryRun.find("put \"sync.sqlite3\" back with "
                                           "\"sync.sqlite3-journal\";")) << dryRun;
  WriteBytes(Folder("Log.vd2") + "/sync.sqlite3-wal", "");
  const RunResult refused = Hub({"undo", Folder("Log.vd2")});
  EXPECT_NE(std::string::npos, refused.standardOutput.find(
                                   "would lose \"sync.sqlite3-wal\", made since the recovery; "))
      << refused.standardOutput << refused.standardError;
  fs::remove(Folder("Log.vd2") + "/sync.sqlite3-wal");
  const RunResult undo = Hub({"undo", "--all"});
  EXPECT_EQ(0, undo.exitCode) << undo.standardOutput << undo.standardError;
  EXPECT_EQ(before, HubFiles());
}

// One written in rollback mode, one writing its log. A taken name of a
// companion stops a recovery too.
TEST_F(SyncDatabases, ADatabaseAnotherProgramWritesIsLeftAsItWasAndStatusSaysWhy) {
  Make(Project("Held.vd2", "Held"));
  Make(Project("Log.vd2", "Log"));
  Make(Project("Taken.vd2", "Taken"));
  Make(Project("Z.vd2", "Healthy"));
  WriteBytes(Folder("Taken.vd2") + "/pre_recovery_sync.sqlite3-shm", "");
  WriterInChild held(Folder("Held.vd2") + "/sync.sqlite3", "BEGIN IMMEDIATE");
  WriterInChild log(Folder("Log.vd2") + "/sync.sqlite3",
                    "PRAGMA journal_mode=WAL; BEGIN IMMEDIATE; INSERT INTO sync_state "
                    "VALUES('pending', 'x')");
  const auto before = HubFiles();

  const std::string status = Hub({"status"}).standardOutput;
  const RunResult run = RecoverAll(false);

  const std::string inUse = " is in use by another program";
  for (const char* folder : {"Held.vd2", "Log.vd2"}) {
    const std::string reason = Folder(folder) + "/sync.sqlite3" + inUse;
    EXPECT_NE(std::string::npos, status.find(": " + reason + "; it would be left as it was\n"))
        << status;
    EXPECT_NE(std::string::npos, run.standardError.find(LeftAsItWas(folder, reason)))
        << run.standardError;
  }
  EXPECT_NE(std::string::npos,
            run.standardError.find(LeftAsItWas(
                "Taken.vd2", Folder("Taken.vd2") + "/pre_recovery_sync.sqlite3-shm is already there")))
      << run.standardError;
  EXPECT_NE(std::string::npos, run.standardError.find("\nRecovered 1 Velders.\n"));
  auto now = HubFiles();
  for (const auto& [name, id] : before) {
    if (name.rfind("Z.vd2/", 0) != 0) {
      EXPECT_EQ(id, now[name]) << name;
    }
  }
}

}  // namespace
}  // namespace testing
}  // namespace velders
