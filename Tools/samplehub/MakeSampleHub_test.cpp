#include <set>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "FolderFiles.h"
#include "GitExport.h"
#include "SampleHub.h"

namespace samplehub {
namespace {

using mevcore::filesupport::Dir;

class MadeSampleHub : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new ScratchFolder;
    made_ = new std::vector<SampleHubEntry>(MakeSampleHub(Hub()));
  }
  static void TearDownTestSuite() {
    delete made_;
    delete scratch_;
  }
  static std::string Hub() { return *scratch_ / "Velders Local Hub"; }
  static std::string FolderOf(const SampleHubEntry& entry) {
    return Hub() + "/" + entry.project.folderName;
  }
  static const SampleHubEntry& Find(const std::string& folderName) {
    for (const SampleHubEntry& entry : *made_)
      if (entry.project.folderName == folderName) return entry;
    throw std::runtime_error("no sample folder " + folderName);
  }

  static ScratchFolder* scratch_;
  static std::vector<SampleHubEntry>* made_;
};

ScratchFolder* MadeSampleHub::scratch_ = nullptr;
std::vector<SampleHubEntry>* MadeSampleHub::made_ = nullptr;

TEST_F(MadeSampleHub, HoldsOneFolderForEachEntryAndNothingElse) {
  std::set<std::string> expected, found;
  for (const SampleHubEntry& entry : *made_) expected.insert(entry.project.folderName);
  for (const auto& [path, hash] : HashTree(Hub()))
    if (path.find('/') == std::string::npos) found.insert(path);
  EXPECT_EQ(expected, found);
}

TEST_F(MadeSampleHub, EachFolderHoldsTheFilesOfItsKind) {
  for (const SampleHubEntry& entry : *made_) {
    SCOPED_TRACE(entry.project.folderName);
    auto files = HashTree(FolderOf(entry));
    const SampleProject& project = entry.project;
    EXPECT_EQ(project.git, files.count("git") == 1);
    EXPECT_EQ(project.syncDatabase, files.count("sync.sqlite3") == 1);
    EXPECT_EQ(project.preRecoverySyncDatabase, files.count("pre_recovery_sync.sqlite3") == 1);
    EXPECT_EQ(project.deletedMarker, files.count("deleted") == 1);
    EXPECT_EQ(project.version.has_value(), files.count("version") == 1);
    for (const auto& file : project.folderFiles) EXPECT_EQ(1u, files.count(file.first));
    if (project.git) {
      EXPECT_EQ(project.commitTimes.size(), CountHeadHistory(FolderOf(entry) + "/git"));
    }
  }
}

TEST_F(MadeSampleHub, CoversEveryKindOfFolderTheRecoveryMeets) {
  const SampleProject& older = Find("Winter Edit 2017.vd").project;
  EXPECT_EQ(kOlderDataModelVersion, *older.version);
  EXPECT_EQ(kCurrentDataModelVersion, *Find("Harbour Lights.vd2").project.version);
  EXPECT_TRUE(Find("Coastal Survey.vd2").project.deletedMarker);
  const SampleProject& recovered = Find("Spring Campaign.vd2").project;
  EXPECT_TRUE(recovered.preRecoverySyncDatabase && !recovered.syncDatabase);
  EXPECT_FALSE(Find("Loose Exports").project.git);
  EXPECT_FALSE(nlohmann::json::accept(
      ReadHeadProperties(FolderOf(Find("Lighthouse Rough Cut.vd2")) + "/git")));
}

TEST_F(MadeSampleHub, PropertiesCarryNameDescriptionTagsAndOneFurtherMember) {
  for (const SampleHubEntry& entry : *made_) {
    if (!entry.project.git || entry.project.propertiesText) continue;
    SCOPED_TRACE(entry.project.folderName);
    auto properties = nlohmann::json::parse(ReadHeadProperties(FolderOf(entry) + "/git"));
    EXPECT_EQ(4u, properties.size());
    EXPECT_EQ(entry.project.properties.name, properties.at("name"));
    EXPECT_FALSE(properties.at("description").get<std::string>().empty());
    EXPECT_FALSE(properties.at("tags").empty());
  }
}

TEST_F(MadeSampleHub, RepositoriesPassAStrictCheckAsPlainGit) {
  for (const SampleHubEntry& entry : *made_) {
    if (!entry.project.git) continue;
    SCOPED_TRACE(entry.project.folderName);
    ScratchFolder plain;
    mevstorage::testing::ExportToPlainGit(Dir::FromNativePath(FolderOf(entry) + "/git"),
                                          Dir::FromNativePath(plain / "export.git"));
    auto fsck = mevstorage::testing::RunGitFsck(Dir::FromNativePath(plain / "export.git"));
    EXPECT_EQ(0, fsck.exitStatus) << fsck.output;
    auto log = mevstorage::testing::RunGit(
        {"--git-dir=" + plain / "export.git", "rev-list", "--count", "production"});
    EXPECT_EQ(std::to_string(entry.project.commitTimes.size()) + "\n", log.output);
  }
}

TEST(MakeSampleHub, RefusesAFolderThatHoldsAnythingAndLeavesItAlone) {
  ScratchFolder hub;
  WriteNewFile(hub / ".hidden", "mine");
  auto before = HashTree(hub.Path());
  try {
    MakeSampleHub(hub.Path());
    FAIL() << "made a sample hub in a folder that holds a file";
  } catch (const HubNotEmptyError& error) {
    EXPECT_NE(std::string::npos, std::string(error.what()).find(hub.Path()));
  }
  EXPECT_EQ(before, HashTree(hub.Path()));
}

TEST(MakeSampleHub, MakesMissingFoldersAndAcceptsAnEmptyOne) {
  ScratchFolder scratch;
  EXPECT_EQ(StandardSample().size(), MakeSampleHub(scratch / "Documents/Hub").size());
  MakeFolders(scratch / "Empty");
  MakeSampleHub(scratch / "Empty/");
  auto first = HashTree(scratch / "Documents/Hub"), second = HashTree(scratch / "Empty");
  EXPECT_EQ(first.size(), second.size());
  EXPECT_EQ(first.at("Harbour Lights.vd2/version"), second.at("Harbour Lights.vd2/version"));
}

TEST(MakeSampleHub, RefusesAFileAsTheHubFolder) {
  ScratchFolder scratch;
  WriteNewFile(scratch / "file", "");
  try {
    MakeSampleHub(scratch / "file");
    FAIL() << "made a sample hub in a file";
  } catch (const HubNotEmptyError&) {
    FAIL() << "a file is no folder that holds something";
  } catch (const SampleHubError& error) {
    EXPECT_NE(std::string::npos, std::string(error.what()).find("not a folder"));
  }
}

}  // namespace
}  // namespace samplehub
