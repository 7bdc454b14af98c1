#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "GitExport.h"
#include "HashTree.h"
#include "HeadReaders.h"
#include "HostileSupport.h"
#include "mevstorage/git/References.h"
#include "mevstorage/git/Storage.h"
#include "HubFixture.h"
#include "Transcript.h"

namespace velders {
namespace testing {
namespace {

using samplehub::HashTree;
using samplehub::ReadHeadCommit;
using samplehub::ReadHeadProperties;

const char* const kNewVersion = R"({"dataModel":"2.0.1","suiteClient":"2018"})";

class Recovery : public HubTest {
 protected:
  // Checks what a successful recovery leaves in the folder: the information
  // file, the set-aside files, and the new session properties committed on
  // top of the old head with the same texts.
  void ExpectRecovered(const std::string& folder, const std::string& oldName,
                       const std::string& oldHeadId) {
    SCOPED_TRACE(folder);
    const std::string info = ReadFile(folder + "/recovery_info.txt");
    std::smatch m;
    const std::regex form(
        "Project: (.*)\r\nNew project name: (.* \\(Recovered \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:"
        "\\d\\d\\))\r\n(\\(Recovered: [^\r\n]* UTC\\)\\))\r\nVelders Recovery: 1\\.0\\.1");
    ASSERT_TRUE(std::regex_match(info, m, form)) << info;
    EXPECT_EQ(oldName, m[1].str());
    const std::string newName = m[2].str(), note = m[3].str();

    EXPECT_FALSE(Exists(folder + "/sync.sqlite3"));
    EXPECT_TRUE(Exists(folder + "/pre_recovery_sync.sqlite3"));
    EXPECT_FALSE(Exists(folder + "/deleted"));

    const std::string git = Folder(folder) + "/git";
    auto properties = nlohmann::json::parse(ReadHeadProperties(git));
    EXPECT_EQ(newName, properties["name"]);
    const std::string description = properties["description"];
    EXPECT_EQ(note, description.substr(description.size() - note.size()));
    samplehub::HeadCommit head = ReadHeadCommit(git);
    EXPECT_EQ("Velders Recovery " + note, head.message);
    EXPECT_EQ(1u, head.parentCount);
    EXPECT_NE(oldHeadId, head.id);
    EXPECT_EQ(head.id, samplehub::ReadBranchTarget(git, "production"));
    ExpectValidGit(folder);
  }

  void ExpectValidGit(const std::string& folder) {
    const std::string exported = home_.Home() + "/export-" + std::to_string(exports_++);
    using mevcore::filesupport::Dir;
    mevstorage::testing::ExportToPlainGit(Dir::FromNativePath(Folder(folder) + "/git"),
                                          Dir::FromNativePath(exported));
    auto fsck = mevstorage::testing::RunGitFsck(Dir::FromNativePath(exported));
    EXPECT_EQ(0, fsck.exitStatus) << fsck.output;
  }

  std::string HeadId(const std::string& folder) {
    return ReadHeadCommit(Folder(folder) + "/git").id;
  }

  // Starts a recover-all run with the upgrade and kills it once it has said
  // "Recovering:" `count` times.
  void KillRecoveryAfter(int count) {
    int input[2], errors[2];
    ASSERT_EQ(0, ::pipe(input));
    ASSERT_EQ(0, ::pipe(errors));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(input[1]);
      ::close(errors[0]);
      ExecProgram(VELDERS_RECOVERY_BINARY, EnvironmentEntries(home_.Environment()), input[0],
                  ::open("/dev/null", O_WRONLY), errors[1]);
    }
    ::close(input[0]);
    ::close(errors[1]);
    const std::string answers = "n\ny\ny\n\n";
    ASSERT_EQ(static_cast<ssize_t>(answers.size()),
              ::write(input[1], answers.data(), answers.size()));
    ::close(input[1]);
    std::string said;
    char buffer[256];
    ssize_t got;
    while (Count(said, "Recovering: ") < count &&
           (got = ::read(errors[0], buffer, sizeof buffer)) > 0) {
      said.append(buffer, static_cast<std::size_t>(got));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(errors[0]);
    ASSERT_GE(Count(said, "Recovering: "), count) << said;
  }

  static int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
      ++count;
    }
    return count;
  }

