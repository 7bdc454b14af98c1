// velders-hub undo: a recovery taken back leaves every project byte for byte
// as it was (its object database aside) and offered again; a project changed
// since its recovery is refused, or with --force replaced; an undo cut short
// is finished by the next recovery run.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "GitExport.h"

#include "HostileSupport.h"
#include "HubFixture.h"
#include "mevcore/filesupport/FolderLock.h"
#include "project/Journal.h"
#include "records/ConsoleText.h"

namespace velders {
namespace testing {
namespace {

class HubUndo : public HubTest {
 protected:
  RunResult Undo(const std::vector<std::string>& options) const {
    std::vector<std::string> arguments = {"undo"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return Hub(arguments);
  }
  std::string Record(const std::string& folder) const {
    return Folder(folder) + "/git/recovery-record.json";
  }
};

// The folders an undo output names as undone.
std::vector<std::string> UndoneFolders(const std::string& output) {
  std::vector<std::string> folders;
  const std::string undone = ": undone; offered again by the next recovery\n";
  for (std::size_t at = output.find(undone); at != std::string::npos;
       at = output.find(undone, at + 1)) {
    const std::size_t start = output.rfind('\n', at);
    folders.push_back(output.substr(start == std::string::npos ? 0 : start + 1,
                                    at - (start == std::string::npos ? 0 : start + 1)));
  }
  return folders;
}

class HubUndoRoundTrip : public HubUndo, public ::testing::WithParamInterface<bool> {};

TEST_P(HubUndoRoundTrip, EveryRecoveryTakenBackLeavesTheHubAsItWasAndOfferedAgain) {
  MakeStandardSample();
  const auto before = HubFiles();
  ASSERT_EQ(0, RecoverAll(GetParam()).exitCode);
  const std::string dryRun = Undo({"--all", "--dry-run"}).standardOutput;
  EXPECT_NE(std::string::npos, dryRun.find(": would undo: ")) << dryRun;
  ASSERT_NE(before, HubFiles());

  const RunResult undo = Undo({"--all"});
  // The sample's project recovered by an earlier program has no record.
  EXPECT_EQ(1, undo.exitCode) << undo.standardOutput << undo.standardError;
  EXPECT_NE(std::string::npos, undo.standardOutput.find(": refused: no record of what its "
                                                        "recovery did\n"))
      << undo.standardOutput;
  const std::vector<std::string> undone = UndoneFolders(undo.standardOutput);
  EXPECT_GE(undone.size(), 3u) << undo.standardOutput;
  EXPECT_EQ(before, HubFiles());

  ASSERT_EQ(0, RecoverAll(GetParam()).exitCode);
  for (const std::string& folder : undone) EXPECT_TRUE(Exists(folder + "/git/recovery-record.json"));
}

INSTANTIATE_TEST_SUITE_P(UpgradeAnswers, HubUndoRoundTrip, ::testing::Bool());

// The answers of a run: the upgrade answer, and either "recover all" or, in
// turn for each project offered, yes to those whose place in the walk has
// the given parity and no to the others.
struct Answers {
  bool upgrade;
  bool all;
  int yesParity;
};

// Every kind of project a recovery recovers, from the sample hub and from
// the hostile stores: names and folder names with controls, newlines and
// bytes that are not UTF-8, a name of a mebibyte, properties that are odd but
// valid, numbers no machine type holds, commit times beyond 32 bits, HEAD on
// another branch with or without "production", ".vd" folders with a
// "deleted" marker or an earlier "pre_recovery_version", no "version", a
// "recovery_info.txt" from before, and a hidden folder.
class HostileRoundTrip : public HubUndo, public ::testing::WithParamInterface<Answers> {
 protected:
  void Add(const samplehub::SampleProject& project) {
    Make(project);
    folders_.insert(project.folderName);
  }
  void Older(const std::string& folder, const std::string& name,
             const std::function<void(samplehub::SampleProject&)>& change = {}) {
    samplehub::SampleProject project = Project(folder, name);
    project.version = samplehub::kOlderDataModelVersion;
    if (change) change(project);
    Add(project);
  }
  void MakeRecoverableHub() {
    MakeStandardSample();
    folders_ = {"Coastal Survey.vd2", "Harbour Lights.vd2", "Winter Edit 2017.vd"};
    Add(Project("Esc\x1b[31m.vd2", "\x1b]0;Owned\x07Red\x1b[31m\rFake\xc2\x9b" "2J\x7f"));
    Add(Project("Rtl\xe2\x80\xae.vd2", "Invoice \xe2\x80\xae" "fdp.exe\xe2\x80\x8b"));
    Older("Two\nLines.vd", "Two Lines");
    Older("Caf\xe9.vd", "Cafe", [](auto& p) { p.deletedMarker = true; });
    Older("Saved.vd", "Saved", [](auto& p) {
      p.folderFiles = {{"pre_recovery_version", samplehub::kOlderDataModelVersion}};
    });
    std::string longName;
    while (longName.size() < (1u << 20)) longName += "Long \xc3\xa9 name ";
    Add(Project("Long.vd2", longName));
    samplehub::SampleProject exact = Project("Exact.vd2", "Exact");
    exact.propertiesText =
        R"({"c":123456789012345678901234567890,"f":1e-400,"g":[0.10000000000000000001,-0.0,2.5],)"
        R"("name":"Exact"})";
    Add(exact);
    samplehub::SampleProject odd = Project("Odd.vd2", "Odd");
    odd.propertiesText =
        R"({"commitId":"ab","description":"tab\there \u00e9\ud83c\udfac \"q\" \\","name":)"
        R"("\u0000nul \u2028sep","nested":{"a":[[],{},null,true,false,-9223372036854775808]},)"
        R"("tags":[],"\u00fc":"\/"})";
    Add(odd);
    samplehub::SampleProject bare = Project("Bare.vd2", "Bare");
    bare.version.reset();
    bare.folderFiles = {{"recovery_info.txt", "notes of the host"}};
    Add(bare);
    Add(Project(".Hidden.vd2", "Hidden"));
    Add(Project("Late.vd2", "Late"));
    CommitHeadTreeAt(Folder("Late.vd2") + "/git", "253402300799");  // 9999-12-31T23:59:59Z
    Add(Project("Draft.vd2", "Draft"));
    Add(Project("Unborn.vd2", "Unborn"));
    for (const std::string folder : {"Draft.vd2", "Unborn.vd2"}) {
      const std::string git = Folder(folder) + "/git";
      WriteBytes(git + "/refs/heads/draft", samplehub::ReadHeadCommit(git).id + "\n");
      WriteBytes(git + "/HEAD", "ref: refs/heads/draft\n");
    }
    // "production" moved to a commit HEAD's branch does not reach: its tip is kept aside.
    CommitHeadTreeAt(Folder("Draft.vd2") + "/git", "1511100000");
    ASSERT_EQ(0, ::unlink((Folder("Unborn.vd2") + "/git/refs/heads/production").c_str()));
  }

