// velders-hub status: one line and one JSON entry for each kind of entry a
// hub can hold, the counts, and that it reads the hub without changing,
// making or locking anything while a host application writes; over broken
// stores it names the reason the recovery would only log.

#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "FolderSnapshot.h"
#include "HostileSupport.h"
#include "HubFixture.h"
#include "HubReadOnly.h"
#include "project/Journal.h"

namespace velders {
namespace testing {
namespace {

class HubStatus : public HubTest {
 protected:
  RunResult Status(const std::vector<std::string>& options = {}) const {
    std::vector<std::string> arguments = {"status"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return Hub(arguments);
  }
  nlohmann::json StatusDocument() const {
    const RunResult run = Status({"--json"});
    EXPECT_EQ(0, run.exitCode) << run.standardError;
    return nlohmann::json::parse(run.standardOutput);
  }

  // A journal in progress whose commit the branch names, or does not.
  void LeaveJournal(const std::string& folder, bool branchNamesCommit) {
    project::Journal journal;
    const std::string tip = samplehub::ReadBranchTarget(Git(folder), "production");
    journal.head = tip;
    journal.production = tip;
    journal.commit = branchNamesCommit ? tip : "0123456789abcdef0123456789abcdef01234567";
    journal.recoveryTime = "2018-01-02T03:04:05";
    WriteBytes(Git(folder) + "/recovery-in-progress.json", project::JournalText(journal));
  }
};

std::string RecoveredPart(const std::string& info) {
  const std::size_t start = info.find("(Recovered: ") + 12;
  return info.substr(start, info.find(';', start) - start);
}

TEST_F(HubStatus, EachKindOfEntryIsSaidAndCountedWhileTheHubIsLeftExactlyAsItWas) {
  Make(Project("C.vd2", "Recovered"));
  ASSERT_EQ(0, RecoverAll(false).exitCode);
  const std::string recoveredAt = RecoveredPart(ReadFile("C.vd2/recovery_info.txt"));
  samplehub::SampleProject older = Project("A.vd", "Older");
  older.version = samplehub::kOlderDataModelVersion;
  Make(older);
  WriteBytes(Folder("A.vd/pre_recovery_version"), "saved by someone else");
  Make(Project("B.vd2", "Blocked"));
  WriteBytes(Git("B.vd2") + "/refs/heads/production.lock", "");
  for (const char* name : {"D.vd2", "E.vd2", "F.vd2", "G.vd2", "H.vd2", "I.vd2", "J.vd2"}) {
    samplehub::SampleProject project = Project(name, name);
    project.git = std::string(name) != "H.vd2";
    project.syncDatabase = std::string(name) != "F.vd2" && std::string(name) != "G.vd2";
    project.preRecoverySyncDatabase = std::string(name) == "F.vd2" || std::string(name) == "I.vd2";
    Make(project);
  }
  LeaveJournal("D.vd2", true);
  LeaveJournal("E.vd2", false);
  WriteBytes(Database("J.vd2"), std::string(8192, 'Z'));
  samplehub::SampleProject notJson = Project("K.vd2", "K");
  notJson.propertiesText = "not json";
  Make(notJson);
  const std::string kTip = samplehub::ReadHeadCommit(Git("K.vd2")).id;
  ASSERT_EQ(0, symlink(Folder("A.vd").c_str(), Folder("L link").c_str()));
  WriteBytes(Folder("M.txt"), "notes");

  // A host writing a store that its branch lock already refuses: status
  // reads it all the same, taking no lock that would stop the host.
  const WritingHost host(Database("B.vd2"));
  ASSERT_TRUE(host.Held());
  const auto before = mevstorage::testing::SnapshotFolder(home_.Hub());
  const auto changedBefore = ChangeTimes(home_.Hub());
  const RunResult run = Status();
  const nlohmann::json document = StatusDocument();
  EXPECT_EQ(before, mevstorage::testing::SnapshotFolder(home_.Hub()));
  EXPECT_EQ(changedBefore, ChangeTimes(home_.Hub()));

  const std::string modified = "modified 2017-Nov-19 13:00:00; \"version\" upgraded ";
  EXPECT_EQ(
      "A.vd: would recover \"Older\", " + modified +
          "with either upgrade answer; renamed to \"A.vd2\"; the upgrade would fail: "
          "\"pre_recovery_version\" holds other content than \"version\", and is never written "
          "over; with the upgrade answer yes that stops the run there, with no the run says so "
          "and still renames and counts the folder\n"
          "B.vd2: would not recover \"Blocked\", modified 2017-Nov-19 13:00:00: " + Git("B.vd2") +
          "/refs/heads/production.lock is there: another program is moving the branch, or one "
          "stopped part way; it would be left as it was\n"
          "C.vd2: already recovered " + recoveredAt + "\n" +
          "D.vd2: left part way by an interrupted run; the branch names its recovery commit, so "
          "the next run finishes it\n"
          "E.vd2: left part way by an interrupted run; the branch does not name its recovery "
          "commit, so the next run puts it back\n"
          "F.vd2: set aside by an earlier program without a recovery commit; the next run puts "
          "it back\n"
          "G.vd2: not a project: \"sync.sqlite3\" is missing\n"
          "H.vd2: not a project: \"git\" is missing\n"
          "I.vd2: not offered: it holds both \"sync.sqlite3\" and \"pre_recovery_sync.sqlite3\"\n"
          "J.vd2: cannot be read: Unable to open the repository in " + Git("J.vd2") +
          ": file is not a database\n"
          "K.vd2: cannot be read: \"properties\" of the commit " + kTip +
          " is not a session properties record\n"
          "L link: skipped: a symbolic link, which is not followed\n"
          "M.txt: skipped: a plain file\n"
          "\n"
          "1 would be recovered\n1 would not be recovered\n1 already recovered\n3 left part way\n3 not projects\n"
          "2 cannot be read\n2 skipped\n",
      run.standardOutput);
  EXPECT_EQ("", run.standardError);
  EXPECT_EQ(0, run.exitCode);

  const nlohmann::json& entries = document["entries"];
  ASSERT_EQ(13u, entries.size()) << document.dump(2);
  EXPECT_EQ(nlohmann::json::parse(R"({"folder": "A.vd", "kind": "wouldRecover",
      "name": "Older", "lastModified": "2017-11-19T13:00:00", "upgradeWithYes": true,
      "upgradeWithNo": true, "renamedTo": "A.vd2", "upgradeFails":
      "\"pre_recovery_version\" holds other content than \"version\", and is never written over",
      "stopsRunWithYes": true, "stopsRunWithNo": false})"),
      entries[0]);
  EXPECT_EQ("wouldNotRecover", entries[1]["kind"]);
  EXPECT_NE(std::string::npos, entries[1]["reason"].get<std::string>().find("production.lock"));
  EXPECT_EQ(false, entries[1]["stopsRun"]);
  EXPECT_EQ(recoveredAt, entries[2]["recovered"]);
  EXPECT_EQ("finishes", entries[3]["nextRun"]);
  EXPECT_EQ("interruptedRun", entries[4]["leftBy"]);
  EXPECT_EQ("putsBack", entries[4]["nextRun"]);
  EXPECT_EQ("earlierProgram", entries[5]["leftBy"]);
  EXPECT_EQ(nlohmann::json::array({"sync.sqlite3"}), entries[6]["missing"]);
  EXPECT_EQ(nlohmann::json::array(), entries[8]["missing"]);
  EXPECT_EQ("unreadable", entries[9]["kind"]);
  EXPECT_EQ("a plain file", entries[12]["reason"]);
  EXPECT_EQ(nlohmann::json::parse(R"({"wouldRecover": 1, "wouldNotRecover": 1, "recovered": 1,
      "leftPartWay": 3, "notAProject": 3, "unreadable": 2, "skipped": 2})"), document["counts"]);
  EXPECT_EQ(home_.Hub(), document["hub"]);
}

// The stores the recovery passes over with a console line or only a log
// record: each is unreadable, with the reason, and nothing stops the rest.
TEST_F(HubStatus, BrokenStoresAreUnreadableWithTheirReason) {
  const std::vector<std::string> names = {"Columns.vd2", "Commit.vd2", "Cut.vd2",  "Early.vd2",
                                          "Empty.vd2",   "GitFile.vd2", "Late.vd2", "Missing.vd2"};
  for (const std::string& name : names) Make(Project(name, name));
  Make(Project("Z.vd2", "Healthy"));
  RunSql(Database("Columns.vd2"), "ALTER TABLE objects ADD COLUMN packed INTEGER");
  const std::string spoilt = samplehub::ReadHeadCommit(Git("Commit.vd2")).id;
  SpoilObjectData(Database("Commit.vd2"), spoilt);
  CutFile(Database("Cut.vd2"), 4096);
  CommitHeadTreeAt(Git("Early.vd2"), "-99999999999");
  WriteBytes(Database("Empty.vd2"), "");
  ASSERT_EQ(0, std::system(("rm -rf '" + Git("GitFile.vd2") + "'").c_str()));
  WriteBytes(Git("GitFile.vd2"), "gitdir: elsewhere\n");
  CommitHeadTreeAt(Git("Late.vd2"), "253402300800");
  const std::string nowhere = "0123456789abcdef0123456789abcdef01234567";
  WriteBytes(Git("Missing.vd2") + "/refs/heads/production", nowhere + "\n");
  const auto before = mevstorage::testing::SnapshotFolder(home_.Hub());

  const nlohmann::json entries = StatusDocument()["entries"];

  EXPECT_EQ(before, mevstorage::testing::SnapshotFolder(home_.Hub()));
  const auto open = [&](const std::string& name, const std::string& reason) {
    return "Unable to open the repository in " + Git(name) + ": " + reason;
  };
  const std::vector<std::string> starts = {
      open("Columns.vd2", "the object database has another schema"),
      "Unable to read the commit " + spoilt + ": ",
      open("Cut.vd2", "database disk image is malformed"),
      "Cannot convert dates prior to Jan 1, 1970",
      open("Empty.vd2", "the object database is empty or cut short"),
      open("GitFile.vd2", "it is not a folder"),
      "Year is out of valid range: 1400..9999",
      "Unable to read the commit " + nowhere + ": ",
  };
  ASSERT_EQ(names.size() + 1, entries.size()) << entries.dump(2);
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(names[i], entries[i]["folder"]);
    EXPECT_EQ("unreadable", entries[i]["kind"]) << entries[i].dump();
    EXPECT_EQ(0u, entries[i]["reason"].get<std::string>().rfind(starts[i], 0)) << entries[i].dump();
  }
  EXPECT_EQ("wouldRecover", entries[names.size()]["kind"]);

