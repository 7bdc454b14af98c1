#include "project/StepRunner.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace velders {
namespace project {
namespace {

// Five fake steps over a fake folder. Step 1 is planned only for an
// upgrade; steps 0 and 1 may stop the walk; step 3 is the commit point.
// Each writes "+i" to the log when applied and "-i" when it takes back what
// is there; one that fails leaves its work behind.
constexpr int kSteps = 5;
constexpr int kCommitPoint = 3;

struct FakeFolder {
  bool done[kSteps] = {};
  int failApplyAt = -1;
  int failUndoAt = -1;
  std::string log;
};
FakeFolder folder;

template <int I>
void Apply(StepContext&) {
  folder.done[I] = true;
  if (folder.failApplyAt == I) throw StepFailure(FailureKind::kUpgrade, "cannot apply");
  folder.log += "+" + std::to_string(I);
}
template <int I>
void Undo(StepContext&) {
  if (folder.failUndoAt == I) throw std::runtime_error("stuck");
  if (!folder.done[I]) return;
  folder.done[I] = false;
  folder.log += "-" + std::to_string(I);
}
template <int I>
bool Done(StepContext&) {
  return folder.done[I];
}
bool Always(const Journal&) { return true; }
bool Upgrades(const Journal& journal) { return journal.upgrade; }
std::optional<std::string> NoPhrase(const mevcore::filesupport::Dir&, const Journal&) {
  return std::nullopt;
}

const std::vector<Step> kFakeSteps = {
    {"fake 0", Always, Apply<0>, Undo<0>, Done<0>, NoPhrase, {}, false, true},
    {"fake 1", Upgrades, Apply<1>, Undo<1>, Done<1>, NoPhrase, {}, false, true},
    {"fake 2", Always, Apply<2>, Undo<2>, Done<2>, NoPhrase, {}},
    {"fake 3", Always, Apply<3>, Undo<3>, Done<3>, NoPhrase, {}, true},
    {"fake 4", Always, Apply<4>, Undo<4>, Done<4>, NoPhrase, {}},
};

// The log of applying the planned steps [from, to) or taking back (to, from]
// when from > to.
std::string Log(int from, int to, bool upgrade) {
  std::string log;
  for (int i = from; from < to ? i < to : i > to; from < to ? ++i : --i) {
    if (i != 1 || upgrade) log += (from < to ? "+" : "-") + std::to_string(i);
  }
  return log;
}

class StepRunner : public ::testing::TestWithParam<bool> {
 protected:
  StepRunner() {
    folder = FakeFolder();
    context.journal.upgrade = GetParam();
  }
  bool Upgrade() const { return GetParam(); }
  bool NoneDone() const {
    for (bool done : folder.done) {
      if (done) return false;
    }
    return true;
  }
  // The last planned step that may stop the walk.
  int LastWalkStop() const { return Upgrade() ? 1 : 0; }
  // Marks the log with "|" where the runner says the walk goes on.
  void MarkPastWalkStops() {
    context.pastWalkStops = [] { folder.log += "|"; };
  }
  // Applied as a run that stopped before step `stop` leaves it.
  void AppliedUpTo(int stop) {
    for (int i = 0; i < stop; ++i) {
      if (kFakeSteps[i].planned(context.journal)) kFakeSteps[i].apply(context);
    }
    folder.log.clear();
  }

  StepContext context;
};

TEST_P(StepRunner, AppliesEveryPlannedStepInOrderSayingOnceWhenTheWalkGoesOn) {
  MarkPastWalkStops();
  const StepsReport report = ApplySteps(context, kFakeSteps);
  EXPECT_TRUE(report.complete);
  const int past = LastWalkStop() + 1;
  EXPECT_EQ(folder.log, Log(0, past, Upgrade()) + "|" + Log(past, kSteps, Upgrade()));
}

// The failed step too is taken back, since it may have left part of its
// work.
TEST_P(StepRunner, AFailureAtAnyStepTakesBackItAndEveryOneBefore) {
  for (int fail = 0; fail < kSteps; ++fail) {
    if (!kFakeSteps[fail].planned(context.journal)) continue;
    folder = FakeFolder();
    folder.failApplyAt = fail;
    MarkPastWalkStops();
    const StepsReport report = ApplySteps(context, kFakeSteps);
    EXPECT_FALSE(report.complete) << fail;
    EXPECT_TRUE(report.putBack) << fail;
    EXPECT_EQ(report.failureKind, FailureKind::kUpgrade) << fail;
    EXPECT_EQ(report.failure, "cannot apply") << fail;
    const int past = std::min(fail, LastWalkStop() + 1);
    const std::string said = fail > LastWalkStop() ? "|" : "";
    EXPECT_EQ(folder.log, Log(0, past, Upgrade()) + said + Log(past, fail, Upgrade()) +
                              Log(fail, -1, Upgrade()))
        << fail;
    EXPECT_TRUE(NoneDone()) << fail;
  }
}

TEST_P(StepRunner, ARunStoppedAtAnyStepIsFinishedPastTheCommitPointAndTakenBackBefore) {
  for (int stop = 0; stop <= kSteps; ++stop) {
    folder = FakeFolder();
    AppliedUpTo(stop);
    const StepsReport report = ResumeSteps(context, kFakeSteps);
    if (stop > kCommitPoint) {
      EXPECT_TRUE(report.complete) << stop;
      EXPECT_EQ(folder.log, Log(stop, kSteps, Upgrade())) << stop;
    } else {
      EXPECT_FALSE(report.complete) << stop;
      EXPECT_TRUE(report.putBack) << stop;
      EXPECT_EQ(folder.log, Log(stop - 1, -1, Upgrade())) << stop;
      EXPECT_TRUE(NoneDone()) << stop;
    }
  }
}

TEST_P(StepRunner, AnUndoIsTakenBackWhereverItStopped) {
  context.journal.direction = Journal::Direction::kUndo;
  AppliedUpTo(kSteps);
  const StepsReport report = ResumeSteps(context, kFakeSteps);
  EXPECT_TRUE(report.putBack);
  EXPECT_TRUE(NoneDone());
}

TEST_P(StepRunner, AStepThatCannotBeTakenBackStopsTheTakingBackThere) {
  AppliedUpTo(kSteps);
  folder.failUndoAt = 2;
  EXPECT_EQ(TakeBackSteps(context, kFakeSteps), "Unable to take back the step \"fake 2\": stuck");
  EXPECT_EQ(folder.log, Log(kSteps - 1, 2, Upgrade()));
  EXPECT_TRUE(folder.done[0]);
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutTheUpgrade, StepRunner, ::testing::Bool());

}  // namespace
}  // namespace project
}  // namespace velders
