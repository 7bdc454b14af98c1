#include "DebugTraceCategories.h"

#include <gtest/gtest.h>

namespace mevcore {
namespace debug {
namespace {

TEST(TraceCategoriesTest, ListedNamesAreOnAndOthersOff) {
  TraceCategories categories(" mevstorage ,mevcore.StructuredLogging,,");
  EXPECT_TRUE(categories.Enabled("mevstorage", false));
  EXPECT_TRUE(categories.Enabled("mevcore.StructuredLogging", false));
  EXPECT_FALSE(categories.Enabled("mevcore", true));
  EXPECT_FALSE(categories.Enabled("mevstorag", true));
  EXPECT_FALSE(categories.Enabled("", true));
}

TEST(TraceCategoriesTest, EmptyListIsOff) {
  EXPECT_FALSE(TraceCategories("").Enabled("mevstorage", true));
  EXPECT_FALSE(TraceCategories(" , ").Enabled("", true));
  EXPECT_FALSE(TraceCategories().Enabled("mevstorage", true));
}

TEST(TraceCategoriesTest, StarSwitchesEverythingOn) {
  TraceCategories categories("mevstorage,*");
  EXPECT_TRUE(categories.Enabled("mevcore.StructuredLogging", false));
  EXPECT_TRUE(categories.Enabled("", false));
}

TEST(TraceCategoriesTest, ParentsCountOnlyWhenInherited) {
  TraceCategories categories("mevcore");
  EXPECT_TRUE(categories.Enabled("mevcore.StructuredLogging", true));
  EXPECT_TRUE(categories.Enabled("mevcore.a.b", true));
  EXPECT_FALSE(categories.Enabled("mevcore.StructuredLogging", false));
  EXPECT_FALSE(categories.Enabled("mevcorex.a", true));

  TraceCategories middle("a.b");
  EXPECT_TRUE(middle.Enabled("a.b.c", true));
  EXPECT_FALSE(middle.Enabled("a.c", true));
  EXPECT_FALSE(middle.Enabled("a", true));
}

}  // namespace
}  // namespace debug
}  // namespace mevcore
