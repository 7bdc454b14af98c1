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

// The second run, without faults: what the first had not set aside is now
// recovered completely, and nothing fails that did not fail in a clean run.
void CheckSecondRun(const PristineHub& hub, bool upgrade, const std::vector<bool>& setAside,
                    const std::string& clean, bool fsck, WalkResult* result,
                    Findings* findings) {
  const RunOutcome second = RunRecoveryInChild(hub, RecoverAllAnswers(upgrade),
                                               FaultPlan::Counting());
  Add(findings, "second run: ", CheckRunEnded(second));
  for (const std::string& line : NewFailureLines(second.transcript, clean)) {
    findings->push_back("second run: " + line);
  }
  Add(findings, "second run: ", CheckHub(hub, fsck));
  std::string why;
  for (std::size_t i = 0; i < hub.Folders().size(); ++i) {
    const HubFolder& folder = hub.Folders()[i];
    if (!folder.recoverable || FullyRecovered(hub, folder, upgrade, &why)) continue;
    if (setAside[i]) {
      ++(HeadRecovered(hub, folder) ? result->leftUnpromoted : result->leftUncommitted);
    } else {
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
  } else if (!first.crashed) {
    found.push_back("the run did not reach the crash point");
  }
  Add(&found, "", CheckHub(hub, fsck));
  std::vector<bool> setAside;
  for (const HubFolder& folder : hub.Folders()) setAside.push_back(SetAside(hub, folder));
  CheckSecondRun(hub, upgrade, setAside, clean, fsck, result, &found);
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
