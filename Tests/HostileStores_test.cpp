// Broken project stores: each is said on the console or in the log, the run
// goes on, and nothing in the folder is lost.

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "HostileSupport.h"
#include "HubFixture.h"
#include "Transcript.h"

namespace velders {
namespace testing {
namespace {

using samplehub::HashTree;

class BrokenStores : public HubTest {
 protected:

  std::string OpenFailure(const std::string& folder, const std::string& reason) const {
    return ExceptionLineStart(Folder(folder)) + "Unable to open the repository in " +
           Git(folder) + ": " + reason + "\n";
  }

  // A healthy project after the broken ones shows that the walk goes on.
  void MakeLastHealthyProject() { Make(Project("Z.vd2", "Healthy")); }

  // Every entry of each folder, hashed: equal snapshots are byte-identical.
  std::map<std::string, std::map<std::string, std::string>> Snapshot(
      const std::vector<std::string>& folders) const {
    std::map<std::string, std::map<std::string, std::string>> trees;
    for (const std::string& folder : folders) trees[folder] = HashTree(Folder(folder));
    return trees;
  }
};

const std::vector<std::string> kUnopenable = {"Cut.vd2",     "Garbage.vd2", "Empty.vd2",
                                              "Version.vd2", "Columns.vd2", "GitFile.vd2"};

TEST_F(BrokenStores, DatabasesThatCannotBeOpenedAreSaidAndLeftAsTheyWere) {
  for (const std::string& name : kUnopenable) Make(Project(name, name));
  MakeLastHealthyProject();
  CutFile(Database("Cut.vd2"), 4096);
  WriteBytes(Database("Garbage.vd2"), std::string(8192, '\x5a'));
  WriteBytes(Database("Empty.vd2"), "");
  RunSql(Database("Version.vd2"), "PRAGMA user_version = 7");
  RunSql(Database("Columns.vd2"), "ALTER TABLE objects ADD COLUMN packed INTEGER");
  ASSERT_EQ(0, std::system(("rm -rf '" + Git("GitFile.vd2") + "'").c_str()));
  WriteBytes(Git("GitFile.vd2"), "gitdir: elsewhere\n");
  const auto before = Snapshot(kUnopenable);

  RunResult run = RecoverAll(false);

  EXPECT_EQ(Dialogue() + WalkStart() +
                OpenFailure("Columns.vd2", "the object database has another schema") +
                OpenFailure("Cut.vd2", "database disk image is malformed") +
                OpenFailure("Empty.vd2", "the object database is empty or cut short") +
                OpenFailure("Garbage.vd2", "file is not a database") +
                OpenFailure("GitFile.vd2", "it is not a folder") +
                OpenFailure("Version.vd2", "the object database has another schema") +
                "Recovering: Healthy\n" + Summary(1),
            run.standardError);
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(before, Snapshot(kUnopenable));
}

TEST_F(BrokenStores, DatabaseLockedLongerThanTheBusyWaitIsSaidAndLeftAsItWas) {
  Make(Project("Locked.vd2", "Locked"));
  MakeLastHealthyProject();
  const auto before = HashTree(Folder("Locked.vd2"));
  RunResult run;
  {
    HeldDatabase host(Database("Locked.vd2"), "BEGIN EXCLUSIVE");
    run = RecoverAll(false);
  }
  EXPECT_EQ(Dialogue() + WalkStart() + OpenFailure("Locked.vd2", "database is locked") +
                "Recovering: Healthy\n" + Summary(1),
            run.standardError);
  EXPECT_EQ(before, HashTree(Folder("Locked.vd2")));
}

// Another program writing keeps the recovery from storing its commit. That
// is the first thing a recovery writes, so the project is left exactly as
// it was, and the console says why.
TEST_F(BrokenStores, DatabaseHeldForWritingFailsTheCommitAndSaysWhy) {
  samplehub::SampleProject project = Project("Busy.vd2", "Busy");
  project.deletedMarker = true;
  Make(project);
  const auto before = HashTree(Folder("Busy.vd2"));
  RunResult run;
  {
    HeldDatabase host(Database("Busy.vd2"), "BEGIN IMMEDIATE");
    run = RecoverAll(false);
  }
  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: Busy\n    Unable to recover " +
                Folder("Busy.vd2") + " : Unable to store the recovery commit: Unable to begin "
                "writing objects in " + Folder("Busy.vd2") + "/git/odb.sqlite3: database is "
                "locked; it is left as it was\n" + Summary(0),
            run.standardError);
  const auto after = HashTree(Folder("Busy.vd2"));
  for (const auto& [name, id] : before) {
    if (name != "git/odb.sqlite3") {
      EXPECT_EQ(id, after.at(name)) << name;
    }
  }
  EXPECT_EQ(before.size(), after.size());
}

TEST_F(BrokenStores, UnreadableHeadObjectsAreReportedAndLeftAsTheyWere) {
  const std::vector<std::string> unreadable = {"Commit.vd2", "Blob.vd2", "Missing.vd2"};
  for (const std::string& name : unreadable) Make(Project(name, name));
  MakeLastHealthyProject();
  SpoilObjectData(Database("Commit.vd2"), samplehub::ReadHeadCommit(Git("Commit.vd2")).id);
  SpoilObjectData(Database("Blob.vd2"), samplehub::ReadHeadTree(Git("Blob.vd2")).at("properties"));
  WriteBytes(Git("Missing.vd2") + "/refs/heads/production",
             "0123456789abcdef0123456789abcdef01234567\n");
  const auto before = Snapshot(unreadable);

  RunResult run = RecoverAll(false);

  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: Healthy\n" + Summary(1), run.standardError);
  const auto records = LogRecords(home_);
  const nlohmann::json commit = FindRecord(records, 92, "ReadSessionProperties");
  const nlohmann::json blob = FindRecord(records, 98, "ReadSessionProperties");
  ASSERT_FALSE(commit.is_null()) << nlohmann::json(records).dump();
  ASSERT_FALSE(blob.is_null()) << nlohmann::json(records).dump();
  EXPECT_EQ("Git operation error", commit["message"]);
  EXPECT_NE(std::string::npos, blob["values"]["message"].get<std::string>().find("hash mismatch"))
      << blob.dump();
  std::size_t commitRecords = 0;
  for (const nlohmann::json& record : records) {
    commitRecords += record.value("line", 0) == 92 && !record.contains("assertion");
  }
  EXPECT_EQ(2u, commitRecords);  // the spoilt commit and the one that is missing
  EXPECT_EQ(before, Snapshot(unreadable));
}

// Commit times that no calendar date matches: the projects are said and left
// as they were; a time that does not even parse makes the commit unreadable.
TEST_F(BrokenStores, CommitTimesBeyondTheCalendarAreSaidAndLeftAsTheyWere) {
  const std::vector<std::string> odd = {"Early.vd2", "Late.vd2", "Huge.vd2"};
  for (const std::string& name : odd) Make(Project(name, name));
  MakeLastHealthyProject();
  CommitHeadTreeAt(Git("Early.vd2"), "-99999999999");
  CommitHeadTreeAt(Git("Late.vd2"), "253402300800");  // 10000-01-01
  CommitHeadTreeAt(Git("Huge.vd2"), "18446744073709551616");
  const auto before = Snapshot(odd);

  RunResult run = RecoverAll(false);

  EXPECT_EQ(Dialogue() + WalkStart() + ExceptionLineStart(Folder("Early.vd2")) +
                "Cannot convert dates prior to Jan 1, 1970\n" +
                ExceptionLineStart(Folder("Late.vd2")) + "Year is out of valid range: 1400..9999\n" +
                "Recovering: Healthy\n" + Summary(1),
            run.standardError);
  const nlohmann::json record = FindRecord(LogRecords(home_), 92, "ReadSessionProperties");
  ASSERT_FALSE(record.is_null());
  EXPECT_NE(std::string::npos, record["values"]["message"].get<std::string>().find("signature"))
      << record.dump();
  EXPECT_EQ(before, Snapshot(odd));
}

}  // namespace
}  // namespace testing
}  // namespace velders
