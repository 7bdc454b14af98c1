#pragma once

#include <string>

#include "ExportObjects.h"

namespace mevstorage {
namespace git {

// Checks the repository an export wrote into `gitDir`, as libgit2 reads it:
// its objects are exactly the listed ids, in the order they were written;
// HEAD and every reference resolve; every object reachable from them is
// there, of the type that names it. Throws StorageError with the first
// problems found.
void VerifyExport(const std::string& gitDir, const StoredIds& listed);

}  // namespace git
}  // namespace mevstorage
