#pragma once

#include <string>

#include "mevcore/filesupport/Dir.h"

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

// Finishes or puts back a folder that holds a recovery journal in progress.
// A folder that an earlier program left with "sync.sqlite3" set aside but
// no recovery commit on its branch, and no journal, is put back too: the
// set-aside files under their names again, "version" from its saved copy,
// "recovery_info.txt" removed.
ResumeReport ResumeFolder(const mevcore::filesupport::Dir& project);

}  // namespace project
}  // namespace velders
