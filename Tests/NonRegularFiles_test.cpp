// FIFOs and other files that are not regular where a project's files belong: the run
// never waits on one, says which file it is, and leaves it in place.
// Rewritten files keep their mode, owner and group.

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "HostileSupport.h"
#include "HubFixture.h"
#include "Transcript.h"

namespace velders {
namespace testing {
namespace {

using samplehub::HashTree;

// Long enough for any healthy run on a loaded machine; a run that waits on a
// FIFO never ends by itself.
constexpr int kRunLimitSeconds = 20;

class NonRegularFiles : public HubTest {
 protected:
  // Puts a FIFO in place of `file` inside the project folder.
  void MakeFifo(const std::string& folder, const std::string& file) {
    const std::string path = Folder(folder) + "/" + file;
    ::unlink(path.c_str());
    ASSERT_EQ(0, ::mkfifo(path.c_str(), 0644)) << path;
  }

  RunResult RecoverAllWithin(bool upgrade) const {
    RunResult run = home_.RecoverWithin(upgrade ? "n\ny\ny\n\n" : "n\ny\nn\n\n", kRunLimitSeconds);
    EXPECT_FALSE(run.timedOut) << "the run waited on a FIFO";
    EXPECT_EQ(0, run.exitCode);
    return run;
  }

  // A console line or a log record names the file and says why.
  void ExpectNamed(const RunResult& run, const std::string& path) const {
    const auto says = [&path](const std::string& text) {
      return text.find(path) != std::string::npos &&
             text.find("it is not a regular file") != std::string::npos;
    };
    bool found = false;
    std::istringstream console(run.standardError);
    for (std::string line; std::getline(console, line);) found = found || says(line);
    for (const nlohmann::json& record : LogRecords(home_)) found = found || says(record.dump());
    EXPECT_TRUE(found) << "nothing names " << path << "\n" << run.standardError;
  }

