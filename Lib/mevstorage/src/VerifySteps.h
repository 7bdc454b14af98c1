#pragma once

// The steps of VerifyRepository, each over what the one before left.

#include <git2.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "ObjectDatabase.h"
#include "mevstorage/git/References.h"
#include "mevstorage/git/Verify.h"

namespace mevstorage {
namespace git {

struct OidHash {
  std::size_t operator()(const git_oid& id) const {
    std::size_t hash;
    std::memcpy(&hash, id.id, sizeof hash);
    return hash;
  }
};
struct OidEqual {
  bool operator()(const git_oid& a, const git_oid& b) const { return git_oid_equal(&a, &b); }
};
using OidSet = std::unordered_set<git_oid, OidHash, OidEqual>;

// Counts every problem and keeps the first few.
class ProblemList {
 public:
  explicit ProblemList(std::size_t keep) : keep_(keep) {}
  void Add(std::string problem);
  VerifyResult Take() { return std::move(result_); }

 private:
  std::size_t keep_;
  VerifyResult result_;
};

// How a row's data is hashed: with libgit2's SHA-1, which also detects the
// known collision attacks, or with plain SHA-1, several times faster, for
// the export, which hashes every byte of a store once (`git fsck` or a
// clone of its result hashes them again, with detection).
enum class RowHashing { kDetectingCollisions, kPlain };

// Empty when the row holds the object its oid names; else the problem, in
// one line naming the row. `id` receives the row's oid when it has 20 bytes.
std::string RowProblem(const ObjectDatabase::Row& row, git_oid* id,
                       RowHashing hashing = RowHashing::kDetectingCollisions);

// SQLite's integrity check, then every row. The ids of rows that do not
// hold the object their oid names go into `damaged`.
void VerifyStoredObjects(ObjectDatabase& database, ProblemList& problems, OidSet& damaged);

// Every reference of the repository, then every object reachable from them;
// objects in `damaged` are taken as already said.
void VerifyReferences(git_repository* repository, const std::string& gitFolderPath,
                      const OidSet& damaged, ProblemList& problems);

// Walks the objects reachable from references, each object once over all of
// them.
class ReachabilityWalk {
 public:
  ReachabilityWalk(git_repository* repository, git_odb* odb, const OidSet& damaged,
                   ProblemList& problems)
      : repository_(repository), odb_(odb), damaged_(damaged), problems_(problems) {}

  // Walks from the object the reference names, of any type.
  void FromReference(const std::string& name, const git_oid& target);

 private:
  struct Step {
    git_oid id;
    git_object_t expected;  // GIT_OBJECT_ANY for a reference's target
    git_oid parent;         // the object that names it, unless a reference does
    git_object_t parentType;
  };

  void Visit(const Step& step);
  void Descend(const git_oid& id, git_object_t type);
  void DescendCommit(const git_oid& id);
  void DescendTree(const git_oid& id);
  void DescendTag(const git_oid& id);
  void Push(const git_oid& child, git_object_t expected, const git_oid& parent,
            git_object_t parentType);
  std::string NamedBy(const Step& step) const;

  git_repository* repository_;
  git_odb* odb_;
  const OidSet& damaged_;
  ProblemList& problems_;
  OidSet seen_;
  std::vector<Step> pending_;
  std::string reference_;
};

}  // namespace git
}  // namespace mevstorage
