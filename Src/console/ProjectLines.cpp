#include "console/ProjectLines.h"

#include "records/ConsoleText.h"

namespace velders {
namespace {

using mevcore::filesupport::Dir;
using project::FailureKind;
using Result = project::RecoveryReport::Result;

std::string Folder(const Dir& project) { return ConsoleSafe(project.FullPathMultiByte()); }

void SayUpgradeFailed(const Dir& project, Console& console) {
  console.out << "    Unable to upgrade data model in " << Folder(project) << std::endl;
}

// The failure's own line. "it is left as it was" is said only when it is:
// when taking back failed too, the next line says so instead.
void SayFailure(const Dir& project, FailureKind kind, const std::string& reason,
                bool leftAsItWas, Console& console) {
  switch (kind) {
    case FailureKind::kWriteFiles:
      console.out << "    Unable to write files in " << Folder(project) << std::endl;
      return;
    case FailureKind::kUpgrade:
      return SayUpgradeFailed(project, console);
    case FailureKind::kException:
      return SayException(project, reason, console);
    case FailureKind::kOther:
      console.out << "    Unable to recover " << Folder(project) << " : " << ConsoleSafe(reason)
                  << (leftAsItWas ? "; it is left as it was" : "") << std::endl;
      return;
  }
}

void SayNotPutBack(const Dir& project, const std::string& reason, Console& console) {
  console.out << "    Unable to put back " << Folder(project) << " : " << ConsoleSafe(reason)
              << "; the next run will finish it or put it back" << std::endl;
}

}  // namespace

Outcome SayRecovery(const Dir& project, const project::RecoveryReport& report,
                    Console& console) {
  if (report.promotionUpgradeFailed) SayUpgradeFailed(project, console);
  if (report.result == Result::kRecovered) return Outcome::kRecovered;
  const bool leftAsItWas = report.result == Result::kLeftAsItWas;
  SayFailure(project, report.failureKind, report.reason, leftAsItWas, console);
  if (!leftAsItWas) SayNotPutBack(project, report.putBackFailure, console);
  return report.stopsWalk ? Outcome::kStopWalk : Outcome::kNotRecovered;
}

void SayException(const Dir& project, const std::string& what, Console& console) {
  console.out << "Caught an exception while working on " << Folder(project) << " : "
              << ConsoleSafe(what) << std::endl;
}

bool SayResume(const Dir& project, const project::ResumeReport& report, Console& console) {
  using ResumeResult = project::ResumeReport::Result;
  switch (report.result) {
    case ResumeResult::kNothingToDo:
      return false;
    case ResumeResult::kFinished:
      if (report.promotionUpgradeFailed) SayUpgradeFailed(project, console);
      console.out << "Finished the recovery of " << Folder(report.project)
                  << ", which an earlier run left part way" << std::endl;
      return true;
    case ResumeResult::kPutBack:
      console.out << "Put back " << Folder(project)
                  << " as it was before an earlier run left it part way" << std::endl;
      return false;
    case ResumeResult::kFailed:
      SayNotPutBack(project, report.reason, console);
      return false;
  }
  return false;
}

}  // namespace velders
