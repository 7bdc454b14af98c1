#pragma once

#include <git2.h>

#include <string>

#include "mevcore/filesupport/Dir.h"
#include "mevstorage/git/Storage.h"

namespace velders {
namespace project {

// The references a recovery reads and moves, by hex id. Each call either
// does what it says or throws a std::exception that names the reference and
// libgit2's reason.

// libgit2's last error message; "unknown reason" when it gave none.
std::string LastGitReason();
// The hex form of an object id.
std::string IdText(const git_oid& id);

// The commit "production" names; empty when there is no such branch.
std::string ProductionTip(const mevstorage::git::RepositoryHandle& repository);
// The commit HEAD names; empty when its branch has no commit yet.
std::string HeadCommit(const mevstorage::git::RepositoryHandle& repository);
// Whether `ancestor` is `commit` or one of its ancestors.
bool Reaches(const mevstorage::git::RepositoryHandle& repository, const std::string& commit,
             const std::string& ancestor);

void MoveProductionOrThrow(const mevstorage::git::RepositoryHandle& repository,
                           const std::string& commit);
void SetReferenceOrThrow(const mevstorage::git::RepositoryHandle& repository,
                         const std::string& name, const std::string& target);
void RemoveReferenceOrThrow(const mevstorage::git::RepositoryHandle& repository,
                            const std::string& name);

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
