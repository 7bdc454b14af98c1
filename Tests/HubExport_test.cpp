// velders-hub export: every project becomes a standard Git repository with
// exactly the store's objects and references, that git fsck --strict passes
// and git clone checks out; a broken store fails with its reason and leaves
// nothing; the hub is only read, even while a host application writes.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <stdexcept>
#include <sstream>
#include <string>
#include <vector>

#include <git2.h>
#include <gtest/gtest.h>

#include "FolderSnapshot.h"
#include "GitExport.h"
#include "HostileSupport.h"
#include "HubFixture.h"
#include "HubReadOnly.h"
#include "mevcore/filesupport/Dir.h"
#include "mevstorage/git/References.h"
#include "mevstorage/git/Storage.h"

namespace velders {
namespace testing {
namespace {

namespace fs = std::filesystem;
using mevstorage::testing::RunGit;

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

class HubExport : public HubTest {
 protected:
  std::string To() const { return home_.Home() + "/exports"; }

  // The line of a project exported to `to`, its pack's size left as a pattern.
  std::string ExportedPattern(const std::string& folder, const std::string& target) const {
    const std::size_t objects = mevstorage::testing::ReadStoredObjects(
                                    mevcore::filesupport::Dir::FromNativePath(Git(folder)))
                                    .size();
    return std::regex_replace(folder + ": exported to " + target, std::regex(R"([.^$|()\[\]*+?{}\\])"),
                              R"(\$&)") +
           " \\(" + std::to_string(objects) + " objects?, ([0-9]+ bytes?|[0-9]+\\.[0-9] [KMG]iB)\\)\n";
  }

  // git fsck --strict passes, the ids and references are the store's, and
  // a clone checks out files identical to the blobs of production's tree.
  void ExpectRoundTrip(const std::string& folder, const std::string& exported) const {
    SCOPED_TRACE(folder);
    const mevstorage::testing::GitResult fsck =
        mevstorage::testing::RunGitFsck(mevcore::filesupport::Dir::FromNativePath(exported));
    EXPECT_EQ(0, fsck.exitStatus) << fsck.output;
    EXPECT_EQ(std::vector<std::string>(),
              mevstorage::testing::CompareWithExport(
                  mevcore::filesupport::Dir::FromNativePath(Git(folder)), exported));
    const std::string clone = home_.Home() + "/clone";
    fs::remove_all(clone);
    ASSERT_EQ(0, RunGit({"clone", "-q", exported, clone}).exitStatus);
    ExpectFilesOfProduction(exported, clone);
  }

