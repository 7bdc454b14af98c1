// velders-hub check: its lines and exit codes for sound and broken stores,
// its command line, and that it reads the hub without changing, making or
// locking anything while a host application writes.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FolderSnapshot.h"
#include "HostileSupport.h"
#include "HubFixture.h"
#include "HubReadOnly.h"
#include "records/Version.h"

namespace velders {
namespace testing {
namespace {

class HubCheck : public HubTest {};

TEST_F(HubCheck, SampleHubIsSoundAndLeftExactlyAsItWasWhileAHostWrites) {
  MakeStandardSample();
  const WritingHost host(Database("Harbour Lights.vd2"));
  ASSERT_TRUE(host.Held());
  const auto before = mevstorage::testing::SnapshotFolder(home_.Hub());
  const auto changedBefore = ChangeTimes(home_.Hub());

  const RunResult run = Hub({"check"});

  EXPECT_EQ(before, mevstorage::testing::SnapshotFolder(home_.Hub()));
  EXPECT_EQ(changedBefore, ChangeTimes(home_.Hub()));
  EXPECT_EQ(1u, before.count("Harbour Lights.vd2/git/odb.sqlite3-journal"));
  EXPECT_EQ(
      "Coastal Survey.vd2: ok\nHarbour Lights.vd2: ok\nLighthouse Rough Cut.vd2: ok\n"
      "Spring Campaign.vd2: ok\nWinter Edit 2017.vd: ok\n",
      run.standardOutput);
  EXPECT_EQ("", run.standardError);
  EXPECT_EQ(0, run.exitCode);
}

TEST_F(HubCheck, BrokenStoresAreNamedOneLineEachAndFailTheRun) {
  for (const char* name :
       {"Forged.vd2", "Hole.vd2", "Dangling\x07.vd2", "Garbage.vd2", "Wal.vd2", "Z.vd2"}) {
    Make(Project(name, "P"));
  }
  std::string properties = samplehub::ReadHeadProperties(Git("Forged.vd2"));
  const std::string forgedId = samplehub::ReadHeadTree(Git("Forged.vd2")).at("properties");
  SpoilObjectData(Database("Forged.vd2"), forgedId);
  properties.back() = static_cast<char>(properties.back() ^ 1);
  const samplehub::HeadCommit hole = samplehub::ReadHeadCommit(Git("Hole.vd2"));
  const std::string holeId = samplehub::ReadHeadTree(Git("Hole.vd2")).at("properties");
  RunSql(Database("Hole.vd2"), "DELETE FROM objects WHERE oid = x'" + holeId + "'");
  const std::string nowhere = "0123456789abcdef0123456789abcdef01234567";
  WriteBytes(Git("Dangling\x07.vd2") + "/refs/heads/stray", nowhere + "\n");
  WriteBytes(Database("Garbage.vd2"), std::string(8192, 'Z'));
  RunSql(Database("Wal.vd2"), "PRAGMA journal_mode=WAL");
  const auto before = mevstorage::testing::SnapshotFolder(home_.Hub());

  const RunResult run = Hub({"check"});

  EXPECT_EQ("Dangling\\x07.vd2: 1 problem: refs/heads/stray names " + nowhere +
                ", which is missing\n"
                "Forged.vd2: 1 problem: object " + forgedId + ": its data as a blob hashes to " +
                HexOfBlob(properties) + "\n" +
                "Garbage.vd2: Unable to open the repository in " + Git("Garbage.vd2") +
                ": file is not a database\n" +
                "Hole.vd2: 1 problem: blob " + holeId + ", named by tree " + hole.treeId +
                ", is missing\n" +
                "Wal.vd2: Unable to open the repository in " + Git("Wal.vd2") +
                ": odb.sqlite3 is in WAL mode, which SQLite cannot read without making files "
                "beside it\n"
                "Z.vd2: ok\n",
            run.standardOutput);
  EXPECT_EQ("", run.standardError);
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(before, mevstorage::testing::SnapshotFolder(home_.Hub()));
}

TEST_F(HubCheck, FoldersAreNamedInTheHubOrByPathAndTheCommandLineIsChecked) {
  Make(Project("A.vd2", "A"));
  const std::string hub = home_.Hub();
  const std::string elsewhere = "--hub=" + home_.Home();

  RunResult named = Hub({"check", "--hub", hub, "A.vd2", Folder("A.vd2"), "Nope.vd2"});
  EXPECT_EQ("A.vd2: ok\n" + Folder("A.vd2") + ": ok\nNope.vd2: Unable to open the repository in " +
                Folder("Nope.vd2") + "/git: the folder does not exist\n",
            named.standardOutput);
  EXPECT_EQ(1, named.exitCode);

  RunResult noProjects = Hub({"check", elsewhere});
  EXPECT_EQ("", noProjects.standardOutput);
  EXPECT_EQ("No projects in " + home_.Home() + "\n", noProjects.standardError);
  EXPECT_EQ(0, noProjects.exitCode);

  RunResult noHub = Hub({"check", "--hub", hub + "/missing"});
  EXPECT_EQ("", noHub.standardOutput);
  EXPECT_EQ("The hub " + hub + "/missing does not exist\n", noHub.standardError);
  EXPECT_EQ(1, noHub.exitCode);

  RunResult version = Hub({"--version"});
  EXPECT_EQ(std::string("velders-hub ") + kVersionText + "\n", version.standardOutput);
  EXPECT_EQ(0, version.exitCode);

  RunResult help = Hub({"check", "--help"});
  EXPECT_NE(std::string::npos, help.standardOutput.find("--hub DIR")) << help.standardOutput;
  EXPECT_NE(std::string::npos, help.standardOutput.find("Exit codes:")) << help.standardOutput;
  EXPECT_EQ(0, help.exitCode);

  const std::vector<std::vector<std::string>> usageErrors = {
      {}, {"undo-everything"}, {"check", "--bogus"}, {"check", "--hub"}};
  for (const std::vector<std::string>& wrong : usageErrors) {
    RunResult usage = Hub(wrong);
    EXPECT_EQ(2, usage.exitCode) << ::testing::PrintToString(wrong);
    EXPECT_EQ("", usage.standardOutput) << ::testing::PrintToString(wrong);
    EXPECT_NE("", usage.standardError) << ::testing::PrintToString(wrong);
  }
}

}  // namespace
}  // namespace testing
}  // namespace velders
