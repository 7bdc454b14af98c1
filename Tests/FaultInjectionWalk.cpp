#include "FaultInjectionWalk.h"

#include <gtest/gtest.h>

#include <iostream>

#include "FaultInjectionRun.h"

namespace velders {
namespace faults {
namespace {

using mevcore::filesupport::FaultPlan;

// A failure that changed the outcome must show on the console or in the log.
void CheckSaid(const PristineHub& hub, bool upgrade, const RunOutcome& run,
               const std::string& clean, Findings* findings) {
  if (run.firedCall.empty()) return;
  const bool said = !NewFailureLines(run.transcript, clean).empty() || !run.log.empty();
  if (!said && !AllRecovered(hub, upgrade)) {
    findings->push_back("a failure was swallowed: " + run.firedCall);
  }
}

// A project the run says it left as it was is as it was.
Findings CheckLeftAsItWasSaidTruly(const PristineHub& hub, const RunOutcome& run) {
  Findings findings;
  std::string whyNot;
  for (const HubFolder& folder : hub.Folders()) {
    const std::string start = "    Unable to recover " + hub.Hub() + "/" + folder.name + " : ";
    if (folder.recoverable &&
        EndsWith(LineAfter(run.transcript, start), "; it is left as it was") &&
        !AsItWas(hub, folder, &whyNot)) {
      findings.push_back(folder.name + " is said to be left as it was, but " + whyNot);
    }
  }
  return findings;
}

// On a full disk a failed recovery may not be taken back completely: the
// project then keeps its journal, which the next run finishes or takes
// back, and the run says so.
Findings CheckPartWaySaid(const PristineHub& hub, bool upgrade, const RunOutcome& run) {
  Findings findings;
  std::string why, whyNot;
  for (const HubFolder& folder : hub.Folders()) {
    if (!folder.recoverable || FullyRecovered(hub, folder, upgrade, &why, true) ||
        AsItWas(hub, folder, &whyNot)) {
      continue;
    }
    const std::string path = hub.Hub() + "/" + folder.name;
    if (!IsThere(path + "/git/recovery-in-progress.json") ||
        !Says(run.transcript, "    Unable to put back " + path + " : ")) {
      findings.push_back(folder.name + " is left part way, unsaid: " + why + "; " + whyNot);
    }
  }
  return findings;
}

// The second run, without faults: it finishes or puts back what the first
// left, and then every project is recovered completely; nothing fails that
// did not fail in a clean run.
void CheckSecondRun(const PristineHub& hub, bool upgrade, const std::string& clean, bool fsck,
                    WalkResult* result, Findings* findings) {
  const RunOutcome second = RunRecoveryInChild(hub, RecoverAllAnswers(upgrade),
                                               FaultPlan::Counting());
  AddTagged(findings, "second run: ", CheckRunEnded(second));
  for (const std::string& line : NewFailureLines(second.transcript, clean)) {
    findings->push_back("second run: " + line);
  }
  AddTagged(findings, "second run: ", CheckHub(hub, fsck));
  AddTagged(findings, "second run: ", CheckNoStrayTemporaries(hub));
  result->stuckAfterNextRun += CountStuck(hub, upgrade, true, "second run: ", findings);
  std::string why;
  for (const HubFolder& folder : hub.Folders()) {
    if (folder.recoverable && !FullyRecovered(hub, folder, upgrade, &why, true)) {
      findings->push_back("second run: " + folder.name + " is not recovered: " + why);
    }
  }
}

void TryPoint(const PristineHub& hub, bool upgrade, WalkMode mode, std::uint64_t n,
              const std::string& clean, bool fsck, WalkResult* result) {
  hub.Restore();
  const RunOutcome first = RunRecoveryInChild(hub, RecoverAllAnswers(upgrade), PlanFor(mode, n));
  Findings found;
  if (mode != WalkMode::kCrash) {
    AddTagged(&found, "", CheckRunEnded(first));
    CheckSaid(hub, upgrade, first, clean, &found);
    AddTagged(&found, "", CheckLeftAsItWasSaidTruly(hub, first));
    if (mode == WalkMode::kFail) {
      result->stuckAfterFault += CountStuck(hub, upgrade, true, "", &found);
    } else {
      AddTagged(&found, "", CheckPartWaySaid(hub, upgrade, first));
    }
  } else if (!first.crashed) {
    found.push_back("the run did not reach the crash point");
  }
  AddTagged(&found, "", CheckHub(hub, fsck));
  CheckSecondRun(hub, upgrade, clean, fsck, result, &found);
  const std::string tag = std::string(ModeVerb(mode)) + " call " + std::to_string(n) +
                          (upgrade ? " (upgrade)" : "") + " " + first.firedCall + ": ";
  AddTagged(&result->findings, tag, found);
}

}  // namespace

FaultPlan PlanFor(WalkMode mode, std::uint64_t n) {
  switch (mode) {
    case WalkMode::kFail: return FaultPlan::FailingAt(n);
    case WalkMode::kCrash: return FaultPlan::CrashingAt(n, kCrashExitCode);
    case WalkMode::kFull: return FaultPlan::FullFrom(n);
  }
  return FaultPlan::Counting();
}

const char* ModeVerb(WalkMode mode) {
  switch (mode) {
    case WalkMode::kFail: return "failed";
    case WalkMode::kCrash: return "crashed";
    case WalkMode::kFull: return "filled the disk";
  }
  return "";
}

bool WalksPoint(std::uint64_t n) {
#ifdef VR_WALK_STRIDE
  return n % VR_WALK_STRIDE == 1 % VR_WALK_STRIDE;
#else
  return n != 0;
#endif
}

void Merge(WalkResult* total, const WalkResult& more) {
  total->pointsTried += more.pointsTried;
  total->stuckAfterFault += more.stuckAfterFault;
  total->stuckAfterNextRun += more.stuckAfterNextRun;
  total->findings.insert(total->findings.end(), more.findings.begin(), more.findings.end());
}

void ExpectNothingFound(const WalkResult& walk, const std::string& points) {
  std::cout << points << " tried: " << walk.pointsTried << ", findings: " << walk.findings.size()
            << "; projects stuck after the faulty run: " << walk.stuckAfterFault
            << ", after the next run: " << walk.stuckAfterNextRun << std::endl;
  EXPECT_GT(walk.pointsTried, 0u);
  EXPECT_EQ(0u, walk.stuckAfterFault);
  EXPECT_EQ(0u, walk.stuckAfterNextRun);
  std::string first;
  for (std::size_t i = 0; i < walk.findings.size() && i < 20; ++i) first += walk.findings[i] + "\n";
  EXPECT_TRUE(walk.findings.empty()) << walk.findings.size() << " findings, the first:\n" << first;
}

WalkResult WalkEveryCall(const PristineHub& hub, bool upgrade, WalkMode mode,
                         std::uint64_t fsckEvery) {
  WalkResult result;
  hub.Restore();
  const RunOutcome clean =
      RunRecoveryInChild(hub, RecoverAllAnswers(upgrade), FaultPlan::Counting());
  AddTagged(&result.findings, "clean run: ", CheckRunEnded(clean));
  AddTagged(&result.findings, "clean run: ", CheckHub(hub, true));
  if (!AllRecovered(hub, upgrade)) result.findings.push_back("clean run: not all recovered");
  if (!clean.log.empty()) result.findings.push_back("clean run: diagnostics: " + clean.log);
  if (!result.findings.empty()) return result;

  for (std::uint64_t n = 1; n <= clean.calls; ++n) {
    if (!WalksPoint(n)) continue;
    TryPoint(hub, upgrade, mode, n, clean.transcript, fsckEvery != 0 && n % fsckEvery == 0,
             &result);
    ++result.pointsTried;
  }
  return result;
}

}  // namespace faults
}  // namespace velders
