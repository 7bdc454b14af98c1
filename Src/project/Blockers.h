#pragma once

#include <optional>
#include <string>

#include "mevcore/filesupport/Dir.h"
#include "mevstorage/git/Storage.h"
#include "project/FolderListing.h"

namespace velders {
namespace project {

// What a recovery of the folder will touch, as far as its blockers go.
struct RecoveryPlan {
  bool promote = false;         // the folder ends in ".vd"
  bool keepProduction = false;  // the branch's old tip needs a reference of its own
};

// The plan for the folder whose HEAD names `head` and whose branch names
// `production` (hex ids, empty when there is none). Throws a std::exception
// when the history between the two cannot be walked.
RecoveryPlan PlanOf(const mevcore::filesupport::Dir& project,
                    const mevstorage::git::RepositoryHandle& repository, const std::string& head,
                    const std::string& production);

// The first of the common things that would stop a recovery of the folder
// part way, found before anything is changed: parts of the folder that are
// symbolic links or not of their kind, a branch lock file, a name that a
// set-aside or the promotion would need that is already taken (for
// "sync.sqlite3", its companions' names too), a folder or file the process
// may not write, a "sync.sqlite3" that another program is writing ("<path>
// is in use by another program") or of which that cannot be told. None
// when nothing is found; the reason, naming the file or folder, otherwise.
// Reads only; "sync.sqlite3" is locked for reading while it is looked at.
// `listing`, of the project folder, spares a look at each name it lacks.
std::optional<std::string> FindBlocker(const mevcore::filesupport::Dir& project,
                                       const RecoveryPlan& plan, const FolderListing& listing);

}  // namespace project
}  // namespace velders
