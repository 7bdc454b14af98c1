#pragma once

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

}  // namespace git
}  // namespace mevstorage
