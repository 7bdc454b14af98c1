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

class FullDisk : public FaultInjection {};

TEST_F(FaultInjection, EveryCallFailingInTurnLosesNothing) {
  PristineHub hub;
  WalkResult walk;
  for (bool upgrade : {true, false}) {
    Merge(&walk, WalkEveryCall(hub, upgrade, WalkMode::kFail, 7));
  }
  ExpectNothingFound(walk, "fault points");
}

// The disk fills up at each counted call of a run in turn: from there on
// every write fails, taking back included.
TEST_F(FullDisk, ADiskFillingUpAtEveryCallOfARunLosesNothing) {
  PristineHub hub;
  ExpectNothingFound(WalkEveryCall(hub, true, WalkMode::kFull, 7), "full-disk points");
}

}  // namespace
}  // namespace faults
}  // namespace velders
