// Beside other programs: a command that changes projects holds the folder
// that holds them, however they were named, and a recovery run holds its
// hub before its first question, naming the program that holds it when one
// does; what an earlier run left part way is repaired right after the first
// answer; another user's project is refused with a reason a user can act on.

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FaultInjectionChecks.h"
#include "FaultInjectionHub.h"
#include "FolderSnapshot.h"
#include "HostileSupport.h"
#include "HubFixture.h"
#include "Transcript.h"
#include "mevcore/filesupport/FolderLock.h"
#include "mevstorage/git/Storage.h"
#include "project/Journal.h"

namespace velders {
namespace testing {
namespace {

using mevcore::filesupport::Dir;
using mevcore::filesupport::FolderLock;

// A process that holds a folder's lock under the command name given, as a
// program of that name would, until the object goes.
class LockHolder {
 public:
  LockHolder(const std::string& folder, const char* program) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      const auto held = FolderLock::TryHold(Dir::FromNativePath(folder));
      ::prctl(PR_SET_NAME, program);
      const char said = held ? 1 : 0;
      if (::write(ready[1], &said, 1) != 1) ::_exit(1);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char said = 0;
    held_ = pid_ > 0 && ::read(ready[0], &said, 1) == 1 && said == 1;
    ::close(ready[0]);
  }
  ~LockHolder() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;

  bool Held() const { return held_; }
  std::string Process() const { return "(process " + std::to_string(pid_) + ")"; }

