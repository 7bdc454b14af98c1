#pragma once

#include <string>
#include <vector>

#include "mevcore/filesupport/Dir.h"

namespace velders {
namespace project {

struct UndoOptions {
  bool dryRun = false;  // say what would be done; change nothing
  bool force = false;   // undo a project that changed since its recovery
};

// What became of one project asked to be undone.
struct UndoReport {
  enum class Result {
    kUndone,     // as it was before its recovery: offered again by the next run
    kWouldUndo,  // dry run: `actions` says what would be done
    kRefused,    // nothing was changed; `reason` says why
    kFailed,     // not undone: `reason` says why, and whether the project is still
                 // recovered or its undo journal stays in progress for the next run
  };
  Result result = Result::kRefused;
  std::string reason;                // kRefused, kFailed
  std::vector<std::string> changes;  // what changed since the recovery: lost by undoing it
  std::vector<std::string> actions;  // kWouldUndo, in the order they would be done
};

// Takes back the whole recovery of the project, as its record tells it:
// the record becomes an undo journal in progress (durably), then every step
// is taken back, last first, and the journal goes. When a step fails, the
// steps already taken back are applied again and the record written back:
// the project stays recovered. A crash at any point, or a failure of that
// too, is finished by the next recovery run or the next undo; a folder that
// holds an undo journal in progress is finished here too, after the
// temporaries a crashed run left in it are removed. Refused, changing
// nothing: a folder that belongs to another user (ForeignOwner), a folder
// without a record (not recovered, or recovered by an earlier program), one whose recovery is in progress, and one that changed
// since its recovery (`changes`) unless `force`, which first puts back what
// the recovery left, replacing the newer content. Never throws.
UndoReport UndoRecovery(const mevcore::filesupport::Dir& project, const UndoOptions& options);

// The phrases of `changes` or `actions`, in order, with "; " between.
std::string JoinedPhrases(const std::vector<std::string>& phrases);

// Whether "--all" takes the folder: it holds a record or an undo journal in
// progress, or a run of the recovery counts it as already recovered, or
// whether it does cannot be examined.
bool UndoCandidate(const mevcore::filesupport::Dir& project);

}  // namespace project
}  // namespace velders
