#include <gtest/gtest.h>

#include <iostream>

#include "FaultInjectionWalk.h"
#include "mevstorage/git/Storage.h"

namespace velders {
namespace faults {
namespace {

class CrashPoints : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { mevstorage::git::Startup(); }
  static void TearDownTestSuite() { mevstorage::git::Shutdown(); }
};

// The process ends at each counted call of a recover-all run in turn, as a
// crash or a power cut would end it; nothing may be lost, and a second run
// finishes what the first had not yet set aside.
TEST_F(CrashPoints, ACrashAtEveryCallLosesNothing) {
  PristineHub hub;
  std::uint64_t tried = 0, stuckAfterFault = 0, stuckAfterNextRun = 0;
  Findings findings;
  for (bool upgrade : {true, false}) {
    const WalkResult walk = WalkEveryCall(hub, upgrade, WalkMode::kCrash, 5);
    tried += walk.pointsTried;
    stuckAfterFault += walk.stuckAfterFault;
    stuckAfterNextRun += walk.stuckAfterNextRun;
    findings.insert(findings.end(), walk.findings.begin(), walk.findings.end());
  }
  std::cout << "crash points tried: " << tried << ", findings: " << findings.size()
            << "; projects stuck after the faulty run: " << stuckAfterFault
            << ", after the next run: " << stuckAfterNextRun << std::endl;
  EXPECT_GT(tried, 0u);
  EXPECT_EQ(0u, stuckAfterFault);
  EXPECT_EQ(0u, stuckAfterNextRun);
  std::string first;
  for (std::size_t i = 0; i < findings.size() && i < 20; ++i) first += findings[i] + "\n";
  EXPECT_TRUE(findings.empty()) << findings.size() << " findings, the first:\n" << first;
}

}  // namespace
}  // namespace faults
}  // namespace velders
