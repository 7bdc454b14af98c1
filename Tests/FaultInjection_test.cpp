#include <gtest/gtest.h>

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

TEST_F(FaultInjection, EveryCallFailingInTurnLosesNothing) {
  PristineHub hub;
  WalkResult walk;
  for (bool upgrade : {true, false}) {
    Merge(&walk, WalkEveryCall(hub, upgrade, WalkMode::kFail, 7));
  }
  ExpectNothingFound(walk, "fault points");
}

}  // namespace
}  // namespace faults
}  // namespace velders
