#pragma once

#include <cstdint>

#include "FaultInjectionChecks.h"
#include "FaultInjectionHub.h"

namespace velders {
namespace faults {

enum class WalkMode {
  kFail,   // the N-th call fails with an error that fits it
  kCrash,  // the process ends at once at the N-th call
};

struct WalkResult {
  std::uint64_t pointsTried = 0;
  // Projects a first run left set aside but not recovered, which no later
  // run offers again: without their commit, or committed but not promoted.
  std::uint64_t leftUncommitted = 0;
  std::uint64_t leftUnpromoted = 0;
  Findings findings;
};

// Counts the calls of a clean recover-all run over the hub, then for every
// N reruns it from the pristine hub with the N-th call failing or crashing,
// checks the invariants, runs the recovery once more without faults and
// checks again: projects the first run had not set aside are then
// recovered completely. Exports and runs git fsck on the changed
// repositories at every `fsckEvery`-th point (and always for the clean run).
WalkResult WalkEveryCall(const PristineHub& hub, bool upgrade, WalkMode mode,
                         std::uint64_t fsckEvery);

}  // namespace faults
}  // namespace velders
