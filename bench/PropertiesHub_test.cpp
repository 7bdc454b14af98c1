#include "PropertiesHub.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "BenchHub.h"
#include "SampleHub.h"

namespace bench {
namespace {

TEST(MakePropertiesHub, HeadPropertiesAreTheLargeTextOfTheAskedSize) {
  samplehub::ScratchFolder scratch;
  MakePropertiesHub(scratch / "hub", 2);
  const std::string text =
      samplehub::ReadHeadProperties(scratch / ("hub/" + BenchFolderName(0, 1) + "/git"));
  EXPECT_EQ(text, LargePropertiesText(2));
  EXPECT_LE(text.size(), 2u << 20);
  EXPECT_GT(text.size() + 128, 2u << 20);
  const auto properties = nlohmann::json::parse(text);
  EXPECT_EQ(properties["name"], kBenchProjectName);
  EXPECT_GT(properties[kLargeMemberName].get<std::string>().size(), 2000000u);
}

}  // namespace
}  // namespace bench
