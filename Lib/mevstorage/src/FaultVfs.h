#pragma once

namespace mevstorage {
namespace git {

// The SQLite file layer the object database is opened with, and through
// which DatabaseBeingWritten looks at a database's locks: the system's
// default one, with each open, delete, access check, read, write, truncate,
// sync, size query and lock first asked of the core library's installed
// FaultPlan (mevcore/filesupport/FaultPlan.h), so that tests can fail or
// crash at any of them; so are the check of another process's reserved
// lock, the mapping of shared memory (as an open) and the taking of a
// shared-memory lock. Without a plan it only forwards.
constexpr const char* kCountedVfsName = "velders-counted";

// Registers the file layer under kCountedVfsName, not as the default; once
// per process, later calls do nothing. False when SQLite refused it.
bool RegisterCountedVfs();

}  // namespace git
}  // namespace mevstorage
