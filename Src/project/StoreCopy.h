#pragma once

#include "mevcore/filesupport/Dir.h"
#include "mevstorage/git/Storage.h"

namespace velders {
namespace project {

// Opens a project's "git" folder for looking only, as
// mevstorage::git::OpenRepositoryReadOnly does. A store that only a writer
// can read (ReadableOnlyByAWriter: a write cut short, which reading rolls
// back, or a database in WAL mode) cannot be read so; the run's own open
// reads it. Such a store is read instead from a private copy of the "git" folder,
// made in the system's folder for temporary files ($TMPDIR, else /tmp),
// rolled back there and removed when the last copy of the handle is
// released. Nothing in the project folder is changed. Throws what the
// read-only open throws when the copy cannot be made or opened either.
mevstorage::git::RepositoryHandle OpenToLook(const mevcore::filesupport::Dir& gitFolder);

}  // namespace project
}  // namespace velders