  // The folders the next run offers, in the walk's (byte-wise) order, and
  // the name each has once recovered; status says it offers them all, none
  // to be refused.
  std::vector<std::pair<std::string, std::string>> Offered() const {
    const RunResult status = Hub({"status"});
    EXPECT_EQ(folders_.size(), CountOccurrences(status.standardOutput, ": would recover \""));
    EXPECT_EQ(0u, CountOccurrences(status.standardOutput, ": would not recover"))
        << status.standardOutput;
    std::vector<std::pair<std::string, std::string>> offered;
    for (const std::string& folder : folders_) {
      const bool older = folder.size() > 3 && folder.compare(folder.size() - 3, 3, ".vd") == 0;
      offered.emplace_back(folder, older ? folder + "2" : folder);
    }
    return offered;
  }

  // Runs the recovery with the answers; returns the folders it recovered.
  std::set<std::string> Recover(const std::vector<std::pair<std::string, std::string>>& offered) {
    const Answers answers = GetParam();
    std::string input = std::string("n\n") + (answers.all ? "y\n" : "n\n") +
                        (answers.upgrade ? "y\n" : "n\n");
    std::set<std::string> recovered;
    for (std::size_t i = 0; i < offered.size(); ++i) {
      const bool yes = answers.all || static_cast<int>(i % 2) == answers.yesParity;
      if (!answers.all) input += yes ? "y\n" : "n\n";
      if (yes) recovered.insert(offered[i].second);
    }
    const RunResult run = home_.Recover(input + "\n");
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(recovered.size(), CountOccurrences(run.standardError, "Recovering: "))
        << run.standardError.substr(run.standardError.size() - 2000);  // the long name aside
    for (const std::string& folder : recovered) {
      EXPECT_TRUE(Exists(folder + "/git/recovery-record.json")) << ConsoleSafe(folder);
    }
    return recovered;
  }