  int exports_ = 0;
};

TEST_F(Recovery, StandardSampleRecoverAll) {
  MakeStandardSample();
  const std::string harbour = HeadId("Harbour Lights.vd2"), winter = HeadId("Winter Edit 2017.vd"),
                    coastal = HeadId("Coastal Survey.vd2");
  auto untouched = HashTree(Folder("Spring Campaign.vd2"));
  auto notJson = HashTree(Folder("Lighthouse Rough Cut.vd2"));
  auto loose = HashTree(Folder("Loose Exports"));

  RunResult run = RecoverAll(false);

  const std::string looseLine = ExceptionLineStart(Folder("Loose Exports"));
  const std::size_t at = run.standardError.find(looseLine);
  ASSERT_NE(std::string::npos, at) << run.standardError;
  const std::size_t end = run.standardError.find('\n', at);
  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: Coastal Survey\nRecovering: Harbour Lights\n" +
                run.standardError.substr(at, end + 1 - at) + "Recovering: Winter Edit 2017\n" +
                Summary(3),
            run.standardError);
  EXPECT_EQ(0, run.exitCode);

  ExpectRecovered("Coastal Survey.vd2", "Coastal Survey", coastal);
  EXPECT_TRUE(Exists("Coastal Survey.vd2/pre_recovery_deleted"));
  ExpectRecovered("Harbour Lights.vd2", "Harbour Lights", harbour);
  ExpectRecovered("Winter Edit 2017.vd2", "Winter Edit 2017", winter);
  EXPECT_FALSE(Exists("Winter Edit 2017.vd"));
  EXPECT_EQ(kNewVersion, ReadFile("Winter Edit 2017.vd2/version"));
  EXPECT_EQ(samplehub::kOlderDataModelVersion,
            ReadFile("Winter Edit 2017.vd2/pre_recovery_version"));
  EXPECT_FALSE(Exists("Harbour Lights.vd2/pre_recovery_version"));

  EXPECT_EQ(untouched, HashTree(Folder("Spring Campaign.vd2")));
  EXPECT_EQ(notJson, HashTree(Folder("Lighthouse Rough Cut.vd2")));
  EXPECT_EQ(loose, HashTree(Folder("Loose Exports")));

  // A second run recovers nothing and changes nothing.
  auto before = HashTree(home_.Hub());
  RunResult again = RecoverAll(true);
  EXPECT_NE(std::string::npos, again.standardError.find(Summary(0)));
  EXPECT_EQ(std::string::npos, again.standardError.find("Recovering: "));
  EXPECT_EQ(before, HashTree(home_.Hub()));
}

TEST_F(Recovery, AskEachWithYesNoAndQuit) {
  for (const char* name : {"A", "B", "C", "D"}) Make(Project(std::string(name) + ".vd2", name));
  auto b = HashTree(Folder("B.vd2")), c = HashTree(Folder("C.vd2")), d = HashTree(Folder("D.vd2"));

  RunResult run = home_.Recover("n\nn\nn\nyes\nno\nquit\n\n", "EST5EDT,M3.2.0,M11.1.0");

  auto question = [](const std::string& name) {
    return "\nWould you like to recover \n    '" + name +
           "'\n    (modified 2017-Nov-19 08:00:00) as a new, recovered Velder?\n"
           "Recover? (Yes/No/Quit): ";
  };
  EXPECT_EQ(Dialogue() + WalkStart() + question("A") + "Recovering: A\n" + question("B") +
                question("C") + Summary(1),
            run.standardError);
  EXPECT_TRUE(Exists("A.vd2/recovery_info.txt"));
  EXPECT_EQ(b, HashTree(Folder("B.vd2")));
  EXPECT_EQ(c, HashTree(Folder("C.vd2")));
  EXPECT_EQ(d, HashTree(Folder("D.vd2")));
}

TEST_F(Recovery, WorkedExampleInFiveHoursBehind) {
  Make(Project("Alpha.vd2", "Alpha"));
  RunResult run = RecoverAll(false, "EST5EDT,M3.2.0,M11.1.0");
  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: Alpha\n" + Summary(1), run.standardError);
  const std::string info = ReadFile("Alpha.vd2/recovery_info.txt");
  EXPECT_NE(std::string::npos,
            info.find("; Last modified time at recovery: 2017-11-19T08:00:00 "
                      "(2017-11-19T13:00:00 UTC))\r\nVelders Recovery: 1.0.1"))
      << info;
}

TEST_F(Recovery, FailedInformationFileStopsTheWalk) {
  for (const char* name : {"A", "B", "C"}) Make(Project(std::string(name) + ".vd2", name));
  ASSERT_EQ(0, ::mkdir((Folder("B.vd2") + "/recovery_info.txt").c_str(), 0755));
  auto b = FilesBesidesObjects("B.vd2"), c = HashTree(Folder("C.vd2"));

  RunResult run = RecoverAll(false);

  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: A\nRecovering: B\n" +
                "    Unable to write files in " + Folder("B.vd2") + "\n" + Summary(1),
            run.standardError);
  EXPECT_EQ(b, FilesBesidesObjects("B.vd2"));
  EXPECT_EQ(c, HashTree(Folder("C.vd2")));
  EXPECT_NE(std::string::npos, ReadFile("../../state/Velders Recovery/log.jsonl")
                                   .find("Caught exception attempting to create and write"));
}

