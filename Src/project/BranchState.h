#pragma once

#include <string>

#include "mevcore/filesupport/Dir.h"
#include "mevstorage/git/References.h"
#include "mevstorage/git/Storage.h"

namespace velders {
namespace project {

// The references a recovery reads and moves, by hex id. Each call either
// does what it says or throws a std::exception (the storage library's
// StorageError for its reads) that names the reference and libgit2's reason.

// The commit "production" names; empty when there is no such branch.
std::string ProductionTip(const mevstorage::git::RepositoryHandle& repository);
// The commit HEAD names; empty when its branch has no commit yet.
std::string HeadCommit(const mevstorage::git::RepositoryHandle& repository);
// HeadCommit and ProductionTip together, each reference file read once.
mevstorage::git::HeadAndReference HeadAndProduction(
    const mevstorage::git::RepositoryHandle& repository);
// Moves "production" from `from` (empty: there is no such branch yet) to
// the recovery commit `commit`, durably; throws a std::runtime_error with
// the reason when it is not moved, among them a branch that names something
// else by the time its lock file is held: another program moved it.
void MoveProductionOrThrow(const mevstorage::git::RepositoryHandle& repository,
                           const std::string& from, const std::string& commit);

// Whether a recovery commit (its message begins "Velders Recovery
// (Recovered: ") is on the first-parent history of "production", or of HEAD
// when there is no such branch.
bool HistoryHasRecoveryCommit(const mevstorage::git::RepositoryHandle& repository);

// Whether the loose file of reference `name` names `target`.
bool ReferenceFileHolds(const mevcore::filesupport::Dir& project, const std::string& name,
                        const std::string& target);
// Removes "<name>.lock" when it is one this program's stopped run left while
// pointing `name` at `target`: it holds "<target>\n" or the start of it. A
// lock anyone else holds stays.
void ClearOwnLock(const mevcore::filesupport::Dir& project, const std::string& name,
                  const std::string& target);

}  // namespace project
}  // namespace velders
