#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "mevcore/filesupport/Dir.h"
#include "mevstorage/git/Storage.h"
#include "project/Journal.h"

namespace velders {
namespace project {

// What the steps of one project work on.
struct StepContext {
  mevcore::filesupport::Dir project;  // the folder, under the name it has now
  Journal journal;
  // Opened when a step first needs it, released before the folder is renamed.
  mevstorage::git::RepositoryHandle repository;
  // The promotion's own upgrade failed; as written, the folder is renamed and
  // the project counted all the same.
  bool promotionUpgradeFailed = false;
};

// Why a step could not be applied. The first two have console lines of
// their own and stop the walk; an exception that a step let through is said
// as the procedure says exceptions; the others by their message.
enum class FailureKind { kWriteFiles, kUpgrade, kException, kOther };

class StepFailure : public std::runtime_error {
 public:
  StepFailure(FailureKind kind, const std::string& message)
      : std::runtime_error(message), kind_(kind) {}
  FailureKind kind() const { return kind_; }

 private:
  FailureKind kind_;
};

// One step of a recovery: whether the journal plans it, how to apply it, how
// to take it back, and how to tell from the folder that it is done. `apply`
// throws (StepFailure or any std::exception) and may leave part of its work
// behind; `undo` takes back whatever of the step is there, whatever part
// that is, and does nothing when nothing is; both throw on failure.
struct Step {
  const char* name;
  bool (*planned)(const Journal& journal);
  void (*apply)(StepContext& context);
  void (*undo)(StepContext& context);
  bool (*done)(StepContext& context);
};

// The steps of a recovery, in the order they are applied. The branch move is
// the commit point: a run that stops before it is taken back, one that stops
// after it is finished.
const std::vector<Step>& RecoverySteps();
std::size_t CommitPoint();

// The repository of the context's folder, opened on first need.
const mevstorage::git::RepositoryHandle& Repository(StepContext& context);

}  // namespace project
}  // namespace velders
