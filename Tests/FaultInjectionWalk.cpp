#include "FaultInjectionWalk.h"

#include "FaultInjectionRun.h"

namespace velders {
namespace faults {
namespace {

using mevcore::filesupport::FaultPlan;

void Add(Findings* all, const std::string& tag, const Findings& found) {
  for (const std::string& finding : found) all->push_back(tag + finding);
}

bool AllRecovered(const PristineHub& hub, bool upgrade) {
  std::string why;
  for (const HubFolder& folder : hub.Folders()) {
    if (folder.recoverable && !FullyRecovered(hub, folder, upgrade, &why)) return false;
  }
  return true;
}

// A failure that changed the outcome must show on the console or in the log.
void CheckSaid(const PristineHub& hub, bool upgrade, const RunOutcome& run,
               const std::string& clean, Findings* findings) {
  if (run.firedCall.empty()) return;
  const bool said = !NewFailureLines(run.transcript, clean).empty() || !run.log.empty();
  if (!said && !AllRecovered(hub, upgrade)) {
    findings->push_back("a failure was swallowed: " + run.firedCall);
  }
}

// Every project is recovered completely or as it was; the others are
// counted and named.
std::uint64_t CountStuck(const PristineHub& hub, bool upgrade, const std::string& when,
                         Findings* findings) {
  std::uint64_t stuck = 0;
  std::string why, whyNot;
  for (const HubFolder& folder : hub.Folders()) {
    if (!folder.recoverable || FullyRecovered(hub, folder, upgrade, &why, true) ||
        AsItWas(hub, folder, &whyNot)) {
      continue;
    }
    ++stuck;
    findings->push_back(when + folder.name + " is stuck: " + why + "; " + whyNot);
  }
  return stuck;
}

// The second run, without faults: it finishes or puts back what the first
// left, and then every project is recovered completely; nothing fails that
// did not fail in a clean run.
void CheckSecondRun(const PristineHub& hub, bool upgrade, const std::string& clean, bool fsck,
                    WalkResult* result, Findings* findings) {
  const RunOutcome second = RunRecoveryInChild(hub, RecoverAllAnswers(upgrade),
                                               FaultPlan::Counting());
  Add(findings, "second run: ", CheckRunEnded(second));
  for (const std::string& line : NewFailureLines(second.transcript, clean)) {
    findings->push_back("second run: " + line);
  }
  Add(findings, "second run: ", CheckHub(hub, fsck));
  result->stuckAfterNextRun += CountStuck(hub, upgrade, "second run: ", findings);
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
  const FaultPlan plan =
      mode == WalkMode::kFail ? FaultPlan::FailingAt(n) : FaultPlan::CrashingAt(n, kCrashExitCode);
  const RunOutcome first = RunRecoveryInChild(hub, RecoverAllAnswers(upgrade), plan);
  Findings found;
  if (mode == WalkMode::kFail) {
    Add(&found, "", CheckRunEnded(first));
    CheckSaid(hub, upgrade, first, clean, &found);
    result->stuckAfterFault += CountStuck(hub, upgrade, "", &found);
  } else if (!first.crashed) {
    found.push_back("the run did not reach the crash point");
  }
  Add(&found, "", CheckHub(hub, fsck));
  CheckSecondRun(hub, upgrade, clean, fsck, result, &found);
  const std::string tag = std::string(mode == WalkMode::kFail ? "failed" : "crashed") +
                          " call " + std::to_string(n) + (upgrade ? " (upgrade)" : "") + " " +
                          first.firedCall + ": ";
  Add(&result->findings, tag, found);
}

}  // namespace

WalkResult WalkEveryCall(const PristineHub& hub, bool upgrade, WalkMode mode,
                         std::uint64_t fsckEvery) {
  WalkResult result;
  hub.Restore();
  const RunOutcome clean =
      RunRecoveryInChild(hub, RecoverAllAnswers(upgrade), FaultPlan::Counting());
  Add(&result.findings, "clean run: ", CheckRunEnded(clean));
  Add(&result.findings, "clean run: ", CheckHub(hub, true));
  if (!AllRecovered(hub, upgrade)) result.findings.push_back("clean run: not all recovered");
  if (!clean.log.empty()) result.findings.push_back("clean run: diagnostics: " + clean.log);
  if (!result.findings.empty()) return result;

  for (std::uint64_t n = 1; n <= clean.calls; ++n) {
    TryPoint(hub, upgrade, mode, n, clean.transcript, fsckEvery != 0 && n % fsckEvery == 0,
             &result);
    ++result.pointsTried;
  }
  return result;
}

}  // namespace faults
}  // namespace velders
