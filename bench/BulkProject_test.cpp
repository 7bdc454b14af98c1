#include "BulkProject.h"

#include <gtest/gtest.h>

#include <set>

#include "BenchHub.h"
#include "GitExport.h"
#include "SampleHub.h"

namespace bench {
namespace {

std::size_t DistinctBytes(const std::string& bytes) {
  return std::set<char>(bytes.begin(), bytes.end()).size();
}

TEST(BulkBlobs, TextHasFewDistinctBytesAndMediaHasThemAll) {
  const std::string text = BulkText(3, 100000);
  const std::string media = BulkMedia(3, 100000);
  EXPECT_EQ(text.size(), 100000u);
  EXPECT_EQ(text.rfind("Note 3\n", 0), 0u);
  EXPECT_LT(DistinctBytes(text), 40u);
  EXPECT_EQ(DistinctBytes(media), 256u);
  EXPECT_NE(BulkMedia(4, 100000), media);
}

TEST(MakeBulkProject, HoldsTheAskedObjectsAndAboutTheAskedSize) {
  samplehub::ScratchFolder scratch;
  MakeBulkProject(scratch / "hub", 200, 4);
  const std::string git = scratch / ("hub/" + BenchFolderName(0, 1) + "/git");
  const auto objects =
      mevstorage::testing::ReadStoredObjects(mevcore::filesupport::Dir::FromNativePath(git));
  ASSERT_EQ(objects.size(), 200u);
  std::size_t bytes = 0;
  for (const auto& object : objects) bytes += object.data.size();
  EXPECT_NEAR(static_cast<double>(bytes), 4 << 20, 0.1 * (4 << 20));
  EXPECT_EQ(samplehub::CountHeadHistory(git), 1 + kBulkBatches);
  EXPECT_EQ(samplehub::ReadHeadTree(git).size(), 2 + 200 - 5 - 4 * kBulkBatches);
}

}  // namespace
}  // namespace bench