TEST_F(Recovery, UpgradeKeepsTheOldVersionAndFailedUpgradeStops) {
  samplehub::SampleProject older = Project("Old.vd", "Old");
  older.version = samplehub::kOlderDataModelVersion;
  Make(older);
  samplehub::SampleProject broken = Project("P.vd2", "P");
  broken.version = "old text";
  Make(broken);
  ASSERT_EQ(0, ::mkdir((Folder("P.vd2") + "/pre_recovery_version").c_str(), 0755));
  const auto p = FilesBesidesObjects("P.vd2");
  Make(Project("Q.vd2", "Q"));
  const auto q = HashTree(Folder("Q.vd2"));

  RunResult run = RecoverAll(true);

  // The upgrade asked for and the promotion's upgrade leave the text from
  // before the recovery in "pre_recovery_version".
  EXPECT_EQ(samplehub::kOlderDataModelVersion, ReadFile("Old.vd2/pre_recovery_version"));
  EXPECT_EQ(kNewVersion, ReadFile("Old.vd2/version"));
  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: Old\nRecovering: P\n" +
                "    Unable to upgrade data model in " + Folder("P.vd2") + "\n" + Summary(1),
            run.standardError);
  // The recovery information file it had written is taken back; the walk
  // never reached Q.
  EXPECT_EQ(p, FilesBesidesObjects("P.vd2"));
  EXPECT_EQ(q, HashTree(Folder("Q.vd2")));
}

// Killed at some point of its walk, while one project takes its steps and
// the next one's commit may be stored, a run leaves nothing that the next
// run does not finish: every project ends recovered once, with valid Git.
TEST_F(Recovery, ARunKilledMidWalkIsFinishedByTheNext) {
  std::vector<std::pair<std::string, std::string>> made;
  for (int i = 0; i < 16; ++i) {
    const std::string name = "P" + std::to_string(10 + i);
    const std::string folder = name + (i % 4 == 0 ? ".vd" : ".vd2");
    Make(Project(folder, name));
    made.emplace_back(name, HeadId(folder));
  }
  KillRecoveryAfter(6);

  const RunResult run = RecoverAll(true);
  EXPECT_NE(std::string::npos, run.standardError.find("\nRecovered ")) << run.standardError;
  for (const auto& [name, oldHead] : made) {
    ExpectRecovered(name + ".vd2", name, oldHead);
    EXPECT_FALSE(Exists(name + ".vd"));
    EXPECT_FALSE(Exists(name + ".vd2/git/recovery-in-progress.json"));
  }
}

TEST_F(Recovery, ControlCharactersInANameAreEscapedOnTheConsoleOnly) {
  Make(Project("Esc.vd2", "Bad\x1b[2JName\x07"));
  RunResult run = RecoverAll(false);
  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: Bad\\x1b[2JName\\x07\n" + Summary(1),
            run.standardError);
  EXPECT_EQ(0u, ReadFile("Esc.vd2/recovery_info.txt").find("Project: Bad\x1b[2JName\x07\r\n"));
}

// Members the recovery does not know are written back as they were read,
// numbers that no integer type or double holds exactly included.
TEST_F(Recovery, OtherMembersKeepTheirNumbersExactly) {
  samplehub::SampleProject project = Project("Exact.vd2", "Exact");
  project.propertiesText =
      R"({"c":123456789012345678901234567890,"f":1e-400,"g":[0.10000000000000000001,-0.0,2.5],)"
      R"("name":"Exact"})";
  Make(project);

  RunResult run = RecoverAll(false);

  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: Exact\n" + Summary(1), run.standardError);
  const std::string properties = ReadHeadProperties(Folder("Exact.vd2") + "/git");
  EXPECT_EQ(0u, properties.find(R"({"c":123456789012345678901234567890,"commitId":"",)"))
      << properties;
  EXPECT_NE(std::string::npos,
            properties.find(R"("f":1e-400,"g":[0.10000000000000000001,-0.0,2.5],"name":"Exact )"))
      << properties;
}

// A record of 48 MiB, one long member escaped every few bytes, is recovered
// within its size three and a half times over (with a little for the
// program itself): it is read, parsed and written once each, and SQLite may
// hold one more copy of a large row while it stores the new one. Each copy
// more than that, or a copy of the whole held while growing, fails the run.
// The sanitizer's own mappings do not fit under such a limit.
TEST_F(Recovery, ALargeRecordIsRecoveredWithinALimitOfThreeAndAHalfTimesItsSize) {
#if defined(VR_SANITIZED)
  GTEST_SKIP() << "the sanitizer needs more than the limit";
#endif
  constexpr std::size_t kSize = 48u << 20;
  samplehub::SampleProject project = Project("Large.vd2", "Large");
  std::string text = R"({"name":"Large","preview":")";
  while (text.size() < kSize) text += "iVBORw0KGgoAAAANSUhEUgAAAAEAAAAB\\ncaf\xC3\xA9\\\"";
  text += "\"}";
  project.propertiesText = std::move(text);
  Make(project);

  const std::size_t limit = kSize / 2 * 7 + (24u << 20);
  RunResult run = RunProgram("/usr/bin/prlimit", home_.Environment(), "n\ny\nn\n\n",
                             {"--data=" + std::to_string(limit), VELDERS_RECOVERY_BINARY});
  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: Large\n" + Summary(1), run.standardError);
}