  // The check says each broken store too, one line a project, and fails the
  // run; a commit time no calendar holds is no fault of the store.
  const RunResult check = Hub({"check"});
  EXPECT_EQ(1, check.exitCode);
  std::istringstream lines(check.standardOutput);
  std::vector<std::string> checked;
  for (std::string line; std::getline(lines, line);) checked.push_back(line);
  ASSERT_EQ(names.size() + 1, checked.size()) << check.standardOutput;
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(0u, checked[i].rfind(names[i] + ": ", 0)) << checked[i];
    const bool sound = names[i] == "Early.vd2" || names[i] == "Late.vd2";
    EXPECT_EQ(sound, checked[i] == names[i] + ": ok") << checked[i];
  }
  EXPECT_EQ("Z.vd2: ok", checked.back());
  EXPECT_EQ(before, mevstorage::testing::SnapshotFolder(home_.Hub()));
}

TEST_F(HubStatus, AMissingHubFailsAndAnEmptyOneIsSaid) {
  const RunResult missing = Status({"--hub", home_.Hub() + "/missing"});
  EXPECT_EQ(1, missing.exitCode);
  EXPECT_EQ("The hub " + home_.Hub() + "/missing does not exist\n", missing.standardError);

  const RunResult empty = Status();
  EXPECT_EQ(0, empty.exitCode);
  EXPECT_EQ("", empty.standardOutput);
  EXPECT_EQ("Nothing in " + home_.Hub() + "\n", empty.standardError);

  EXPECT_EQ(2, Status({"--json=maybe"}).exitCode);

  // A name that is not UTF-8 can be named back from its bytes.
  Make(Project("N\xff.vd2", "N"));
  const nlohmann::json entry = StatusDocument()["entries"][0];
  EXPECT_EQ("N\xef\xbf\xbd.vd2", entry["folder"]);
  EXPECT_EQ("4eff2e766432", entry["folderBytes"]);
}

}  // namespace
}  // namespace testing
}  // namespace velders
