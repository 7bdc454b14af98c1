#pragma once

#include <string>

#include "mevcore/filesupport/Dir.h"
#include "mevstorage/git/Storage.h"
#include "project/Journal.h"

namespace velders {
namespace project {

// What the start of a run did with a folder that an earlier run left part
// way.
struct ResumeReport {
  enum class Result {
    kNothingToDo,  // not left part way
    kFinished,     // it had passed its commit point: the recovery is now complete
    kPutBack,      // it had not: the folder is as it was before that run
    kFailed,       // neither could be done; the folder stays as it is
  };
  Result result = Result::kNothingToDo;
  std::string reason;  // with kFailed
  bool promotionUpgradeFailed = false;
  // The folder under the name it has now (a finished promotion renames it).
  mevcore::filesupport::Dir project;
};

// Removes the temporaries a crashed run left (RemoveStaleTemporaries), then
// finishes or puts back a folder that holds a recovery journal in progress;
// an undo journal is always put back, a record still beside it removed
// first.
// A folder that an earlier program left with "sync.sqlite3" set aside but
// no recovery commit on its branch, and no journal, is put back too: the
// set-aside files (a database with its companions) under their names
// again, "version" from its saved copy, "recovery_info.txt" removed.
ResumeReport ResumeFolder(const mevcore::filesupport::Dir& project);

// Whether a run that stopped with this journal in progress had passed its
// commit point (PassedCommitPoint of StepRunner.h, with this repository):
// for the branch move, that it was recovering and "production" names the
// journal's commit. Such a run is finished; any other is put back. Only
// reads; throws a std::exception naming the reference when it cannot be
// read.
bool PassedCommitPoint(const mevstorage::git::RepositoryHandle& repository,
                       const Journal& journal);

// Opens a project's "git" folder: for writing, or read-only for a caller
// that only looks.
using RepositoryOpener =
    mevstorage::git::RepositoryHandle (*)(const mevcore::filesupport::Dir& gitFolder);

// Whether ResumeFolder puts the folder back as one an earlier program left
// with "sync.sqlite3" set aside, no journal and no record, and no recovery
// commit on its branch. A store that cannot be opened or walked is not such
// a folder.
bool LeftByEarlierProgram(const mevcore::filesupport::Dir& project, RepositoryOpener open);

}  // namespace project
}  // namespace velders
