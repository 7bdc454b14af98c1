#include "BenchHub.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "DurableFiles.h"
#include "SampleHub.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> FolderNames(const std::string& hub) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(hub)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(BenchHubLayout, NamesSortInIndexOrderWithEveryTenthOfTheOlderModel) {
  EXPECT_EQ(BenchFolderName(0, 1000), "Bench 000.vd2");
  EXPECT_EQ(BenchFolderName(9, 1000), "Bench 009.vd");
  EXPECT_EQ(BenchFolderName(998, 1000), "Bench 998.vd2");
  EXPECT_LT(BenchFolderName(99, 1000), BenchFolderName(100, 1000));
  EXPECT_EQ(BenchFolderName(0, 1), "Bench 0.vd2");
  EXPECT_FALSE(HasDeletedMarker(0));
  EXPECT_TRUE(HasDeletedMarker(9));
}

TEST(MakeBenchHub, EveryProjectIsRecoverableWithItsOwnLayout) {
  samplehub::ScratchFolder scratch;
  const std::string hub = scratch / "hub";
  MakeBenchHub(hub, 12, 5);

  std::vector<std::string> expected;
  for (std::size_t i = 0; i < 12; ++i) expected.push_back(BenchFolderName(i, 12));
  ASSERT_EQ(FolderNames(hub), expected);
  for (std::size_t i = 0; i < 12; ++i) {
    SCOPED_TRACE(expected[i]);
    const std::string folder = hub + "/" + expected[i];
    EXPECT_TRUE(PathExists(folder + "/sync.sqlite3"));
    EXPECT_EQ(PathExists(folder + "/deleted"), HasDeletedMarker(i));
    EXPECT_EQ(ReadWholeFile(folder + "/version"), IsOlderModel(i)
                                                     ? samplehub::kOlderDataModelVersion
                                                     : samplehub::kCurrentDataModelVersion);
    EXPECT_NE(samplehub::ReadHeadProperties(folder + "/git").find(kBenchProjectName),
              std::string::npos);
  }
}

TEST(MakeBenchHub, RepositoriesHoldTheAskedNumberOfMediaObjects) {
  samplehub::ScratchFolder scratch;
  MakeBenchHub(scratch / "hub", 2, 7);
  for (std::size_t i = 0; i < 2; ++i) {
    const auto tree = samplehub::ReadHeadTree(scratch / ("hub/" + BenchFolderName(i, 2) + "/git"));
    const auto media = std::count_if(tree.begin(), tree.end(), [](const auto& entry) {
      return entry.first.rfind("media/", 0) == 0;
    });
    EXPECT_EQ(media, 7);
  }
}

TEST(MakeBenchHub, RefusesAHubThatHoldsSomethingAndMakesNothing) {
  samplehub::ScratchFolder scratch;
  WriteFileSynced(scratch / "notes.txt", "mine");
  try {
    MakeBenchHub(scratch.Path(), 3, 1);
    FAIL() << "a hub that holds a file was filled";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find(scratch.Path()), std::string::npos);
  }
  EXPECT_EQ(FolderNames(scratch.Path()), std::vector<std::string>{"notes.txt"});
}

}  // namespace
}  // namespace bench
