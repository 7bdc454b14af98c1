#pragma once

#include <memory>

#include <git2.h>
#include <git2/sys/odb_backend.h>

#include "ObjectDatabase.h"

namespace mevstorage {
namespace git {

// A libgit2 object database backend over the SQLite object database; the
// backend owns the database and is freed by the git_odb it is added to.
git_odb_backend* NewSQLiteOdbBackend(std::unique_ptr<ObjectDatabase> database);

// The object database behind a backend made by NewSQLiteOdbBackend; null for
// any other backend.
ObjectDatabase* DatabaseOfBackend(git_odb_backend* backend);

}  // namespace git
}  // namespace mevstorage
