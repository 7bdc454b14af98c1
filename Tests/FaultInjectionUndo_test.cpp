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
class UndoFullDisk : public UndoWalks {};

// Each counted call of "velders-hub undo --all" over a recovered hub fails
// in turn: every project stays recovered completely or is as it was before
// its recovery, and the next undo takes back the rest.
TEST_F(UndoFaultInjection, EveryCallOfAnUndoFailingInTurnLeavesEachProjectWhole) {
  PristineHub hub;
  WalkResult walk;
  for (bool upgrade : {true, false}) Merge(&walk, WalkUndo(hub, upgrade, WalkMode::kFail, 7));
  ExpectNothingFound(walk, "undo fault points");
}

// The disk fills up at each counted call of the undo in turn: from there
// on every write fails. Each project ends recovered or as it was, and a
// failure says truly which, or that the next run finishes the undoing.
TEST_F(UndoFullDisk, ADiskFillingUpAtEveryCallOfAnUndoLeavesEachProjectWholeAndSaysSo) {
  PristineHub hub;
  ExpectNothingFound(WalkUndo(hub, true, WalkMode::kFull, 7), "undo full-disk points");
}

// The undo ends at each counted call in turn, as a crash would end it; the
// next undo (at every few points a recovery run first) finishes it. Only
// after the recovery with the upgrade: every step the recovery without it
// takes back is among its steps, and the walk keeps its time.
TEST_F(UndoCrashPoints, ACrashAtEveryCallOfAnUndoLeavesEachProjectWhole) {
  PristineHub hub;
  ExpectNothingFound(WalkUndo(hub, true, WalkMode::kCrash, 5), "undo crash points");
}

}  // namespace
}  // namespace faults
}  // namespace velders
