#include <gtest/gtest.h>

#include "ProgramRunner.h"
#include "Transcript.h"

namespace velders {
namespace testing {
namespace {

// An empty hub: the dialogue alone decides the transcript.
class EmptyHub : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(0, std::system(("mkdir -p '" + home_.Hub() + "'").c_str()));
  }
  ScratchHome home_;
};

TEST_F(EmptyHub, EndOfInputAtOnceAnswersNoEverywhere) {
  RunResult run = home_.Recover("");
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(Dialogue() + WalkStart() + Summary(0), run.standardError);
  EXPECT_EQ("", run.standardOutput);
}

TEST_F(EmptyHub, YesToRunningAppsAsksAgain) {
  RunResult run = home_.Recover("yes\nY\nno\nyes\nno\n\n");
  EXPECT_EQ(Banner() + AppsQuestion() + AppsQuestion() + AppsQuestion() + RecoverAllQuestion() +
                UpgradeQuestion() + WalkStart() + Summary(0),
            run.standardError);
}

TEST_F(EmptyHub, QuitAtEachQuestionGoesStraightToTheSummary) {
  EXPECT_EQ(Banner() + AppsQuestion() + Summary(0), home_.Recover("quit\n").standardError);
  EXPECT_EQ(Banner() + AppsQuestion() + RecoverAllQuestion() + Summary(0),
            home_.Recover("n\nq\n").standardError);
  RunResult run = home_.Recover("n\ny\nQ\n");
  EXPECT_EQ(Dialogue() + Summary(0), run.standardError);
  EXPECT_EQ(0, run.exitCode);
}

// An answer is classified as it streams: a line far longer than the heap the
// program may have reads like any other, and the answers after it count. The sanitizer's own mappings do not
// fit under such a limit.
TEST_F(EmptyHub, AnAnswerLongerThanTheHeapLimitIsReadLikeAShortOne) {
#if defined(VR_SANITIZED)
  GTEST_SKIP() << "the sanitizer needs more than the limit";
#endif
  const std::string longLine(96u << 20, 'x');
  RunResult run = RunProgram("/usr/bin/prlimit", home_.Environment(), longLine + "\nq\n",
                             {"--data=33554432", VELDERS_RECOVERY_BINARY});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(Banner() + AppsQuestion() + RecoverAllQuestion() + Summary(0), run.standardError);
}

TEST_F(EmptyHub, MissingHubIsSaid) {
  ASSERT_EQ(0, std::system(("rmdir '" + home_.Hub() + "'").c_str()));
  RunResult run = home_.Recover("n\ny\nn\n\n");
  EXPECT_EQ(Dialogue() + WalkStart() + "No local Velders were found in " + home_.Hub() + "\n" +
                Summary(0),
            run.standardError);
  EXPECT_EQ(0, run.exitCode);
}

TEST_F(EmptyHub, HubThatIsAFileHoldsNoVelders) {
  ASSERT_EQ(0, std::system(("rmdir '" + home_.Hub() + "' && touch '" + home_.Hub() + "'").c_str()));
  RunResult run = home_.Recover("n\ny\nn\n\n");
  EXPECT_EQ(Dialogue() + WalkStart() + "No local Velders were found in " + home_.Hub() + "\n" +
                Summary(0),
            run.standardError);
}

}  // namespace
}  // namespace testing
}  // namespace velders
