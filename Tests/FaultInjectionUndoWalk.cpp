#include <regex>
#include <string>

#include "FaultInjectionRun.h"
#include "FaultInjectionWalk.h"
#include "mevcore/filesupport/Dir.h"
#include "project/Preview.h"

namespace velders {
namespace faults {
namespace {

using mevcore::filesupport::FaultPlan;

// Where the hub is kept as the clean recovery left it.
constexpr char kRecoveredHub[] = "recovered";
constexpr std::uint64_t kResumeByRecoveryEvery = 3;

// The undo names a folder as it is when it starts: as recovered.
std::string RecoveredName(const HubFolder& folder) {
  return folder.name + (folder.older ? "2" : "");
}

// The undo ended by itself, whatever it said of each folder.
Findings CheckUndoEnded(const RunOutcome& run) {
  if (run.exited && (run.exitCode == 0 || run.exitCode == 1) && run.escaped.empty()) return {};
  return {"the undo ended with " + std::to_string(run.exitCode) + " " + run.escaped};
}

// The undo stopped at the hub, before any folder, and said why.
bool StoppedAtTheHub(const RunOutcome& run) {
  static const std::regex folderLine(": (undone; |would undo: |refused: |failed: )");
  return run.exitCode == 1 && !run.transcript.empty() &&
         !std::regex_search(run.transcript, folderLine) &&
         run.transcript.rfind("No recovered projects", 0) != 0;
}

// A folder the undo calls undone is as it was; one that is not was said to
// have failed, not passed over in silence.
Findings CheckUndoSaid(const PristineHub& hub, const RunOutcome& run) {
  Findings findings;
  std::string why;
  for (const HubFolder& folder : hub.Folders()) {
    if (!folder.recoverable) continue;
    const std::string name = RecoveredName(folder);
    const bool asItWas = AsItWas(hub, folder, &why);
    if (Says(run.transcript, name + ": undone;") && !asItWas) {
      findings.push_back(name + " is said to be undone, but " + why);
    } else if (!asItWas && !Says(run.transcript, name + ": failed: ") && !StoppedAtTheHub(run)) {
      findings.push_back(name + " is not undone and no failure is said: " + why);
    }
  }
  return findings;
}

// What the undo said of a folder: under the name it has when recovered, or,
// once an undo cut short has taken its promotion back, under its old one.
std::string UndoLine(const RunOutcome& run, const HubFolder& folder) {
  const std::string line = LineAfter(run.transcript, RecoveredName(folder) + ": ");
  return line.empty() ? LineAfter(run.transcript, folder.name + ": ") : line;
}

bool HoldsUndoJournal(const PristineHub& hub, const HubFolder& folder) {
  for (const std::string& name : {folder.name, RecoveredName(folder)}) {
    if (IsThere(hub.Hub() + "/" + name + "/git/recovery-in-progress.json")) return true;
  }
  return false;
}

// What a failed undo says of a project's state holds: "it is still
// recovered" of one recovered completely without an undo journal, "the
// next recovery run or undo finishes the undoing" of one with it.
Findings CheckUndoFailureSaidTruly(const PristineHub& hub, bool upgrade, const RunOutcome& run) {
  Findings findings;
  std::string why;
  for (const HubFolder& folder : hub.Folders()) {
    const std::string name = RecoveredName(folder);
    const std::string line = folder.recoverable ? UndoLine(run, folder) : "";
    const bool journal = HoldsUndoJournal(hub, folder);
    if (EndsWith(line, "; it is still recovered") &&
        (journal || !FullyRecovered(hub, folder, upgrade, &why))) {
      findings.push_back(name + " is said to be still recovered, but " +
                         (journal ? "its undo journal is there" : why));
    }
    if (EndsWith(line, "finishes the undoing") && !journal) {
      findings.push_back(name + " is said to be finished by the next run, but holds no journal");
    }
  }
  return findings;
}

// On a full disk the undo may keep a project neither recovered nor as it
// was, which its journal lets the next run finish; it must say so.
Findings CheckUndoPartWaySaid(const PristineHub& hub, bool upgrade, const RunOutcome& run) {
  Findings findings;
  std::string why, whyNot;
  for (const HubFolder& folder : hub.Folders()) {
    if (!folder.recoverable || FullyRecovered(hub, folder, upgrade, &why) ||
        AsItWas(hub, folder, &whyNot)) {
      continue;
    }
    const std::string name = RecoveredName(folder);
    if (!HoldsUndoJournal(hub, folder) ||
        !EndsWith(UndoLine(run, folder), "finishes the undoing")) {
      findings.push_back(name + " is left part way, unsaid: " + why + "; " + whyNot);
    }
  }
  return findings;
}

// Every project is as it was before its recovery, and a run would offer it.
Findings CheckAllUndone(const PristineHub& hub) {
  Findings findings;
  std::string why;
  for (const HubFolder& folder : hub.Folders()) {
    if (!folder.recoverable) continue;
    if (!AsItWas(hub, folder, &why)) {
      findings.push_back(folder.name + " is not as it was: " + why);
      continue;
    }
    const project::Preview preview =
        project::PreviewEntry(mevcore::filesupport::Dir::FromNativePath(hub.Hub() + "/" + folder.name));
    if (preview.kind != project::Preview::Kind::kWouldRecover ||
        !preview.reason.empty()) {
      findings.push_back(folder.name + " is not offered again: " + preview.reason);
    }
  }
  return findings;
}

// A recovery run that declines every project: its start finishes or puts
// back what an undo left part way, and it changes nothing else.
std::string DeclineAllAnswers(const PristineHub& hub) {
  std::string answers = "n\nn\nn\n";
  for (std::size_t i = 0; i <= hub.Folders().size(); ++i) answers += "n\n";
  return answers;
}

// Nothing fails in it that did not fail in the clean recovery run. The hub's
// invariants are checked after the next undo: nothing lost comes back.
void CheckResumeRun(const PristineHub& hub, bool upgrade, const std::string& clean,
                    WalkResult* result, Findings* findings) {
  const RunOutcome resume =
      RunRecoveryInChild(hub, DeclineAllAnswers(hub), FaultPlan::Counting());
  AddTagged(findings, "resuming run: ", CheckRunEnded(resume));
  for (const std::string& line : NewFailureLines(resume.transcript, clean)) {
    findings->push_back("resuming run: " + line);
  }
  result->stuckAfterNextRun += CountStuck(hub, upgrade, false, "resuming run: ", findings);
}

// An undo that finds the disk full as it resumes what a crash left says
// truly what it leaves, and loses nothing.
void CheckResumeOnAFullDisk(const PristineHub& hub, bool upgrade, Findings* findings) {
  const RunOutcome full = RunUndoAllInChild(hub, FaultPlan::FullFrom(1));
  AddTagged(findings, "undo on a full disk: ", CheckUndoEnded(full));
  AddTagged(findings, "undo on a full disk: ", CheckUndoFailureSaidTruly(hub, upgrade, full));
  AddTagged(findings, "undo on a full disk: ", CheckUndoPartWaySaid(hub, upgrade, full));
  AddTagged(findings, "undo on a full disk: ", CheckHub(hub, false));
}

// The undo again, without faults, takes back whatever is still recovered.
void CheckNextUndo(const PristineHub& hub, bool upgrade, bool fsck, WalkResult* result,
                   Findings* findings) {
  const RunOutcome next = RunUndoAllInChild(hub, FaultPlan::Counting());
  AddTagged(findings, "next undo: ", CheckUndoEnded(next));
  AddTagged(findings, "next undo: ", CheckHub(hub, fsck));
  AddTagged(findings, "next undo: ", CheckNoStrayTemporaries(hub));
  result->stuckAfterNextRun += CountStuck(hub, upgrade, false, "next undo: ", findings);
  AddTagged(findings, "next undo: ", CheckAllUndone(hub));
}

void TryPoint(const PristineHub& hub, bool upgrade, WalkMode mode, std::uint64_t n,
              const std::string& clean, bool fsck, WalkResult* result) {
  hub.RestoreKept(kRecoveredHub);
  const RunOutcome first = RunUndoAllInChild(hub, PlanFor(mode, n));
  Findings found;
  if (mode != WalkMode::kCrash) {
    AddTagged(&found, "", CheckUndoEnded(first));
    AddTagged(&found, "", CheckUndoSaid(hub, first));
    AddTagged(&found, "", CheckUndoFailureSaidTruly(hub, upgrade, first));
    if (mode == WalkMode::kFail) {
      result->stuckAfterFault += CountStuck(hub, upgrade, false, "", &found);
    } else {
      AddTagged(&found, "", CheckUndoPartWaySaid(hub, upgrade, first));
    }
  } else if (!first.crashed) {
    found.push_back("the undo did not reach the crash point");
  }
  AddTagged(&found, "", CheckHub(hub, fsck));
  // The next undo resumes an undo journal as a recovery run does, through
  // the same code; a run of the recovery resumes it at every few points, and
  // at others an undo on a full disk first.
  if (mode == WalkMode::kCrash && n % kResumeByRecoveryEvery == 0) {
    CheckResumeRun(hub, upgrade, clean, result, &found);
  }
  if (mode == WalkMode::kCrash && n % kResumeByRecoveryEvery == 1) {
    CheckResumeOnAFullDisk(hub, upgrade, &found);
  }
  CheckNextUndo(hub, upgrade, fsck, result, &found);
  const std::string tag = std::string("undo ") + ModeVerb(mode) + " at call " +
                          std::to_string(n) + (upgrade ? " (upgrade)" : "") + " " +
                          first.firedCall + ": ";
  AddTagged(&result->findings, tag, found);
}

}  // namespace

WalkResult WalkUndo(const PristineHub& hub, bool upgrade, WalkMode mode, std::uint64_t fsckEvery) {
  WalkResult result;
  hub.Restore();
  const RunOutcome recovery =
      RunRecoveryInChild(hub, RecoverAllAnswers(upgrade), FaultPlan::Counting());
  AddTagged(&result.findings, "clean recovery: ", CheckRunEnded(recovery));
  if (!AllRecovered(hub, upgrade)) result.findings.push_back("clean recovery: not all recovered");
  hub.Keep(kRecoveredHub);
  const RunOutcome clean = RunUndoAllInChild(hub, FaultPlan::Counting());
  AddTagged(&result.findings, "clean undo: ", CheckUndoEnded(clean));
  AddTagged(&result.findings, "clean undo: ", CheckUndoSaid(hub, clean));
  AddTagged(&result.findings, "clean undo: ", CheckHub(hub, true));
  AddTagged(&result.findings, "clean undo: ", CheckAllUndone(hub));
  if (!result.findings.empty()) return result;

  for (std::uint64_t n = 1; n <= clean.calls; ++n) {
    if (!WalksPoint(n)) continue;
    TryPoint(hub, upgrade, mode, n, recovery.transcript, fsckEvery != 0 && n % fsckEvery == 0,
             &result);
    ++result.pointsTried;
  }
  return result;
}

}  // namespace faults
}  // namespace velders