// A name a set-aside or the promotion needs is already taken: found before
// anything is changed, said, and the project is left as it was.
TEST_F(Recovery, RenamesNeverReplaceAnExistingEntry) {
  samplehub::SampleProject marked = Project("M.vd2", "M");
  marked.deletedMarker = true;
  marked.folderFiles = {{"pre_recovery_deleted", "an older marker"}};
  Make(marked);
  Make(Project("V.vd", "V"));
  samplehub::SampleProject taken = Project("V.vd2", "Taken");
  taken.syncDatabase = false;
  Make(taken);
  const auto m = HashTree(Folder("M.vd2")), v = HashTree(Folder("V.vd")),
             takenBefore = HashTree(Folder("V.vd2"));

  RunResult run = RecoverAll(false);

  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: M\n" +
                LeftAsItWas("M.vd2", Folder("M.vd2") + "/pre_recovery_deleted is already there") +
                "Recovering: V\n" + LeftAsItWas("V.vd", Folder("V.vd2") + " is already there") +
                Summary(0),
            run.standardError);
  EXPECT_EQ(m, HashTree(Folder("M.vd2")));
  EXPECT_EQ(v, HashTree(Folder("V.vd")));
  EXPECT_EQ(takenBefore, HashTree(Folder("V.vd2")));
}

// A branch lock someone else holds: the branch could not move, so nothing
// is changed.
TEST_F(Recovery, ABlockedBranchLeavesTheProjectAsItWas) {
  Make(Project("C.vd2", "C"));
  const std::string lock = Folder("C.vd2") + "/git/refs/heads/production.lock";
  ASSERT_EQ(0, ::mkdir(lock.c_str(), 0755));
  const auto before = HashTree(Folder("C.vd2"));

  RunResult run = RecoverAll(false);

  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: C\n" +
                LeftAsItWas("C.vd2", lock + " is there: another program is moving the branch, "
                                            "or one stopped part way") +
                Summary(0),
            run.standardError);
  auto after = HashTree(Folder("C.vd2"));
  EXPECT_EQ(before, after);
}

// HEAD names another branch: the recovery commit follows HEAD's commit as
// written, and the tip "production" had is kept under a reference of its
// own, so no commit is left unnamed.
std::string FirstParentOfHead(const std::string& git) {
  const auto repository = mevstorage::git::SQLite3OdbBackend::OpenRepository(
      mevcore::filesupport::Dir::FromNativePath(git));
  git_oid head;
  git_commit* commit = nullptr;
  std::string text;
  if (git_reference_name_to_id(&head, repository->ptr, "HEAD") == 0 &&
      git_commit_lookup(&commit, repository->ptr, &head) == 0 &&
      git_commit_parentcount(commit) > 0) {
    text = mevstorage::git::HexOf(*git_commit_parent_id(commit, 0));
  }
  git_commit_free(commit);
  return text;
}

TEST_F(Recovery, TheOldTipOfTheBranchStaysNamedWhateverHeadNames) {
  Make(Project("H.vd2", "H"));
  const std::string git = Folder("H.vd2") + "/git";
  const std::string tip = HeadId("H.vd2");
  const std::string parent = FirstParentOfHead(git);
  WriteBytes(git + "/refs/heads/draft", parent + "\n");
  WriteBytes(git + "/HEAD", "ref: refs/heads/draft\n");

  RunResult run = RecoverAll(false);

  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: H (draft 1)\n" + Summary(1), run.standardError);
  EXPECT_EQ(tip + "\n", ReadFile("H.vd2/git/refs/pre_recovery/production"));
  EXPECT_EQ(parent + "\n", ReadFile("H.vd2/git/refs/heads/draft"));
}

}  // namespace
}  // namespace testing
}  // namespace velders