 private:
  pid_t pid_ = -1;
  bool held_ = false;
};

std::string OwnCommandName() {
  std::ifstream in("/proc/self/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

class OtherPrograms : public HubTest {
 protected:
  std::string Busy(const std::string& holder, const std::string& folder) const {
    return holder + " is working on " + folder + "; nothing was changed\n";
  }
  // The recovery record of a recovered project made a journal in progress:
  // a recovery that passed its commit point, or an undo, cut short.
  void LeavePartWay(const std::string& folder, project::Journal::Direction direction) {
    project::Journal journal =
        project::ParseJournal(ReadFile(folder + "/git/recovery-record.json"), "");
    journal.direction = direction;
    WriteBytes(Folder(folder + "/git/recovery-in-progress.json"), project::JournalText(journal));
    ASSERT_EQ(0, ::unlink(Folder(folder + "/git/recovery-record.json").c_str()));
  }
};

// Whoever holds the hub, a second run says so right after the banner and
// asks nothing; velders-hub undo, by name or by a path through a link with
// --hub naming another folder, names the holder too.
TEST_F(OtherPrograms, AHeldHubIsSaidAtOnceNamingItsHolderAndNothingIsChanged) {
  Make(Project("A.vd2", "A"));
  ASSERT_EQ(0, RecoverAll(false).exitCode);
  const std::string link = home_.Home() + "/hub link", elsewhere = home_.Home() + "/elsewhere";
  ASSERT_EQ(0, ::symlink(home_.Hub().c_str(), link.c_str()));
  ASSERT_EQ(0, ::mkdir(elsewhere.c_str(), 0755));
  const auto before = samplehub::HashTree(home_.Hub());
  const std::string answers = "n\ny\ny\n\n";
  {
    const LockHolder hub(home_.Hub(), "velders-hub");
    ASSERT_TRUE(hub.Held());
    EXPECT_EQ(Banner() + "\n" + Busy("velders-hub " + hub.Process(), home_.Hub()) + Summary(0),
              home_.Recover(answers).standardError);
  }
  {
    const LockHolder run(home_.Hub(), "velders-recover");
    ASSERT_TRUE(run.Held());
    EXPECT_EQ(Banner() + "\n" +
                  Busy("Another run of Velders Recovery " + run.Process(), home_.Hub()) +
                  Summary(0),
              home_.Recover(answers).standardError);
    const RunResult byName = Hub({"undo", "A.vd2"});
    EXPECT_EQ(1, byName.exitCode);
    EXPECT_EQ(Busy("velders-recovery " + run.Process(), home_.Hub()), byName.standardError);
    const RunResult byLink = Hub({"undo", "--hub", elsewhere, link + "/A.vd2"});
    EXPECT_EQ(1, byLink.exitCode);
    EXPECT_EQ(Busy("velders-recovery " + run.Process(), link), byLink.standardError);
  }
  {
    const auto held = FolderLock::TryHold(Dir::FromNativePath(home_.Hub()));
    const std::string self = OwnCommandName() + " (process " + std::to_string(::getpid()) + ")";
    EXPECT_EQ(Banner() + "\n" + Busy(self, home_.Hub()) + Summary(0),
              home_.Recover(answers).standardError);
  }
  EXPECT_EQ(before, samplehub::HashTree(home_.Hub()));
}

// A recovery and an undo cut short are finished as soon as the user says
// the applications are closed, even when the next answer quits.
TEST_F(OtherPrograms, WhatAnEarlierRunLeftPartWayIsRepairedRightAfterTheFirstAnswer) {
  samplehub::SampleProject older = Project("A.vd", "A");
  older.version = samplehub::kOlderDataModelVersion;
  Make(older);
  Make(Project("B.vd2", "B"));
  ASSERT_EQ(0, RecoverAll(false).exitCode);
  LeavePartWay("A.vd2", project::Journal::Direction::kUndo);
  LeavePartWay("B.vd2", project::Journal::Direction::kRecover);

  EXPECT_EQ(Banner() + AppsQuestion() + "\n" + "Put back " + Folder("A.vd2") +
                " as it was before an earlier run left it part way\n" +
                "Finished the recovery of " + Folder("B.vd2") +
                ", which an earlier run left part way\n" + RecoverAllQuestion() + Summary(1),
            home_.Recover("n\nq\n\n").standardError);
  // The undo is finished: A is as it was before its recovery.
  EXPECT_TRUE(Exists("A.vd"));
  EXPECT_FALSE(Exists("A.vd2"));
  EXPECT_FALSE(Exists("A.vd/git/recovery-in-progress.json"));
  EXPECT_TRUE(Exists("B.vd2/git/recovery-record.json"));
  EXPECT_FALSE(Exists("B.vd2/git/recovery-in-progress.json"));
}

// As root too: what root made in it would belong to root. The run, status,
// check and undo each name the folder and its owner, and change nothing.
TEST_F(OtherPrograms, AnotherUsersProjectIsRefusedNamingItsOwner) {
  Make(Project("B.vd2", "B"));
  ASSERT_EQ(0, RecoverAll(false).exitCode);
  Make(Project("A.vd2", "A"));
  ASSERT_EQ(0, std::system(("chown -R 54321:54321 '" + Folder("A.vd2") + "' '" +
                            Folder("B.vd2") + "'").c_str()));
  const auto before = mevstorage::testing::SnapshotFolder(home_.Hub());
  const auto owned = [this](const std::string& folder) {
    return Folder(folder) + " is owned by user 54321; run as that user";
  };

  EXPECT_EQ(Dialogue() + WalkStart() + ExceptionLineStart(Folder("A.vd2")) + owned("A.vd2") +
                "\n" + ExceptionLineStart(Folder("B.vd2")) + owned("B.vd2") + "\n" + Summary(0),
            home_.Recover("n\ny\nn\n\n").standardError);
  EXPECT_EQ("A.vd2: cannot be read: " + owned("A.vd2") + "\nB.vd2: cannot be read: " +
                owned("B.vd2") + "\n\n2 cannot be read\n",
            Hub({"status"}).standardOutput);
  const RunResult check = Hub({"check", "A.vd2"});
  EXPECT_EQ(1, check.exitCode);
  EXPECT_EQ("A.vd2: " + owned("A.vd2/git") + "\n", check.standardOutput);
  const RunResult undo = Hub({"undo", "B.vd2"});
  EXPECT_EQ(1, undo.exitCode);
  EXPECT_EQ("B.vd2: refused: " + owned("B.vd2") + "\n", undo.standardOutput);
  EXPECT_EQ(before, mevstorage::testing::SnapshotFolder(home_.Hub()));
}

}  // namespace
}  // namespace testing

namespace faults {
namespace {

struct Started {
  pid_t pid;
  std::string output;  // the file that takes its standard output and error
};

// Starts a program at once, its standard input from `answers`.
Started Start(const PristineHub& hub, const std::string& program,
              const std::vector<std::string>& arguments, const std::string& answers,
              const std::string& name) {
  const std::string input = hub.Scratch() + "/" + name + ".in";
  const Started started{0, hub.Scratch() + "/" + name + ".out"};
  std::ofstream(input) << answers;
  const std::vector<std::string> env = testing::EnvironmentEntries(
      {{"HOME", hub.Home()}, {"XDG_STATE_HOME", hub.StateFolder()}, {"TZ", "UTC0"},
       {"PATH", "/usr/bin:/bin"}});
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open(input.c_str(), O_RDONLY);
    const int out = ::open(started.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    testing::ExecProgram(program, env, in, out, out, arguments);
  }
  return {pid, started.output};
}

std::string Finished(const Started& started) {
  int status = 0;
  ::waitpid(started.pid, &status, 0);
  std::ifstream in(started.output);
  std::ostringstream text;
  text << in.rdbuf();
  return "exit " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ":\n" +
         text.str();
}

// The recoverable projects by the paths they have now, under `folder`.
std::vector<std::string> PathsNow(const PristineHub& hub, const std::string& folder) {
  std::vector<std::string> paths;
  for (const HubFolder& project : hub.Folders()) {
    if (!project.recoverable) continue;
    const std::string recovered = project.name + (project.older ? "2" : "");
    const bool isRecovered = ::access((hub.Hub() + "/" + recovered).c_str(), F_OK) == 0;
    paths.push_back(folder + "/" + (isRecovered ? recovered : project.name));
  }
  return paths;
}

// Two undos by path, one through a link to the hub, each with --hub naming
// another folder of its own, and a recovery, all at once over a hub of half
// recovered projects: each project ends recovered completely or exactly as
// it was, and no run meets another's work part way.
TEST(ConcurrentRuns, UndosByPathAndARecoveryAtOnceLeaveEveryProjectWhole) {
  mevstorage::git::Startup();
  PristineHub hub(6);
  hub.Restore();
  const std::string recoverAll = "n\ny\ny\n\n", elsewhere = hub.Scratch() + "/elsewhere";
  const std::string link = hub.Scratch() + "/hub link";
  ASSERT_EQ(0, ::mkdir(elsewhere.c_str(), 0755));
  ASSERT_EQ(0, ::mkdir((elsewhere + " too").c_str(), 0755));
  ASSERT_EQ(0, ::symlink(hub.Hub().c_str(), link.c_str()));
  for (int round = 0; round < 6; ++round) {
    ASSERT_EQ(0u, Finished(Start(hub, VELDERS_RECOVERY_BINARY, {}, recoverAll, "setup"))
                      .find("exit 0"));
    std::vector<std::string> undoHalf = {"undo"};
    const std::vector<std::string> recovered = PathsNow(hub, hub.Hub());
    for (std::size_t i = 0; i < recovered.size(); i += 2) undoHalf.push_back(recovered[i]);
    Finished(Start(hub, VELDERS_HUB_BINARY, undoHalf, "", "setup"));

    std::vector<std::string> byPath = {"undo", "--hub", elsewhere};
    std::vector<std::string> byLink = {"undo", "--hub", elsewhere + " too"};
    for (const std::string& path : PathsNow(hub, hub.Hub())) byPath.push_back(path);
    // From the other end, so that the two meet on a project part way.
    const std::vector<std::string> linked = PathsNow(hub, link);
    byLink.insert(byLink.end(), linked.rbegin(), linked.rend());
    const Started runs[] = {Start(hub, VELDERS_HUB_BINARY, byPath, "", "by-path"),
                            Start(hub, VELDERS_HUB_BINARY, byLink, "", "by-link"),
                            Start(hub, VELDERS_RECOVERY_BINARY, {}, recoverAll, "recovery")};
    std::string transcripts;
    for (const Started& run : runs) transcripts += Finished(run) + "\n";
    Findings stuck;
    CountStuck(hub, true, false, "round " + std::to_string(round) + ": ", &stuck);
    EXPECT_TRUE(stuck.empty()) << ::testing::PrintToString(stuck) << "\n" << transcripts;
    // Nothing was left part way before: a run that finds something so, or
    // fails part way, met another one at work.
    for (const char* meeting : {"left part way", ": failed: "}) {
      EXPECT_EQ(std::string::npos, transcripts.find(meeting)) << transcripts;
    }
  }
  mevstorage::git::Shutdown();
}

}  // namespace
}  // namespace faults
}  // namespace velders
