// velders-hub undo: a recovery taken back leaves every project byte for byte
// as it was (its object database aside) and offered again; a project changed
// since its recovery is refused, or with --force replaced; an undo cut short
// is finished by the next recovery run.

#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "HostileSupport.h"
#include "HubFixture.h"
#include "mevcore/filesupport/FolderLock.h"
#include "project/Journal.h"

namespace velders {
namespace testing {
namespace {

class HubUndo : public HubTest {
 protected:
  RunResult Undo(const std::vector<std::string>& options) const {
    std::vector<std::string> arguments = {"undo"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return RunProgram(VELDERS_HUB_BINARY, home_.Environment(), "", arguments);
  }
  // The hub's files by path, less the object databases, which keep the
  // recovery commits that nothing names any more.
  std::map<std::string, std::string> HubFiles() const {
    std::map<std::string, std::string> files = samplehub::HashTree(home_.Hub());
    for (auto it = files.begin(); it != files.end();) {
      const bool database = it->first.find("/git/odb.sqlite3") != std::string::npos;
      it = database ? files.erase(it) : std::next(it);
    }
    return files;
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
    EXPECT_EQ("Another program is working on " + home_.Hub() + "; nothing was changed\n",
              busy.standardError);
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
