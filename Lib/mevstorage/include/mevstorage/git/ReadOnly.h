#pragma once

#include <optional>
#include <string>

#include "mevcore/filesupport/Dir.h"
#include "mevstorage/git/Storage.h"

namespace mevstorage {
namespace git {

// Opens a project's "git" folder as SQLite3OdbBackend::OpenRepository does,
// with the same checks and the same StorageError texts, but for looking
// only, while a host application may be writing: the object database is
// opened with SQLITE_OPEN_READONLY, so no journal is made and no write lock
// taken, and each read holds its read transaction for that read alone.
// Writing an object through the handle fails without touching the database.
// References are plain files that libgit2 would still write: callers of this
// function must not move them.
RepositoryHandle OpenRepositoryReadOnly(const mevcore::filesupport::Dir& gitFolder);

// Whether the store in `gitFolder` can be read only by a program allowed to
// write it, so that OpenRepositoryReadOnly refuses it: its
// "odb.sqlite3-journal" holds a write cut short, which reading rolls back,
// or its database is in WAL mode, which SQLite reads only by making files
// beside it. False when neither can be told.
bool ReadableOnlyByAWriter(const mevcore::filesupport::Dir& gitFolder);

// Why a write of objects into the store in `gitFolder` would fail now:
// another program holds the write lock of its object database, which a
// write waits for a few seconds at most. The reason is the one that write
// gives ("Unable to begin writing objects in <database>: database is
// locked"); none when no other program is writing it. `repository` is the
// store opened from that folder or from a copy of it: when it is open
// read-only on the folder's own database, its connection looks at the lock
// (one look, no lock taken); otherwise the database is looked at as
// DatabaseBeingWritten does, a shared lock held while it looks. Never
// waits; throws DatabaseBeingWritten's StorageError when that cannot tell.
std::optional<std::string> ObjectWritesRefusal(const RepositoryHandle& repository,
                                               const mevcore::filesupport::Dir& gitFolder);

}  // namespace git
}  // namespace mevstorage