  // The folder as it was, but for what a failed recovery may leave by design:
  // objects nothing refers to and the information file.
  static std::map<std::string, std::string> Kept(std::map<std::string, std::string> tree) {
    tree.erase("git/odb.sqlite3");
    tree.erase("recovery_info.txt");
    return tree;
  }
};

// libgit2 and SQLite would wait on these for ever: the project is passed over
// with the file named, and the walk goes on.
TEST_F(NonRegularFiles, RepositoryFilesThatAreFifosAreSaidAndTheWalkGoesOn) {
  const std::map<std::string, std::string> fifos = {{"Branch.vd2", "refs/heads/production"},
                                                    {"Config.vd2", "config"},
                                                    {"Head.vd2", "HEAD"},
                                                    {"Objects.vd2", "odb.sqlite3"}};
  for (const auto& [folder, file] : fifos) {
    Make(Project(folder, folder));
    MakeFifo(folder, "git/" + file);
  }
  Make(Project("Z.vd2", "Healthy"));
  std::map<std::string, std::map<std::string, std::string>> before;
  for (const auto& [folder, file] : fifos) before[folder] = HashTree(Folder(folder));

  // The hub program looks first, and waits on none of them either.
  const RunResult status = RunProgram(VELDERS_HUB_BINARY, home_.Environment(), "",
                                      {"status", "--json"}, kRunLimitSeconds);
  const RunResult check =
      RunProgram(VELDERS_HUB_BINARY, home_.Environment(), "", {"check"}, kRunLimitSeconds);
  ASSERT_FALSE(status.timedOut || check.timedOut);
  const nlohmann::json entries = nlohmann::json::parse(status.standardOutput)["entries"];
  ASSERT_EQ(fifos.size() + 1, entries.size());
  for (std::size_t i = 0; i < fifos.size(); ++i) {
    EXPECT_EQ("unreadable", entries[i]["kind"]) << entries[i].dump();
  }
  for (const auto& [folder, file] : fifos) {
    const std::string said = "Unable to open the repository in " + Folder(folder) + "/git: " +
                             file + " is not a regular file";
    EXPECT_NE(std::string::npos, status.standardOutput.find(said)) << status.standardOutput;
    EXPECT_NE(std::string::npos, check.standardOutput.find(folder + ": " + said))
        << check.standardOutput;
  }
  EXPECT_EQ(1, check.exitCode);

  RunResult run = RecoverAllWithin(false);

  std::string expected = Dialogue() + WalkStart();
  for (const auto& [folder, file] : fifos) {
    expected += ExceptionLineStart(Folder(folder)) + "Unable to open the repository in " +
                Folder(folder) + "/git: " + file + " is not a regular file\n";
    EXPECT_EQ(before[folder], HashTree(Folder(folder))) << folder;
  }
  EXPECT_EQ(expected + "Recovering: Healthy\n" + Summary(1), run.standardError);
}

// libgit2 follows a configuration's includes itself, without a way to refuse
// them: a FIFO it would wait on, even two includes down, is found first.
TEST_F(NonRegularFiles, AFifoTheConfigurationIncludesIsSaidAndTheWalkGoesOn) {
  Make(Project("Include.vd2", "Include"));
  Make(Project("Loop.vd2", "Loop"));
  Make(Project("Z.vd2", "Healthy"));
  // A configuration that includes itself over and over is examined in no
  // time, and libgit2 refuses it.
  std::ofstream loop(Folder("Loop.vd2/git") + "/config", std::ios::app);
  loop << "[include]\n";
  for (int i = 0; i < 20; ++i) loop << "\tpath = config\n";
  loop.close();
  std::ofstream(Folder("Include.vd2/git") + "/config", std::ios::app)
      << "[include]\n\tpath = \"more config\"\n";
  WriteBytes(Folder("Include.vd2/git") + "/more config", "[includeIf \"gitdir:/\"]\n\tpath = pipe\n");
  MakeFifo("Include.vd2", "git/pipe");
  const auto before = HashTree(Folder("Include.vd2"));
  const std::string said = "Unable to open the repository in " + Folder("Include.vd2/git") +
                           ": config includes " + Folder("Include.vd2/git") +
                           "/pipe, which is not a regular file";

  const RunResult status =
      RunProgram(VELDERS_HUB_BINARY, home_.Environment(), "", {"status"}, kRunLimitSeconds);
  ASSERT_FALSE(status.timedOut);
  EXPECT_NE(std::string::npos, status.standardOutput.find(said)) << status.standardOutput;
  RunResult run = RecoverAllWithin(false);

  EXPECT_EQ(Dialogue() + WalkStart() + ExceptionLineStart(Folder("Include.vd2")) + said + "\n" +
                ExceptionLineStart(Folder("Loop.vd2")) + "Unable to open the repository in " +
                Folder("Loop.vd2/git") + ": maximum config include depth reached\n" +
                "Recovering: Healthy\n" + Summary(1),
            run.standardError);
  EXPECT_EQ(before, HashTree(Folder("Include.vd2")));
}

TEST_F(NonRegularFiles, AFifoInPlaceOfTheInformationFileIsNamedAndLeft) {
  Make(Project("P.vd2", "P"));
  MakeFifo("P.vd2", "recovery_info.txt");
  const auto before = HashTree(Folder("P.vd2"));

  RunResult run = RecoverAllWithin(false);

  EXPECT_NE(std::string::npos, run.standardError.find("Recovering: P\n")) << run.standardError;
  EXPECT_EQ(Summary(0), run.standardError.substr(run.standardError.size() - Summary(0).size()));
  const auto after = HashTree(Folder("P.vd2"));
  EXPECT_EQ("other", after.at("recovery_info.txt"));
  EXPECT_EQ(Kept(before), Kept(after));
  ExpectNamed(run, Folder("P.vd2") + "/recovery_info.txt");
}

// The upgrade reads "version" and writes "pre_recovery_version": a FIFO in
// either place fails the recovery before anything of the data model changes.
TEST_F(NonRegularFiles, AFifoInPlaceOfTheDataModelFilesFailsTheUpgradeUntouched) {
  for (const std::string file : {"version", "pre_recovery_version"}) {
    SCOPED_TRACE(file);
    const std::string folder = file + ".vd2";
    samplehub::SampleProject project = Project(folder, file);
    project.version = samplehub::kOlderDataModelVersion;
    Make(project);
    MakeFifo(folder, file);
    const auto before = HashTree(Folder(folder));

    RunResult run = RecoverAllWithin(true);

    EXPECT_NE(std::string::npos, run.standardError.find("Recovering: " + file + "\n"))
        << run.standardError;
    const auto after = HashTree(Folder(folder));
    EXPECT_EQ("other", after.at(file));
    EXPECT_EQ(Kept(before), Kept(after));
    ExpectNamed(run, Folder(folder) + "/" + file);
    ASSERT_EQ(0, std::system(("rm -rf '" + Folder(folder) + "'").c_str()));
  }
}

// Host applications and other users of a shared hub find "version" as they
// left it but for its content: mode whatever the umask, owner and group.
TEST_F(NonRegularFiles, AnUpgradedVersionFileKeepsModeOwnerAndGroup) {
  const std::map<std::string, mode_t> modes = {{"Open.vd2", 0666}, {"Narrow.vd2", 0640}};
  for (const auto& [folder, mode] : modes) {
    samplehub::SampleProject project = Project(folder, folder);
    project.version = samplehub::kOlderDataModelVersion;
    Make(project);
    ASSERT_EQ(0, ::chmod((Folder(folder) + "/version").c_str(), mode));
  }
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(0, ::chown((Folder("Narrow.vd2") + "/version").c_str(), 4321, 8765));
  }

  RunResult run = RecoverAllWithin(true);

  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: Narrow.vd2\nRecovering: Open.vd2\n" +
                Summary(2),
            run.standardError);
  for (const auto& [folder, mode] : modes) {
    struct stat info {};
    ASSERT_EQ(0, ::stat((Folder(folder) + "/version").c_str(), &info));
    EXPECT_NE(samplehub::kOlderDataModelVersion, ReadFile(folder + "/version"));
    EXPECT_EQ(mode, info.st_mode & 07777) << folder;
    if (root && folder == "Narrow.vd2") {
      EXPECT_EQ(4321u, info.st_uid);
      EXPECT_EQ(8765u, info.st_gid);
    }
  }
}

}  // namespace
}  // namespace testing
}  // namespace velders
