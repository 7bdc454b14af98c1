#include <gtest/gtest.h>

#include <iostream>

#include "FaultInjectionWalk.h"
#include "mevstorage/git/Storage.h"

namespace velders {
namespace faults {
namespace {

class FaultInjection : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { mevstorage::git::Startup(); }
  static void TearDownTestSuite() { mevstorage::git::Shutdown(); }
};

std::string FirstFindings(const Findings& findings) {
  std::string text;
  for (std::size_t i = 0; i < findings.size() && i < 20; ++i) text += findings[i] + "\n";
  return text;
}

TEST_F(FaultInjection, EveryCallFailingInTurnLosesNothing) {
  PristineHub hub;
  std::uint64_t tried = 0, stuckAfterFault = 0, stuckAfterNextRun = 0;
  Findings findings;
  for (bool upgrade : {true, false}) {
    const WalkResult walk = WalkEveryCall(hub, upgrade, WalkMode::kFail, 7);
    tried += walk.pointsTried;
    stuckAfterFault += walk.stuckAfterFault;
    stuckAfterNextRun += walk.stuckAfterNextRun;
    findings.insert(findings.end(), walk.findings.begin(), walk.findings.end());
  }
  std::cout << "fault points tried: " << tried << ", findings: " << findings.size()
            << "; projects stuck after the faulty run: " << stuckAfterFault
            << ", after the next run: " << stuckAfterNextRun << std::endl;
  EXPECT_GT(tried, 0u);
  EXPECT_EQ(0u, stuckAfterFault);
  EXPECT_EQ(0u, stuckAfterNextRun);
  EXPECT_TRUE(findings.empty()) << findings.size() << " findings, the first:\n"
                                << FirstFindings(findings);
}

}  // namespace
}  // namespace faults
}  // namespace velders
