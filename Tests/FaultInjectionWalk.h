#pragma once

#include <cstdint>
#include <string>

#include "FaultInjectionChecks.h"
#include "mevcore/filesupport/FaultPlan.h"
#include "FaultInjectionHub.h"

namespace velders {
namespace faults {

enum class WalkMode {
  kFail,   // the N-th call fails with an error that fits it
  kCrash,  // the process ends at once at the N-th call
  kFull,   // from the N-th call on, every write fails as on a full disk
};

// The plan for the N-th point of a walk in `mode`, and what it did, as
// the findings say it ("failed", "crashed", "filled the disk").
mevcore::filesupport::FaultPlan PlanFor(WalkMode mode, std::uint64_t n);
const char* ModeVerb(WalkMode mode);

struct WalkResult {
  std::uint64_t pointsTried = 0;
  // Projects neither recovered completely nor as they were: after a run
  // with a failing call (a crash may stop a run anywhere), and after the
  // next run without faults.
  std::uint64_t stuckAfterFault = 0;
  std::uint64_t stuckAfterNextRun = 0;
  Findings findings;
};

// Whether the walks try the N-th point. The plain build tries every point.
// The sanitizer build, several times slower, tries a fixed sample: every
// VR_WALK_STRIDE-th point from the first, a stride prime to the walks' own
// periods (the fsck at every 5th, 7th or 15th point, the resuming recovery
// run at every 3rd), so the sample still meets each of them.
bool WalksPoint(std::uint64_t n);

// Adds the points, counts and findings of `more` to `total`.
void Merge(WalkResult* total, const WalkResult& more);
// Prints the counts, "<points> tried: ...", and fails the test when any
// project was stuck or anything found, showing the first findings.
void ExpectNothingFound(const WalkResult& walk, const std::string& points);

// Counts the calls of a clean recover-all run over the hub, then for every
// N reruns it from the pristine hub with the N-th call failing or crashing,
// checks the invariants, runs the recovery once more without faults and
// checks again: every project is then recovered completely, whatever the
// first run left (the second finishes or puts back, then recovers). Exports and runs git fsck on the changed
// repositories at every `fsckEvery`-th point (and always for the clean run).
WalkResult WalkEveryCall(const PristineHub& hub, bool upgrade, WalkMode mode,
                         std::uint64_t fsckEvery);

// From the hub recovered by a clean recover-all run, counts the calls of a
// clean "velders-hub undo --all", then for every N reruns it from the
// recovered hub with the N-th call failing or crashing. After a failing call
// every project is still recovered completely or as it was before its
// recovery, and one the undo says it undid is as it was; after a crash, a
// run of the recovery that declines every project finishes what the undo
// began. Then an undo without faults leaves every project as it was and
// offered again.
WalkResult WalkUndo(const PristineHub& hub, bool upgrade, WalkMode mode, std::uint64_t fsckEvery);

}  // namespace faults
}  // namespace velders
