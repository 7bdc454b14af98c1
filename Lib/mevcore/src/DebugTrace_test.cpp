#include <cstdlib>

#include <gtest/gtest.h>

#include "mevcore/debug/Debug.h"
#include "mevcore/debug/DiagnosticSink.h"

namespace mevcore {
namespace debug {
namespace {

class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDiagnosticSink(&sink_); }
  void TearDown() override {
    SetDiagnosticSink(nullptr);
    SetTraceCategories("");
  }
  RecordingSink sink_;
};

TEST_F(TraceTest, CategoriesSetByTestsReplaceTheEnvironmentAndMoveTheCount) {
  const std::int32_t before = TraceChangeCount();
  SetTraceCategories("mevstorage");
  EXPECT_NE(TraceChangeCount(), before);
  EXPECT_TRUE(TraceEnabled("mevstorage", 4, true));
  EXPECT_FALSE(TraceEnabled("mevcore.StructuredLogging", 3, true));

  SetTraceCategories("*");
  EXPECT_TRUE(TraceEnabled("mevcore.StructuredLogging", 3, false));
  SetTraceCategories("mevcore");
  EXPECT_TRUE(TraceEnabled("mevcore.StructuredLogging", 3, true));
  EXPECT_FALSE(TraceEnabled("mevcore.StructuredLogging", 3, false));
}

TEST_F(TraceTest, CountStaysUntilBumped) {
  const std::int32_t before = TraceChangeCount();
  TraceEnabled("mevstorage", 4, true);
  EXPECT_EQ(TraceChangeCount(), before);
  BumpTraceChangeCount();
  EXPECT_EQ(TraceChangeCount(), before + 1);
}

TEST_F(TraceTest, EveryQuestionIsCounted) {
  const std::uint64_t before = TraceEnabledCallCount();
  TraceEnabled("mevstorage", 4, true);
  TraceEnabled(nullptr, 3, false);
  EXPECT_EQ(TraceEnabledCallCount(), before + 2);
}

TEST_F(TraceTest, TraceHandsTheLineToTheSink) {
  Trace("<1> <mevstorage> <4> Git operation error\r\n");
  Trace(nullptr);
  ASSERT_EQ(sink_.traces.size(), 1u);
  EXPECT_EQ(sink_.traces[0], "<1> <mevstorage> <4> Git operation error\r\n");
}

// The environment is read once, in a fresh process: a later change to it
// does not count, and the change count starts at 0.
int CheckEnvironmentReadOnce() {
  setenv("MEVCORE_TRACE", "mevstorage, mevcore.StructuredLogging", 1);
  if (TraceChangeCount() != 0) return 1;
  if (!TraceEnabled("mevstorage", 4, true)) return 2;
  if (!TraceEnabled("mevcore.StructuredLogging", 3, true)) return 3;
  if (TraceEnabled("other", 3, true)) return 4;
  setenv("MEVCORE_TRACE", "*", 1);
  if (TraceEnabled("other", 3, true)) return 5;
  return TraceChangeCount() == 0 ? 0 : 6;
}

TEST(TraceEnvironmentTest, ReadOnceFromMevcoreTrace) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::exit(CheckEnvironmentReadOnce()), ::testing::ExitedWithCode(0), "");
}

TEST(TraceEnvironmentTest, UnsetMeansOff) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        unsetenv("MEVCORE_TRACE");
        std::exit(TraceEnabled("mevstorage", 4, true) ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace debug
}  // namespace mevcore
