#pragma once

#include <git2.h>

#include <cstdint>
#include <vector>

#include "ExportPack.h"
#include "ObjectDatabase.h"
#include "mevstorage/git/Export.h"

namespace mevstorage {
namespace git {

// The rows of the store when an export begins, in the order of their ids.
struct StoredIds {
  std::vector<git_oid> ids;
  std::uint64_t bytes = 0;  // the sizes the rows record, added up
};

// Reads every row's id (no data). Throws StorageError for a row whose oid is
// not 20 bytes long and when the database cannot be read.
StoredIds ListStoredIds(ObjectDatabase& database);

// Reads the rows again and writes those listed into the pack, in the order
// of their ids; rows a host added since the listing are left out, so that
// the pack holds exactly the listed objects. Each row is copied out of its
// batch, then checked (type, size, its content hashed to its id) and
// encoded on another thread (two batches at a time) while the next batch is
// read, so a writer never waits on the compression; all reading and writing
// stays on the calling thread. Throws StorageError naming the first row in the order of
// ids and what is wrong with it, or a listed row that is gone.
void WriteStoredObjects(ObjectDatabase& database, const StoredIds& listed, PackWriter& pack,
                        const ExportOptions& options);

}  // namespace git
}  // namespace mevstorage
