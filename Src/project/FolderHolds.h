#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mevcore/filesupport/Dir.h"
#include "mevcore/filesupport/FolderLock.h"

namespace velders {
namespace project {

// Every command that changes a project holds the lock of the folder that
// holds the project's entry, however the project was named, so that two
// such commands never work on one project at once.

// The folder that holds a project folder's entry, as it is on disk: the
// path less its last element, so that links in the rest of the path lead
// to the real folder; for a path ending in "." or "..", the parent of the
// folder it names (the path with "/.." added).
mevcore::filesupport::Dir ContainingFolder(const mevcore::filesupport::Dir& project);

// What HoldFolders got: every lock asked for, or none and the folder another
// program holds.
struct FolderHolds {
  std::vector<std::unique_ptr<mevcore::filesupport::FolderLock>> locks;
  std::optional<mevcore::filesupport::Dir> busy;
  mevcore::filesupport::FolderLockHolder holder;  // who holds `busy`, as far as told
};

// Holds the lock of each distinct folder of `folders` (one folder named by
// two paths is held once) without waiting: all of them, or none when another
// program holds one. A folder that is not there is passed over: nothing in
// it can be changed. Throws mevcore's mev_exception naming a folder that
// cannot be examined, opened or locked.
FolderHolds HoldFolders(const std::vector<mevcore::filesupport::Dir>& folders);

// "<program> (process <pid>)" for a holder whose process is known, the
// recovery program's command name (cut to 15 bytes by the system) given in
// full; "process <pid>" when only the process is; empty when neither is.
std::string HolderText(const mevcore::filesupport::FolderLockHolder& holder);

// Whether the holder is the recovery program.
bool HeldByRecovery(const mevcore::filesupport::FolderLockHolder& holder);

}  // namespace project
}  // namespace velders
