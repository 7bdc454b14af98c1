// The walk over a hostile hub: a very large one, and one whose folders are
// taken away while the walk runs.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "HeadReaders.h"
#include "HostileSession.h"
#include "HostileSupport.h"
#include "HubFixture.h"
#include "Transcript.h"

namespace velders {
namespace testing {
namespace {

using samplehub::HashTree;

const char kRecoverPrompt[] = "Recover? (Yes/No/Quit): ";

class HostileWalk : public HubTest {
 protected:
  // Ask-each mode, no upgrade; the session waits at the first project.
  void StartAskingEach(ProgramSession& session) {
    for (const char* answer : {"n", "n", "n"}) session.Answer(answer);
    ASSERT_TRUE(session.WaitFor(kRecoverPrompt));
  }

  std::string Moved(const std::string& name) const { return home_.Home() + "/" + name; }

  void MoveOutOfTheHub(const std::string& name) {
    ASSERT_EQ(0, std::rename(Folder(name).c_str(), Moved(name).c_str()));
  }
};

// Every folder without a repository is said; the projects among them are
// still found and counted.
TEST_F(HostileWalk, TenThousandFoldersAreAllWalked) {
  constexpr int kFolders = 10000;
  for (int i = 0; i < kFolders - 3; ++i) {
    ASSERT_EQ(0, ::mkdir(Folder("folder " + std::to_string(i)).c_str(), 0755));
  }
  for (const char* name : {"A.vd2", "M.vd2", "z.vd2"}) Make(Project(name, name));

  RunResult run = RecoverAll(false);

  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(static_cast<std::size_t>(kFolders - 3),
            CountOccurrences(run.standardError, "Caught an exception while working on "));
  EXPECT_EQ(3u, CountOccurrences(run.standardError, "Recovering: "));
  EXPECT_EQ(Summary(3), run.standardError.substr(run.standardError.size() - Summary(3).size()));
  for (const char* name : {"A.vd2", "M.vd2", "z.vd2"}) {
    EXPECT_TRUE(Exists(std::string(name) + "/recovery_info.txt")) << name;
  }
}

// A later folder taken away while the user answers about the first one: the
// walk says so when it gets there, and goes on with the next.
TEST_F(HostileWalk, FolderRemovedWhileTheWalkRunsIsSaidAndTheWalkGoesOn) {
  for (const char* name : {"A", "B", "C"}) Make(Project(std::string(name) + ".vd2", name));
  const auto b = HashTree(Folder("B.vd2"));
  ProgramSession session(VELDERS_RECOVERY_BINARY, home_.Environment());
  StartAskingEach(session);
  MoveOutOfTheHub("B.vd2");
  session.Answer("y");
  ASSERT_TRUE(session.WaitFor(kRecoverPrompt, 2));
  session.Answer("y");
  RunResult run = session.Finish();

  const std::string& err = run.standardError;
  EXPECT_NE(std::string::npos,
            err.find("Recovering: A\n" + ExceptionLineStart(Folder("B.vd2")) +
                     "Unable to open the repository in " + Folder("B.vd2") +
                     "/git: the folder does not exist\n\nWould you like to recover \n    'C'"))
      << err;
  EXPECT_NE(std::string::npos, err.find("Recovering: C\n" + Summary(2))) << err;
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(b, HashTree(Moved("B.vd2")));
  EXPECT_FALSE(Exists("B.vd2"));
}

// The folder asked about taken away before the answer: nothing is written
// for it (no folder is made again in its place) and the walk goes on.
TEST_F(HostileWalk, FolderRemovedBeforeItsAnswerIsNotRecreated) {
  for (const char* name : {"A", "B"}) Make(Project(std::string(name) + ".vd2", name));
  const auto a = HashTree(Folder("A.vd2"));
  ProgramSession session(VELDERS_RECOVERY_BINARY, home_.Environment());
  StartAskingEach(session);
  MoveOutOfTheHub("A.vd2");
  session.Answer("y");
  ASSERT_TRUE(session.WaitFor(kRecoverPrompt, 2));
  session.Answer("y");
  RunResult run = session.Finish();

  EXPECT_NE(std::string::npos,
            run.standardError.find(ExceptionLineStart(Folder("A.vd2")) + Folder("A.vd2") +
                                   "/sync.sqlite3 no longer exists\n"))
      << run.standardError;
  EXPECT_NE(std::string::npos, run.standardError.find("Recovering: B\n" + Summary(1)));
  EXPECT_FALSE(Exists("A.vd2"));
  EXPECT_EQ(a, HashTree(Moved("A.vd2")));
}

// The project saved by its host application while its question is open:
// the store is not held meanwhile, and the recovery goes on from what was
// saved, not from what the examination read.
TEST_F(HostileWalk, AProjectSavedWhileItsQuestionIsOpenIsRecoveredOnTheSavedCommit) {
  Make(Project("A.vd2", "A"));
  ProgramSession session(VELDERS_RECOVERY_BINARY, home_.Environment());
  StartAskingEach(session);
  CommitHeadTreeAt(Git("A.vd2"), "1700000000");
  session.Answer("y");
  RunResult run = session.Finish();

  EXPECT_NE(std::string::npos, run.standardError.find("Recovering: A\n" + Summary(1)))
      << run.standardError;
  // The saved commit has no parent: the history is it and the recovery's.
  EXPECT_EQ(2u, samplehub::CountHeadHistory(Git("A.vd2")));
  EXPECT_EQ(0u, samplehub::ReadHeadCommit(Git("A.vd2")).message.find("Velders Recovery (Recovered"));
  EXPECT_FALSE(Exists("A.vd2/git/refs/pre_recovery/production"));
}

// A second run while the first is waiting for an answer: the hub is held,
// so the second one says so at once, naming the first, and changes nothing;
// the first goes on.
TEST_F(HostileWalk, ASecondRunAtTheSameTimeStopsBeforeTheWalk) {
  Make(Project("A.vd2", "A"));
  const auto before = HashTree(Folder("A.vd2"));
  ProgramSession session(VELDERS_RECOVERY_BINARY, home_.Environment());
  StartAskingEach(session);
  RunResult other = RecoverAll(false);
  EXPECT_EQ(Banner() + "\nAnother run of Velders Recovery (process " +
                std::to_string(session.Process()) + ") is working on " + home_.Hub() +
                "; nothing was changed\n" + Summary(0),
            other.standardError);
  EXPECT_EQ(before, HashTree(Folder("A.vd2")));
  session.Answer("y");
  RunResult run = session.Finish();
  EXPECT_NE(std::string::npos, run.standardError.find("Recovering: A\n" + Summary(1)))
      << run.standardError;
}

// Without HOME and without a passwd entry there is no hub to find: the run
// says so, still gives its summary and ends with 0. Needs root, to run the
// program as a user the system does not know.
TEST_F(HostileWalk, NoHomeFolderIsSaidAndTheRunEndsNormally) {
  if (::geteuid() != 0 || ::access("/usr/bin/setpriv", X_OK) != 0) {
    GTEST_SKIP() << "needs root and setpriv";
  }
  RunResult run = RunProgram("/usr/bin/setpriv", {{"PATH", "/usr/bin:/bin"}, {"TZ", "UTC0"}},
                             "n\ny\nn\n\n",
                             {"--reuid=54321", "--regid=54321", "--clear-groups",
                              VELDERS_RECOVERY_BINARY});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(Dialogue() + WalkStart() +
                "Unable to read Velders Local Hub : Unable to find the home folder of user "
                "54321: the user has no home folder entry\n" +
                Summary(0),
            run.standardError);
}

}  // namespace
}  // namespace testing
}  // namespace velders