  void ExpectFilesOfProduction(const std::string& gitDir, const std::string& workTree) const {
    const auto listing = RunGit({"--git-dir=" + gitDir, "ls-tree", "-r", "production"});
    ASSERT_EQ(0, listing.exitStatus) << listing.output;
    std::istringstream lines(listing.output);
    std::string mode, type, id, path;
    std::size_t files = 0;
    while (lines >> mode >> type >> id && std::getline(lines >> std::ws, path)) {
      EXPECT_EQ(id, HexOfBlob(ReadWhole(workTree + "/" + path))) << path;
      ++files;
    }
    std::size_t found = 0;
    for (auto it = fs::recursive_directory_iterator(workTree); it != fs::end(it); ++it) {
      if (it->path().filename() == ".git") it.disable_recursion_pending();
      found += it->is_regular_file() && it->path().string().find("/.git/") == std::string::npos;
    }
    EXPECT_EQ(files, found);
    EXPECT_LT(0u, files);
  }
};

TEST_F(HubExport, SampleHubRoundTripsAndTheHubIsLeftExactlyAsItWasWhileAHostWrites) {
  MakeStandardSample();
  const std::vector<std::string> folders = {"Coastal Survey.vd2", "Harbour Lights.vd2",
                                            "Lighthouse Rough Cut.vd2", "Spring Campaign.vd2",
                                            "Winter Edit 2017.vd"};
  const WritingHost host(Database("Harbour Lights.vd2"));
  ASSERT_TRUE(host.Held());
  const auto before = mevstorage::testing::SnapshotFolder(home_.Hub());
  const auto changedBefore = ChangeTimes(home_.Hub());

  const RunResult run = Hub({"export", "--all", "--to", To()});

  EXPECT_EQ(before, mevstorage::testing::SnapshotFolder(home_.Hub()));
  EXPECT_EQ(changedBefore, ChangeTimes(home_.Hub()));
  std::string pattern;
  for (const std::string& folder : folders) {
    pattern += ExportedPattern(folder, To() + "/" + folder + ".git");
  }
  EXPECT_TRUE(std::regex_match(run.standardOutput, std::regex(pattern))) << run.standardOutput;
  EXPECT_EQ("", run.standardError);
  EXPECT_EQ(0, run.exitCode);
  for (const std::string& folder : folders) ExpectRoundTrip(folder, To() + "/" + folder + ".git");

  const auto exported = mevstorage::testing::SnapshotFolder(To());
  const RunResult again = Hub({"export", "--quiet", "--all", "--to", To() + "/"});
  std::string refused;
  for (const std::string& folder : folders) {
    refused += folder + ": refused: " + To() + "/" + folder + ".git exists; nothing was written\n";
  }
  EXPECT_EQ(refused, again.standardOutput);
  EXPECT_EQ(1, again.exitCode);
  EXPECT_EQ(exported, mevstorage::testing::SnapshotFolder(To()));
}

// Dates Git refuses fail the export, as git fsck --strict would fail it; a
// late one Git takes is exported.
TEST_F(HubExport, BrokenStoresFailWithTheirReasonAndLeaveNothingWhileDeadExportsAreCleared) {
  for (const char* name : {"Forged.vd2", "Hole.vd2", "Dangling\x07.vd2", "Garbage.vd2", "Early.vd2",
                           "Huge.vd2", "Late.vd2", "Z.vd2"}) {
    Make(Project(name, "P"));
  }
  CommitHeadTreeAt(Git("Early.vd2"), "-99999999999");
  CommitHeadTreeAt(Git("Late.vd2"), "253402300800");
  CommitHeadTreeAt(Git("Huge.vd2"), "18446744073709551616");
  const auto oddDate = [this](const std::string& folder, const std::string& date) {
    return folder + ": failed: commit " + samplehub::ReadBranchTarget(Git(folder), "production") +
           ": its author line ends in \"" + date + " \\+0000\", not in a date and time zone Git "
           "accepts\n";
  };
  const std::string properties = samplehub::ReadHeadProperties(Git("Forged.vd2"));
  const std::string forgedId = samplehub::ReadHeadTree(Git("Forged.vd2")).at("properties");
  SpoilObjectData(Database("Forged.vd2"), forgedId);
  std::string spoilt = properties;
  spoilt.back() = static_cast<char>(spoilt.back() ^ 1);
  const samplehub::HeadCommit hole = samplehub::ReadHeadCommit(Git("Hole.vd2"));
  const std::string holeId = samplehub::ReadHeadTree(Git("Hole.vd2")).at("properties");
  RunSql(Database("Hole.vd2"), "DELETE FROM objects WHERE oid = x'" + holeId + "'");
  const std::string nowhere = "0123456789abcdef0123456789abcdef01234567";
  WriteBytes(Git("Dangling\x07.vd2") + "/refs/heads/stray", nowhere + "\n");
  WriteBytes(Database("Garbage.vd2"), std::string(8192, 'Z'));
  const std::string dead = ".Old.vd2.git.exporting-999999999-0";
  const std::string alive = ".Old.vd2.git.exporting-" + std::to_string(getpid()) + "-0";
  fs::create_directories(To() + "/" + dead + "/objects/pack");
  fs::create_directories(To() + "/" + alive);
  const auto before = mevstorage::testing::SnapshotFolder(home_.Hub());

  const RunResult run = Hub({"export", "--all", "--to", To()});

  const std::string expected =
      "Dangling\\\\x07\\.vd2: failed: refs/heads/stray names " + nowhere + ", which is missing\n" +
      oddDate("Early.vd2", "-99999999999") + "Forged\\.vd2: failed: object " + forgedId + ": its data as a blob hashes to " +
      HexOfBlob(spoilt) + "\n" + "Garbage\\.vd2: failed: Unable to open the repository in " +
      std::regex_replace(Git("Garbage.vd2"), std::regex(R"([.^$|()\[\]*+?{}\\])"), R"(\$&)") +
      ": file is not a database\n" + "Hole\\.vd2: failed: blob " + holeId + ", named by tree " +
      hole.treeId + ", is missing\n" + oddDate("Huge.vd2", "18446744073709551616") +
      ExportedPattern("Late.vd2", To() + "/Late.vd2.git") +
      ExportedPattern("Z.vd2", To() + "/Z.vd2.git");
  EXPECT_TRUE(std::regex_match(run.standardOutput, std::regex(expected))) << run.standardOutput;
  EXPECT_EQ("", run.standardError);
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(std::set<std::string>({alive, "Late.vd2.git", "Z.vd2.git"}), Entries(To()));
  EXPECT_EQ(before, mevstorage::testing::SnapshotFolder(home_.Hub()));
  ExpectRoundTrip("Late.vd2", To() + "/Late.vd2.git");
  ExpectRoundTrip("Z.vd2", To() + "/Z.vd2.git");
}

// Writes an object as raw bytes, which the store's own library takes
// unchecked: a tree Git refuses, for one.
std::string WriteRaw(const std::string& gitFolder, const std::string& bytes, git_object_t type) {
  const mevstorage::git::RepositoryHandle repository =
      mevstorage::git::SQLite3OdbBackend::OpenRepository(
          mevcore::filesupport::Dir::FromNativePath(gitFolder));
  mevstorage::git::Wrap<git_odb> odb;
  git_oid id;
  if (git_repository_odb(&odb.ptr, repository->ptr) != 0 ||
      git_odb_write(&id, odb.ptr, bytes.data(), bytes.size(), type) != 0) {
    throw std::runtime_error("cannot write an object in " + gitFolder);
  }
  return mevstorage::git::HexOf(id);
}

std::string TreeEntry(const std::string& mode, const std::string& name, const std::string& hex) {
  const git_oid id = mevstorage::git::IdOf(hex);
  return mode + " " + name + std::string(1, '\0') +
         std::string(reinterpret_cast<const char*>(id.id), GIT_OID_RAWSZ);
}

// Moves production to a commit of a tree holding only a link out of any
// work tree, which Git itself takes.
void CommitEscapingLink(const std::string& gitFolder) {
  const std::string link = WriteRaw(gitFolder, "../../../outside", GIT_OBJECT_BLOB);
  const std::string tree = WriteRaw(gitFolder, TreeEntry("120000", "escape", link), GIT_OBJECT_TREE);
  const std::string commit = WriteRaw(
      gitFolder,
      "tree " + tree + "\nauthor E <e@example.invalid> 1511013600 +0000\n" +
          "committer E <e@example.invalid> 1511013600 +0000\n\nA link\n",
      GIT_OBJECT_COMMIT);
  WriteBytes(gitFolder + "/refs/heads/production", commit + "\n");
}

TEST_F(HubExport, CheckoutsHoldTheFilesOfProductionAndAHostileTreeFailsTheProject) {
  MakeStandardSample();
  Make(Project("Hostile.vd2", "H"));
  Make(Project("Link.vd2", "L"));
  const std::string blob = samplehub::ReadHeadTree(Git("Hostile.vd2")).at("properties");
  const std::string tree = WriteRaw(Git("Hostile.vd2"), TreeEntry("100644", "..", blob),
                                    GIT_OBJECT_TREE);
  CommitEscapingLink(Git("Link.vd2"));
  const auto before = mevstorage::testing::SnapshotFolder(home_.Hub());

  const RunResult run =
      Hub({"export", "--checkout", "Harbour Lights.vd2", "Winter Edit 2017.vd", "Hostile.vd2",
           "Link.vd2", "--to", To()});

  EXPECT_TRUE(std::regex_match(
      run.standardOutput,
      std::regex(ExportedPattern("Harbour Lights.vd2", To() + "/Harbour Lights.vd2") +
                 ExportedPattern("Winter Edit 2017.vd", To() + "/Winter Edit 2017.vd") +
                 "Hostile\\.vd2: failed: tree " + tree +
                 ": its entry \"\\.\\.\" has a name Git refuses\n" +
                 "Link\\.vd2: failed: Unable to check out escape in .*\n")))
      << run.standardOutput;
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(before, mevstorage::testing::SnapshotFolder(home_.Hub()));
  EXPECT_EQ(std::set<std::string>({"Harbour Lights.vd2", "Winter Edit 2017.vd"}), Entries(To()));
  for (const char* folder : {"Harbour Lights.vd2", "Winter Edit 2017.vd"}) {
    const std::string work = To() + "/" + folder;
    const auto fsck =
        mevstorage::testing::RunGitFsck(mevcore::filesupport::Dir::FromNativePath(work + "/.git"));
    EXPECT_EQ(0, fsck.exitStatus) << fsck.output;
    EXPECT_EQ(std::vector<std::string>(),
              mevstorage::testing::CompareWithExport(
                  mevcore::filesupport::Dir::FromNativePath(Git(folder)), work + "/.git"));
    ExpectFilesOfProduction(work + "/.git", work);
    const auto status = RunGit({"-C", work, "status", "--porcelain", "--branch"});
    EXPECT_EQ("## production\n", status.output) << folder;
  }
}

TEST_F(HubExport, FoldersAreNamedInTheHubOrByPathAndTheCommandLineIsChecked) {
  Make(Project("A.vd2", "A"));
  const std::string nested = To() + "/deeper/still";

  const RunResult named = Hub({"export", "A.vd2", Folder("A.vd2") + "/", "Nope.vd2", "--to", nested});
  EXPECT_TRUE(std::regex_match(
      named.standardOutput,
      std::regex(ExportedPattern("A.vd2", nested + "/A.vd2.git") +
                 std::regex_replace(Folder("A.vd2") + "/: refused: " + nested +
                                        "/A.vd2.git exists; nothing was written\n" +
                                        "Nope.vd2: failed: Unable to open the repository in " +
                                        Folder("Nope.vd2") + "/git: the folder does not exist\n",
                                    std::regex(R"([.^$|()\[\]*+?{}\\])"), R"(\$&)"))))
      << named.standardOutput;
  EXPECT_EQ(1, named.exitCode);

  WriteBytes(home_.Home() + "/file", "");
  const RunResult notAFolder = Hub({"export", "--all", "--to", home_.Home() + "/file"});
  EXPECT_EQ("", notAFolder.standardOutput);
  EXPECT_EQ("Unable to export into " + home_.Home() + "/file: Not a directory\n",
            notAFolder.standardError);
  EXPECT_EQ(1, notAFolder.exitCode);

  const RunResult help = Hub({"export", "--help"});
  EXPECT_NE(std::string::npos, help.standardOutput.find("--checkout")) << help.standardOutput;
  EXPECT_NE(std::string::npos, help.standardOutput.find("Exit codes:")) << help.standardOutput;
  EXPECT_EQ(0, help.exitCode);

  const auto hubBefore = mevstorage::testing::SnapshotFolder(home_.Hub());
  const std::vector<std::vector<std::string>> usageErrors = {
      {"export", "--to", To()},
      {"export", "--all", "A.vd2", "--to", To()},
      {"export", "--all"},
      {"export", "--all", "--to", home_.Hub() + "/A.vd2/inside"}};
  for (const std::vector<std::string>& wrong : usageErrors) {
    const RunResult usage = Hub(wrong);
    EXPECT_EQ(2, usage.exitCode) << ::testing::PrintToString(wrong);
    EXPECT_EQ("", usage.standardOutput) << ::testing::PrintToString(wrong);
    EXPECT_NE("", usage.standardError) << ::testing::PrintToString(wrong);
  }
  EXPECT_EQ(hubBefore, mevstorage::testing::SnapshotFolder(home_.Hub()));
}

// More projects than one durable group holds: each group is synced and put
// in place before the next, and the lines still come in the projects' order.
TEST_F(HubExport, ProjectsBeyondOneGroupAreEachExportedInTheirOrder) {
  std::vector<std::string> folders;
  for (int n = 100; n < 170; ++n) folders.push_back("P" + std::to_string(n) + ".vd2");
  for (const std::string& folder : folders) Make(Project(folder, folder));

  const RunResult run = Hub({"export", "--quiet", "--all", "--to", To()});

  std::string pattern;
  for (const std::string& folder : folders) {
    pattern += ExportedPattern(folder, To() + "/" + folder + ".git");
  }
  EXPECT_TRUE(std::regex_match(run.standardOutput, std::regex(pattern))) << run.standardOutput;
  EXPECT_EQ(0, run.exitCode);
  std::set<std::string> expected;
  for (const std::string& folder : folders) expected.insert(folder + ".git");
  EXPECT_EQ(expected, Entries(To()));
  ExpectRoundTrip(folders.back(), To() + "/" + folders.back() + ".git");
}

}  // namespace
}  // namespace testing
}  // namespace velders
