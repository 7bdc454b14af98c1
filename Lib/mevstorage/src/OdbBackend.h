#pragma once

#include <git2.h>
#include <git2/sys/odb_backend.h>

#include <memory>

#include "ObjectDatabase.h"

namespace mevstorage {
namespace git {

// A libgit2 object database backend over the SQLite object database; the
// backend owns the database and is freed by the git_odb it is added to.
git_odb_backend* NewSQLiteOdbBackend(std::unique_ptr<ObjectDatabase> database);

// The object database behind a backend made by NewSQLiteOdbBackend; null for
// any other backend.
ObjectDatabase* DatabaseOfBackend(git_odb_backend* backend);

// libgit2's answer for a database result; errors set libgit2's message.
int ReportResult(ObjectDatabase& database, ObjectDatabase::Result result);

// True, once, when `id` is the object whose write just failed: libgit2 tries
// a failed write again through a stream at once, and that retry must not wait
// for a busy database a second time.
bool RepeatsFailedWrite(git_odb_backend* backend, const git_oid& id);

// The backend's write stream: an object given in one piece is stored straight
// from the caller's bytes; pieces are gathered and stored when finalized.
int OpenWriteStream(git_odb_stream** stream, git_odb_backend* backend, git_object_size_t size,
                    git_object_t type);

}  // namespace git
}  // namespace mevstorage
