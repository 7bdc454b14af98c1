#pragma once

#include <cstddef>
#include <string>

namespace bench {

// The floor of a recovery: only the disk writes one project's recovery
// cannot avoid, each as durable as the recovery makes it, and none of its
// other work. For a project folder that holds "sync.sqlite3" and no
// "pre_recovery_sync.sqlite3": "recovery_info.txt" written and synced; the
// two set-aside renames, each with the folder synced; one transaction of
// three new objects in "git/odb.sqlite3"; the branch "production" written to
// a temporary name, synced and renamed over the old one, its folder synced;
// for a ".vd" folder the data model upgrade (two files written and synced)
// and the rename to ".vd2" with the hub folder synced. Returns false, having
// changed nothing, for a folder that is not recoverable. Throws
// std::runtime_error naming the file and the reason.
bool FloorRecoverProject(const std::string& projectFolder);

// The floor of every sub-folder of `hubFolder`, in name order; returns how
// many were recovered.
std::size_t FloorRecoverHub(const std::string& hubFolder);

}  // namespace bench
