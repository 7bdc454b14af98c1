#pragma once

#include <git2.h>

#include <cstdint>
#include <string>
#include <vector>

#include "mevcore/filesupport/Dir.h"

namespace mevstorage {
namespace testing {

// One row of a repository's object database.
struct StoredObject {
  git_oid id;
  git_object_t type;
  std::int64_t size;  // as the row records it
  std::string data;
};

// Every row of the object database of the repository in `gitFolder`, in the
// order of their ids. A full scan: for tests only. Throws std::runtime_error.
std::vector<StoredObject> ReadStoredObjects(const mevcore::filesupport::Dir& gitFolder);

// Writes every object of the repository in `gitFolder` into a new plain bare
// repository in `targetFolder` (missing or empty), then copies HEAD and every
// reference. Throws std::runtime_error naming both folders and the reason, also
// when a row's id is not the id Git gives its content.
void ExportToPlainGit(const mevcore::filesupport::Dir& gitFolder,
                      const mevcore::filesupport::Dir& targetFolder);

// What differs between the repository in `gitFolder` and its export in the
// plain repository `exportGitDir`: the ids of the objects (every row against
// every object of the export), HEAD and every reference (name and target, a
// symbolic one as "-> <name>"). One line each; empty when they are equal.
std::vector<std::string> CompareWithExport(const mevcore::filesupport::Dir& gitFolder,
                                           const std::string& exportGitDir);

struct GitResult {
  int exitStatus;      // -1 when git could not be run or was killed
  std::string output;  // standard output and standard error together
};

// Runs `git <arguments>` with `input` on its standard input.
GitResult RunGit(const std::vector<std::string>& arguments, const std::string& input = "");

// Runs `git fsck --strict` on the plain repository in `folder`.
GitResult RunGitFsck(const mevcore::filesupport::Dir& folder);

}  // namespace testing
}  // namespace mevstorage
