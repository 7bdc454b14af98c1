#include <gtest/gtest.h>

#include "FaultInjectionWalk.h"
#include "mevstorage/git/Storage.h"

namespace velders {
namespace faults {
namespace {

class UndoWalks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { mevstorage::git::Startup(); }
  static void TearDownTestSuite() { mevstorage::git::Shutdown(); }
};
class UndoFaultInjection : public UndoWalks {};
class UndoCrashPoints : public UndoWalks {};

// Each counted call of "velders-hub undo --all" over a recovered hub fails
// in turn, then ends the process in turn: every project stays recovered
// completely or is as it was before its recovery, and the next undo (after
// a crash, the next recovery run first) takes back the rest.
TEST_F(UndoFaultInjection, EveryCallOfAnUndoFailingInTurnLeavesEachProjectWhole) {
  PristineHub hub;
  WalkResult walk;
  for (bool upgrade : {true, false}) Merge(&walk, WalkUndo(hub, upgrade, WalkMode::kFail, 7));
  ExpectNothingFound(walk, "undo fault points");
}

TEST_F(UndoCrashPoints, ACrashAtEveryCallOfAnUndoLeavesEachProjectWhole) {
  PristineHub hub;
  WalkResult walk;
  for (bool upgrade : {true, false}) Merge(&walk, WalkUndo(hub, upgrade, WalkMode::kCrash, 5));
  ExpectNothingFound(walk, "undo crash points");
}

}  // namespace
}  // namespace faults
}  // namespace velders
