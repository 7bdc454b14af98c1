#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "mevcore/filesupport/Dir.h"
#include "mevcore/filesupport/DurableWrite.h"
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
  // "recovery_info.txt", begun with the journal so that the journal's sync
  // carries it too (BeginRecoveryInfoText); its step finishes it.
  mevcore::filesupport::StagedWrite recoveryInfo;
  // When set, called once, as soon as every planned step whose failure
  // stops the walk is applied (see Step::mayStopWalk): the walk then goes on
  // past this project whatever becomes of it.
  std::function<void()> pastWalkStops;
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

// A part of the project folder that a step renames or rewrites, by its
// path inside the folder. Before a recovery starts, each one that is there
// must be of its kind and not a symbolic link, and, when `written`, one the
// process may write (FindBlocker).
enum class PartKind { kFolder, kFile, kAny };
struct FolderPart {
  std::string path;
  PartKind kind;
  bool written;
};

// One step of a recovery: whether the journal plans it, how to apply it, how
// to take it back, and how to tell from the folder that it is done. `apply`
// throws (StepFailure or any std::exception) and may leave part of its work
// behind; `undo` takes back whatever of the step is there, whatever part
// that is, and does nothing when nothing is; both throw on failure.
// `undoPhrase` says what taking it back does to the project folder (under
// the name it has now) that the record tells of, for "undo --dry-run";
// none when it says nothing there. It is asked of every step, planned or
// not: putting "version" back is said where the upgrade is, also when only
// the promotion upgraded it. `parts` are the folder's parts it works on,
// checked whether the step is planned or not.
struct Step {
  const char* name;
  bool (*planned)(const Journal& journal);
  void (*apply)(StepContext& context);
  void (*undo)(StepContext& context);
  bool (*done)(StepContext& context);
  std::optional<std::string> (*undoPhrase)(const mevcore::filesupport::Dir& project,
                                           const Journal& record);
  std::vector<FolderPart> parts;
  // The commit point, which one step is: a run that stops before this step
  // is done is taken back, one that stops after it is finished.
  bool commitPoint = false;
  // Its failure stops the run's walk (kWriteFiles or kUpgrade).
  bool mayStopWalk = false;
};

// The steps of a recovery, in the order they are applied.
const std::vector<Step>& RecoverySteps();
// The index in `steps` of the one that is the commit point.
std::size_t CommitPoint(const std::vector<Step>& steps);

// The repository of the context's folder, opened on first need.
const mevstorage::git::RepositoryHandle& Repository(StepContext& context);

}  // namespace project
}  // namespace velders
