#include <gtest/gtest.h>

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
  WalkResult walk;
  for (bool upgrade : {true, false}) {
    Merge(&walk, WalkEveryCall(hub, upgrade, WalkMode::kCrash, 5));
  }
  ExpectNothingFound(walk, "crash points");
}

}  // namespace
}  // namespace faults
}  // namespace velders
