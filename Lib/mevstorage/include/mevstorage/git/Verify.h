#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "mevcore/filesupport/Dir.h"

namespace mevstorage {
namespace git {

// What a check of one repository found.
struct VerifyResult {
  // The first problems found, at most the number asked for, each one line
  // naming the object, reference or database page and what is wrong.
  std::vector<std::string> problems;
  // Every problem found, kept or not.
  std::size_t problemCount = 0;

  bool Ok() const { return problemCount == 0; }
};

// Checks the repository in a project's "git" folder, opened as
// OpenRepositoryReadOnly opens it (nothing is made, changed or locked), in
// this order:
// - SQLite's integrity check of the object database;
// - every stored row: a known type, a size equal to its data's length, and
//   an oid equal to libgit2's hash of the data as an object of that type;
// - every reference (HEAD, loose and packed) resolves to a stored object;
// - every object reachable from a reference (parents and trees of commits,
//   entries of trees, targets of tags) is stored, with the type that names
//   it. Objects already found damaged are not walked into.
// The library must be started. Throws StorageError, with OpenRepository's
// text, when the folder holds no repository that can be opened.
VerifyResult VerifyRepository(const mevcore::filesupport::Dir& gitFolder,
                              std::size_t keepProblems = 10);

}  // namespace git
}  // namespace mevstorage