  void ExpectPlainGitPasses(const std::string& folder) {
    using mevcore::filesupport::Dir;
    const std::string exported = home_.Home() + "/export-" + std::to_string(exports_++);
    mevstorage::testing::ExportToPlainGit(Dir::FromNativePath(Folder(folder) + "/git"),
                                          Dir::FromNativePath(exported));
    const auto fsck = mevstorage::testing::RunGitFsck(Dir::FromNativePath(exported));
    EXPECT_EQ(0, fsck.exitStatus) << ConsoleSafe(folder) << ": " << fsck.output;
  }

  std::set<std::string> folders_;
  int exports_ = 0;
};

TEST_P(HostileRoundTrip, EveryKindOfProjectIsTakenBackAsItWasAndRecoveredAgainIntoSoundGit) {
  MakeRecoverableHub();
  const auto offered = Offered();
  const auto before = HubFiles();
  const std::set<std::string> recovered = Recover(offered);

  const RunResult undo = Undo({"--all"});
  EXPECT_EQ(1, undo.exitCode);
  EXPECT_NE(std::string::npos, undo.standardOutput.find("Spring Campaign.vd2: refused: no record "
                                                        "of what its recovery did\n"));
  const std::vector<std::string> undone = UndoneFolders(undo.standardOutput);
  std::set<std::string> expected;
  for (const std::string& folder : recovered) expected.insert(ConsoleSafe(folder));
  EXPECT_EQ(expected, std::set<std::string>(undone.begin(), undone.end())) << undo.standardOutput;
  EXPECT_EQ(before, HubFiles());
  EXPECT_EQ(offered, Offered());

  EXPECT_EQ(recovered, Recover(offered));
  for (const std::string& folder : recovered) ExpectPlainGitPasses(folder);
}

INSTANTIATE_TEST_SUITE_P(AnswerCombinations, HostileRoundTrip,
                         ::testing::Values(Answers{false, true, 0}, Answers{true, true, 0},
                                           Answers{false, false, 0}, Answers{true, false, 1}));

// The stores and folders a recovery run leaves alone: named one by one, each
// is refused with the reason the run would give, in time (a FIFO is never
// waited on), and nothing of the hub changes; --all takes none of them.
TEST_F(HubUndo, WhatARecoveryLeavesAloneIsRefusedWithItsReasonAndUnchanged) {
  MakeStandardSample();
  for (const char* recoverable :
       {"Coastal Survey.vd2", "Harbour Lights.vd2", "Winter Edit 2017.vd"}) {
    ASSERT_EQ(0, std::system(("rm -r '" + Folder(recoverable) + "'").c_str()));
  }
  const std::vector<std::string> stores = {"Cut.vd2",    "Garbage.vd2", "Schema.vd2", "Spoilt.vd2",
                                           "Stray.vd2",  "Early.vd2",   "FifoHead.vd2",
                                           "Lock.vd2",   "Marked.vd2",  "Both.vd2",  "Link.vd2",
                                           "Zinfo.vd2"};
  for (const std::string& folder : stores) Make(Project(folder, folder));
  const auto git = [this](const std::string& folder) { return Folder(folder) + "/git"; };
  CutFile(git("Cut.vd2") + "/odb.sqlite3", 4096);
  WriteBytes(git("Garbage.vd2") + "/odb.sqlite3", std::string(8192, '\x5a'));
  RunSql(git("Schema.vd2") + "/odb.sqlite3", "PRAGMA user_version = 7");
  const std::string spoilt = samplehub::ReadHeadCommit(git("Spoilt.vd2")).id;
  SpoilObjectData(git("Spoilt.vd2") + "/odb.sqlite3", spoilt);
  const std::string spoiltAs = "9c5e4750141717b04113de887c4a3188e86acc27";
  const std::string stray = "0123456789abcdef0123456789abcdef01234567";
  WriteBytes(git("Stray.vd2") + "/refs/heads/production", stray + "\n");
  CommitHeadTreeAt(git("Early.vd2"), "-99999999999");
  ASSERT_EQ(0, ::unlink((git("FifoHead.vd2") + "/HEAD").c_str()));
  ASSERT_EQ(0, ::mkfifo((git("FifoHead.vd2") + "/HEAD").c_str(), 0644));
  WriteBytes(git("Lock.vd2") + "/refs/heads/production.lock", "");
  WriteBytes(Folder("Marked.vd2") + "/deleted", "");
  WriteBytes(Folder("Marked.vd2") + "/pre_recovery_deleted", "an older marker");
  WriteBytes(Folder("Both.vd2") + "/pre_recovery_sync.sqlite3", "");
  ASSERT_EQ(0, ::unlink((Folder("Link.vd2") + "/version").c_str()));
  ASSERT_EQ(0, ::symlink("../../outside", (Folder("Link.vd2") + "/version").c_str()));
  // The information file cannot be written, which ends the walk: it comes last.
  ASSERT_EQ(0, ::mkfifo((Folder("Zinfo.vd2") + "/recovery_info.txt").c_str(), 0644));
  Make(Project("Real.vd2", "Real"));
  ASSERT_EQ(0, home_.Recover("n\ny\ny\n\n").exitCode);
  // A recovered project moved out of the hub and linked into it.
  const std::string elsewhere = home_.Home() + "/Real.vd2";
  ASSERT_EQ(0, ::rename(Folder("Real.vd2").c_str(), elsewhere.c_str()));
  ASSERT_EQ(0, ::symlink(elsewhere.c_str(), Folder("Linked.vd2").c_str()));
  const auto before = samplehub::HashTree(home_.Hub());
  const auto linked = samplehub::HashTree(elsewhere);

  std::vector<std::string> arguments = {"undo"};
  arguments.insert(arguments.end(), stores.begin(), stores.end());
  const std::string linkedSelf = Folder("Linked.vd2") + "/./";
  for (const std::string& other : {std::string("Linked.vd2"), linkedSelf,
                                   std::string("Loose Exports"),
                                   std::string("Lighthouse Rough Cut.vd2"),
                                   std::string("Spring Campaign.vd2")}) {
    arguments.push_back(other);
  }
  const RunResult named = RunProgram(VELDERS_HUB_BINARY, home_.Environment(), "", arguments, 20);
  EXPECT_FALSE(named.timedOut);
  EXPECT_EQ(1, named.exitCode);
  const auto open = [&](const std::string& folder, const std::string& reason) {
    return folder + ": refused: cannot be read: Unable to open the repository in " + git(folder) +
           ": " + reason + "\n";
  };
  const std::string offered = ": refused: not recovered: the next velders-recovery run offers it";
  const std::string refusedBy = offered + ", but the recovery would be refused: ";
  EXPECT_EQ(open("Cut.vd2", "database disk image is malformed") +
                open("Garbage.vd2", "file is not a database") +
                open("Schema.vd2", "the object database has another schema") +
                "Spoilt.vd2: refused: cannot be read: Unable to read the commit " + spoilt +
                ": object hash mismatch - expected " + spoilt + " but got " + spoiltAs + "\n" +
                "Stray.vd2: refused: cannot be read: Unable to read the commit " + stray +
                ": object not found - no match for id (" + stray + ")\n"
                "Early.vd2: refused: cannot be read: Cannot convert dates prior to Jan 1, 1970\n" +
                open("FifoHead.vd2", "HEAD is not a regular file") + "Lock.vd2" + refusedBy +
                git("Lock.vd2") + "/refs/heads/production.lock is there: another program is "
                "moving the branch, or one stopped part way\n"
                "Marked.vd2" + refusedBy + Folder("Marked.vd2") + "/pre_recovery_deleted is "
                "already there\n"
                "Both.vd2: refused: not offered: it holds both \"sync.sqlite3\" and "
                "\"pre_recovery_sync.sqlite3\"\n"
                "Link.vd2" + refusedBy + Folder("Link.vd2") + "/version is a symbolic link, which "
                "is not followed\n"
                "Zinfo.vd2" + offered + ", but the recovery would fail and stop the run there: " +
                Folder("Zinfo.vd2") + "/recovery_info.txt is not a regular file\n"
                "Linked.vd2: refused: a symbolic link, which is not followed\n" + linkedSelf +
                ": refused: a symbolic link, which is not followed\n"
                "Loose Exports: refused: not a project: \"git\" and \"sync.sqlite3\" are missing\n"
                "Lighthouse Rough Cut.vd2: refused: cannot be read: \"properties\" of the commit " +
                samplehub::ReadHeadCommit(git("Lighthouse Rough Cut.vd2")).id +
                " is not a session properties record\n"
                "Spring Campaign.vd2: refused: no record of what its recovery did\n",
            named.standardOutput);
  const RunResult all = Undo({"--all"});
  EXPECT_EQ(1, all.exitCode);
  EXPECT_EQ("Spring Campaign.vd2: refused: no record of what its recovery did\n",
            all.standardOutput);
  EXPECT_EQ(before, samplehub::HashTree(home_.Hub()));
  EXPECT_EQ(linked, samplehub::HashTree(elsewhere));
}

TEST_F(HubUndo, AProjectChangedSinceItsRecoveryIsRefusedUnlessForced) {
  Make(Project("A.vd2", "A"));
  const auto before = HubFiles();
  ASSERT_EQ(0, RecoverAll(false).exitCode);
  WriteBytes(Folder("A.vd2/sync.sqlite3"), "made by the host since");
  WriteBytes(Folder("A.vd2/version"), "{\"changed\": true}");
  CommitHeadTreeAt(Folder("A.vd2/git"), "1700000000");
  const std::string tip = ReadFile("A.vd2/git/refs/heads/production").substr(0, 40);
  const std::string kept = "refs/pre_undo/" + tip;
  const auto changed = HubFiles();
  {
    const auto held = mevcore::filesupport::FolderLock::TryHold(
        mevcore::filesupport::Dir::FromNativePath(home_.Hub()));
    const RunResult busy = Undo({"--force", "A.vd2"});
    EXPECT_EQ(1, busy.exitCode);
    EXPECT_NE(std::string::npos,
              busy.standardError.find(" (process " + std::to_string(::getpid()) +
                                      ") is working on " + home_.Hub() + "; nothing was changed\n"))
        << busy.standardError;
    EXPECT_EQ(changed, HubFiles());
  }

  const RunResult refused = Undo({"A.vd2"});
  EXPECT_EQ(1, refused.exitCode);
  const std::string lost =
      "\"production\" as moved since the recovery, to " + tip + " (then named only by \"" + kept +
      "\"); \"sync.sqlite3\", made again since the recovery; \"version\" as changed since the "
      "recovery";
  EXPECT_EQ("A.vd2: refused: it changed since its recovery, and undoing it would lose " + lost +
                "; --force undoes it all the same\n",
            refused.standardOutput);
  const RunResult dryRun = Undo({"--force", "--dry-run", "A.vd2"});
  EXPECT_EQ(0, dryRun.exitCode);
  EXPECT_EQ(0u, dryRun.standardOutput.find("A.vd2: warning: undoing it would replace " + lost +
                                           "\nA.vd2: would undo: replace what changed"))
      << dryRun.standardOutput;
  EXPECT_EQ(changed, HubFiles());

  const RunResult forced = Undo({"--force", "A.vd2"});
  EXPECT_EQ(0, forced.exitCode) << forced.standardOutput;
  EXPECT_EQ("A.vd2: warning: undoing it replaces " + lost +
                "\nA.vd2: undone; offered again by the next recovery\n",
            forced.standardOutput);
  // The newer commit stays named.
  EXPECT_EQ(tip + "\n", ReadFile("A.vd2/git/" + kept));
  ASSERT_EQ(0, ::unlink(Folder("A.vd2/git/" + kept).c_str()));
  ASSERT_EQ(0, ::rmdir(Folder("A.vd2/git/refs/pre_undo").c_str()));
  EXPECT_EQ(before, HubFiles());
  EXPECT_EQ(2, Undo({}).exitCode);
  EXPECT_EQ(1, Undo({"A.vd2"}).exitCode);
}

// A set-aside file gone since the recovery cannot be put back, even by
// force; a promotion whose upgrade failed left "version" as it was, which is
// no change.
TEST_F(HubUndo, OnlyWhatCanBePutBackIsUndone) {
  Make(Project("Gone.vd2", "Gone"));
  samplehub::SampleProject odd = Project("Odd.vd", "Odd");
  odd.version = "old text";
  Make(odd);
  ASSERT_EQ(0, ::mkdir(Folder("Odd.vd/pre_recovery_version").c_str(), 0755));
  const auto before = HubFiles();
  ASSERT_EQ(0, RecoverAll(false).exitCode);
  ASSERT_TRUE(Exists("Odd.vd2/git/recovery-record.json"));
  ASSERT_EQ(0, ::unlink(Folder("Gone.vd2/pre_recovery_sync.sqlite3").c_str()));
  const auto recovered = HubFiles();

  const RunResult gone = Undo({"--force", "Gone.vd2"});
  EXPECT_EQ(1, gone.exitCode);
  EXPECT_EQ("Gone.vd2: refused: \"pre_recovery_sync.sqlite3\" is missing, so \"sync.sqlite3\" "
            "cannot be put back\n",
            gone.standardOutput);
  EXPECT_EQ(recovered, HubFiles());

  const RunResult odd_undo = Undo({"Odd.vd2"});
  EXPECT_EQ(0, odd_undo.exitCode) << odd_undo.standardOutput;
  const auto after = HubFiles();
  for (const auto& [path, hash] : before) {
    if (path.rfind("Odd.vd/", 0) == 0) {
      EXPECT_EQ(hash, after.at(path)) << path;
    }
  }
}

TEST_F(HubUndo, AnUndoCutShortIsFinishedByTheNextRecoveryRunThenRecoveredAgain) {
  samplehub::SampleProject older = Project("A.vd", "A");
  older.version = samplehub::kOlderDataModelVersion;
  Make(older);
  const auto before = HubFiles();
  ASSERT_EQ(0, RecoverAll(false).exitCode);
  project::Journal journal = project::ParseJournal(ReadFile("A.vd2/git/recovery-record.json"), "");
  journal.direction = project::Journal::Direction::kUndo;
  WriteBytes(Folder("A.vd2/git/recovery-in-progress.json"), project::JournalText(journal));
  ASSERT_EQ(0, ::unlink(Record("A.vd2").c_str()));

  const RunResult run = RecoverAll(false);
  EXPECT_EQ(0, run.exitCode);
  // The recovery program writes its console to standard error.
  EXPECT_NE(std::string::npos, run.standardError.find("Put back " + Folder("A.vd2") + " as it was"))
      << run.standardError;
  EXPECT_TRUE(Exists("A.vd2/git/recovery-record.json"));
  EXPECT_FALSE(Exists("A.vd2/git/recovery-in-progress.json"));

  EXPECT_EQ(0, Undo({"A.vd2"}).exitCode);
  EXPECT_EQ(before, HubFiles());
}

}  // namespace
}  // namespace testing
}  // namespace velders
