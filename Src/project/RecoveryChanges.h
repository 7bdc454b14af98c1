#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mevcore/filesupport/Dir.h"
#include "mevstorage/git/Storage.h"
#include "project/Journal.h"

namespace velders {
namespace project {

// Where a forced undo keeps the branch's newer tip: this prefix and the
// tip's id, so that no commit is left unnamed.
extern const char kUndoneTipReferences[];  // "refs/pre_undo/"

// Why the folder cannot be put back as it was before its recovery, whatever
// --force would replace: a set-aside file the undo puts back under its name
// is missing. None when nothing is missing.
std::optional<std::string> MissingSetAside(const mevcore::filesupport::Dir& project,
                                           const Journal& record);

// What changed in the project since the recovery its record tells of, one
// phrase a change, for example "the commits on \"production\" after the
// recovery commit, up to <id>": what taking the recovery back would lose.
// A companion of "sync.sqlite3" there ("\"sync.sqlite3-wal\", made since the
// recovery") counts: put back beside it, the set-aside database would take
// its content.
// Empty when the folder is as the recovery left it. Throws a
// std::exception naming the file or reference that cannot be read.
std::vector<std::string> ChangesSinceRecovery(const mevcore::filesupport::Dir& project,
                                              const mevstorage::git::RepositoryHandle& repository,
                                              const Journal& record);

// Puts back what the recovery left where it changed since: "production" at
// the recovery commit (a newer tip kept under kUndoneTipReferences),
// "sync.sqlite3" and its companions removed (the companions first),
// "recovery_info.txt" and "version" as the recovery wrote them, so that
// taking the steps back gives the folder from before the recovery. Throws
// on failure.
void ReplaceChanges(const mevcore::filesupport::Dir& project,
                    const mevstorage::git::RepositoryHandle& repository, const Journal& record);

// What taking back the recovery does, in order, one phrase a step.
std::vector<std::string> UndoActions(const mevcore::filesupport::Dir& project,
                                     const Journal& record);

}  // namespace project
}  // namespace velders
