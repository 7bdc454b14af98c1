#pragma once

#include <cstdint>
#include <string>

#include "FaultInjectionHub.h"
#include "mevcore/filesupport/FaultPlan.h"

namespace velders {
namespace faults {

// What one run of the recovery left to see.
struct RunOutcome {
  bool exited = false;  // ended by exit, not by a signal
  int exitCode = -1;
  bool crashed = false;  // ended by the plan's crash
  std::string transcript;  // standard error and standard output
  std::string log;         // the structured log of the run
  std::uint64_t calls = 0;  // counted calls (not known after a crash)
  std::string firedCall;    // the call made to fail, if one was
  std::string escaped;      // an exception that left the run, which ended the program
};

// The exit code of a crash at the plan's chosen call.
constexpr int kCrashExitCode = 86;
// The exit code of a run that an exception left.
constexpr int kUncaughtExitCode = 85;

// The dialogue's answers: recover all, with or without the upgrade, then
// Enter at the end.
std::string RecoverAllAnswers(bool upgrade);

// Runs the whole recovery over the hub's home in a forked child, as the
// program would run, with `plan` asked by the core library's disk and the
// storage library's SQLite file layer. The child's standard input comes
// from `answers`, its standard error and output go to the transcript, and
// HOME, XDG_STATE_HOME and TZ (UTC) are its own.
RunOutcome RunRecoveryInChild(const PristineHub& hub, const std::string& answers,
                              mevcore::filesupport::FaultPlan plan);

// Runs "velders-hub undo --all" over the hub's home the same way.
RunOutcome RunUndoAllInChild(const PristineHub& hub, mevcore::filesupport::FaultPlan plan);

// Runs "velders-hub <arguments>" (split at spaces; undo and export known)
// over the hub's home the same way. A `fileSizeLimit` above 0 caps every
// file the child writes at that many bytes (RLIMIT_FSIZE, the signal
// ignored): writes beyond it fail with EFBIG, as on a full disk, also those
// libgit2 makes itself.
RunOutcome RunHubInChild(const PristineHub& hub, const std::string& arguments,
                         mevcore::filesupport::FaultPlan plan, std::uint64_t fileSizeLimit = 0);

}  // namespace faults
}  // namespace velders
