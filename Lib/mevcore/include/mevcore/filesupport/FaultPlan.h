#pragma once

#include <cstdint>
#include <string>

namespace mevcore {
namespace filesupport {

// What a counted call does, so that a plan can fail it with an error that
// such a call really meets.
enum class FaultKind { kOpen, kRead, kWrite, kSync, kTruncate, kStat, kMakeFolder, kRename,
                       kRemove, kList, kClose, kLock, kAttributes };

const char* FaultKindName(FaultKind kind);

// One counter for every seam that can fail on purpose: the core library's
// fault-injecting disk and the storage library's SQLite file layer ask the
// installed plan before each call they make. A plan only counts, or fails
// the N-th call (counting from 1) with an errno that fits the call, or ends
// the process at once at the N-th call, before the call is made, as a crash
// or a power cut would (no destructors, no buffers flushed), or, as a disk
// that fills up at the N-th call, fails every write and every making of a
// folder from there on with ENOSPC while the other calls go on.
class FaultPlan {
 public:
  enum class Mode { kCount, kFail, kCrash, kFull };

  static FaultPlan Counting();
  static FaultPlan FailingAt(std::uint64_t n);
  static FaultPlan CrashingAt(std::uint64_t n, int exitCode);
  static FaultPlan FullFrom(std::uint64_t n);

  // Counts one call. 0 to go on; else the errno the call must fail with.
  // Never returns at the crash point.
  int Ask(FaultKind kind, const std::string& what);

  std::uint64_t Calls() const { return calls_; }
  bool Fired() const { return fired_; }
  // The first failed call, as "<kind> <what>: <error text>"; empty before.
  const std::string& FiredCall() const { return firedCall_; }

 private:
  FaultPlan(Mode mode, std::uint64_t at, int exitCode);
  int AskFull(FaultKind kind, const std::string& what);
  int Fire(FaultKind kind, const std::string& what, int error);

  Mode mode_;
  std::uint64_t at_;
  int exitCode_;
  std::uint64_t calls_ = 0;
  bool fired_ = false;
  std::string firedCall_;
};

// The errno a plan gives the N-th call of this kind: the fitting errors of
// the kind in turn, so a walk over N meets each of them.
int FittingError(FaultKind kind, std::uint64_t n);

// The plan the seams ask; null (the default) when none is installed, and
// then the seams cost one pointer test a call.
FaultPlan* CurrentFaultPlan();
// Installs `plan` (not owned); null removes it.
void SetFaultPlan(FaultPlan* plan);

}  // namespace filesupport
}  // namespace mevcore
