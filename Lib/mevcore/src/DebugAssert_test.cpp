#include <gtest/gtest.h>

#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include "mevcore/debug/Debug.h"
#include "mevcore/debug/DiagnosticSink.h"

namespace mevcore {
namespace debug {
namespace {

class AssertTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDiagnosticSink(&sink_); }
  void TearDown() override { SetDiagnosticSink(nullptr); }
  RecordingSink sink_;
};

TEST_F(AssertTest, ReportReachesTheSinkWithEveryArgument) {
  bool mute = false;
  EXPECT_FALSE(BreakAfterAssertDialog(mute, "Logged an error.", "Caught exception\r\n",
                                      "Model/Utils", 75, "YondraLocalHub::ReadStringFile", false));
  ASSERT_EQ(sink_.asserts.size(), 1u);
  const AssertReport& report = sink_.asserts[0];
  EXPECT_EQ(report.condition, "Logged an error.");
  EXPECT_EQ(report.message, "Caught exception\r\n");
  EXPECT_EQ(report.file, "Model/Utils");
  EXPECT_EQ(report.line, 75);
  EXPECT_EQ(report.function, "YondraLocalHub::ReadStringFile");
  EXPECT_FALSE(report.isAssert);
  EXPECT_FALSE(mute);
}

TEST_F(AssertTest, NullTextsArriveEmpty) {
  bool mute = false;
  BreakAfterAssertDialog(mute, nullptr, nullptr, nullptr, 0, nullptr, true);
  ASSERT_EQ(sink_.asserts.size(), 1u);
  EXPECT_EQ(sink_.asserts[0].condition, "");
  EXPECT_EQ(sink_.asserts[0].message, "");
  EXPECT_EQ(sink_.asserts[0].function, "");
  EXPECT_TRUE(sink_.asserts[0].isAssert);
}

TEST_F(AssertTest, RecordingSinkAnswersAsToldAndMutesWhenAsked) {
  bool mute = false;
  sink_.breakAnswer = true;
  EXPECT_TRUE(BreakAfterAssertDialog(mute, "false", "m\r\n", "f", 1, "g", true));
  EXPECT_FALSE(mute);

  sink_.setMute = true;
  sink_.breakAnswer = false;
  EXPECT_FALSE(BreakAfterAssertDialog(mute, "false", "m\r\n", "f", 1, "g", true));
  EXPECT_TRUE(mute);
  EXPECT_EQ(sink_.asserts.size(), 2u);
}

// A child that asks its parent to trace it sees a debugger; the test process
// itself runs without one.
TEST(DebuggerTest, TracerIsSeenOnlyWhenPresent) {
  EXPECT_FALSE(IsDebuggerAttached());

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(2);
    _exit(IsDebuggerAttached() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "ptrace is not permitted here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

__attribute__((noinline)) int Capture(void** frames, int count, int skip) {
  int filled = GenerateStackTrace(frames, count, skip);
  asm volatile("");  // keeps the call out of tail position
  return filled;
}

TEST(StackTraceTest, SkipsItsOwnFrameAndTheAskedOnes) {
  void* frames[2][10] = {};
  int filled[2] = {};
  for (int skip = 0; skip < 2; ++skip) filled[skip] = Capture(frames[skip], 10, skip);

  EXPECT_GE(filled[0], 3);
  for (int i = 0; i < filled[0]; ++i) EXPECT_NE(frames[0][i], nullptr);
  // The call sites in this body may differ once the loop is unrolled; the
  // frame above this body is the same for both captures.
  EXPECT_EQ(frames[1][1], frames[0][2]) << "skip 1 starts at the caller's caller";
}

TEST(StackTraceTest, NeverFillsMoreThanAsked) {
  void* frames[4] = {};
  EXPECT_EQ(GenerateStackTrace(frames, 2, 0), 2);
  EXPECT_EQ(frames[2], nullptr);
  EXPECT_EQ(GenerateStackTrace(frames, 0, 0), 0);
  EXPECT_EQ(GenerateStackTrace(nullptr, 4, 0), 0);
  EXPECT_EQ(GenerateStackTrace(frames, 4, 100000), 0);
}

}  // namespace
}  // namespace debug
}  // namespace mevcore
