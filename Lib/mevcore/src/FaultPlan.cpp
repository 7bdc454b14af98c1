#include "mevcore/filesupport/FaultPlan.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace mevcore {
namespace filesupport {
namespace {

FaultPlan*& InstalledPlan() {
  static FaultPlan* plan = nullptr;
  return plan;
}

std::vector<int> FittingErrors(FaultKind kind) {
  switch (kind) {
    case FaultKind::kOpen:
      return {EACCES, ENOSPC, EIO};
    case FaultKind::kRead:
      return {EIO};
    case FaultKind::kWrite:
    case FaultKind::kTruncate:
    case FaultKind::kSync:
      return {ENOSPC, EIO};
    case FaultKind::kStat:
    case FaultKind::kList:
    case FaultKind::kRemove:
      return {EACCES, EIO};
    case FaultKind::kMakeFolder:
      return {ENOSPC, EACCES};
    case FaultKind::kRename:
      return {EACCES, ENOSPC, EIO};
    case FaultKind::kClose:
      return {EIO};
    case FaultKind::kLock:
      return {EBUSY, EIO};
    case FaultKind::kAttributes:
      return {EPERM, EIO};
  }
  return {EIO};
}

}  // namespace

const char* FaultKindName(FaultKind kind) {
  switch (kind) {
    case FaultKind::kOpen: return "open";
    case FaultKind::kRead: return "read";
    case FaultKind::kWrite: return "write";
    case FaultKind::kSync: return "sync";
    case FaultKind::kTruncate: return "truncate";
    case FaultKind::kStat: return "stat";
    case FaultKind::kMakeFolder: return "mkdir";
    case FaultKind::kRename: return "rename";
    case FaultKind::kRemove: return "remove";
    case FaultKind::kList: return "list";
    case FaultKind::kClose: return "close";
    case FaultKind::kLock: return "lock";
    case FaultKind::kAttributes: return "attributes";
  }
  return "call";
}

int FittingError(FaultKind kind, std::uint64_t n) {
  const std::vector<int> errors = FittingErrors(kind);
  return errors[n % errors.size()];
}

FaultPlan::FaultPlan(Mode mode, std::uint64_t at, int exitCode)
    : mode_(mode), at_(at), exitCode_(exitCode) {}

FaultPlan FaultPlan::Counting() { return FaultPlan(Mode::kCount, 0, 0); }

FaultPlan FaultPlan::FailingAt(std::uint64_t n) { return FaultPlan(Mode::kFail, n, 0); }

FaultPlan FaultPlan::CrashingAt(std::uint64_t n, int exitCode) {
  return FaultPlan(Mode::kCrash, n, exitCode);
}

FaultPlan FaultPlan::FullFrom(std::uint64_t n) { return FaultPlan(Mode::kFull, n, 0); }

int FaultPlan::Ask(FaultKind kind, const std::string& what) {
  ++calls_;
  if (mode_ == Mode::kFull) return AskFull(kind, what);
  if (mode_ == Mode::kCount || calls_ != at_) return 0;
  if (mode_ == Mode::kCrash) ::_exit(exitCode_);
  return Fire(kind, what, FittingError(kind, calls_));
}

int FaultPlan::AskFull(FaultKind kind, const std::string& what) {
  if (calls_ < at_ || (kind != FaultKind::kWrite && kind != FaultKind::kMakeFolder)) return 0;
  return Fire(kind, what, ENOSPC);
}

int FaultPlan::Fire(FaultKind kind, const std::string& what, int error) {
  if (!fired_) {
    firedCall_ = std::string(FaultKindName(kind)) + " " + what + ": " + std::strerror(error);
  }
  fired_ = true;
  return error;
}

FaultPlan* CurrentFaultPlan() { return InstalledPlan(); }

void SetFaultPlan(FaultPlan* plan) { InstalledPlan() = plan; }

}  // namespace filesupport
}  // namespace mevcore
