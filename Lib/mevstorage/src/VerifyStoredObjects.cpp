#include <cstdio>

#include "RepositoryAccess.h"
#include "VerifySteps.h"

namespace mevstorage {
namespace git {

namespace {

// As many as SQLite names when it is not told otherwise.
constexpr std::size_t kIntegrityProblems = 100;

std::string HexBytes(const unsigned char* bytes, std::size_t size) {
  std::string text;
  char digits[3];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
    text += digits;
  }
  return text;
}

bool KnownType(std::int64_t type) { return type >= GIT_OBJECT_COMMIT && type <= GIT_OBJECT_TAG; }

// Empty when the row holds the object its oid names.
std::string WhatIsWrong(const ObjectDatabase::Row& row, const git_oid& id) {
  if (!KnownType(row.type)) return "its type " + std::to_string(row.type) + " is no object type";
  if (row.size != static_cast<std::int64_t>(row.dataSize)) {
    return "its size is recorded as " + std::to_string(row.size) + " but its data holds " +
           std::to_string(row.dataSize) + " bytes";
  }
  const auto type = static_cast<git_object_t>(row.type);
  git_oid hash;
  if (git_odb_hash(&hash, row.data ? row.data : "", row.dataSize, type) != 0) {
    return "its data cannot be hashed: " + LastGitError();
  }
  if (git_oid_equal(&hash, &id)) return std::string();
  return std::string("its data as a ") + git_object_type2string(type) + " hashes to " + HexOf(hash);
}

void CheckRow(const ObjectDatabase::Row& row, ProblemList& problems, OidSet& damaged) {
  git_oid id;
  std::string problem = RowProblem(row, &id);
  if (problem.empty()) return;
  if (row.oidSize == GIT_OID_RAWSZ) damaged.insert(id);
  problems.Add(std::move(problem));
}

}  // namespace

std::string RowProblem(const ObjectDatabase::Row& row, git_oid* id) {
  if (row.oidSize != GIT_OID_RAWSZ) {
    return "a stored row's oid is " + std::to_string(row.oidSize) + " bytes long, not " +
           std::to_string(GIT_OID_RAWSZ) + ": " + HexBytes(row.oid, row.oidSize);
  }
  git_oid_fromraw(id, row.oid);
  const std::string wrong = WhatIsWrong(row, *id);
  return wrong.empty() ? wrong : "object " + HexOf(*id) + ": " + wrong;
}

void VerifyStoredObjects(ObjectDatabase& database, ProblemList& problems, OidSet& damaged) {
  std::vector<std::string> integrity;
  if (database.CheckIntegrity(kIntegrityProblems, &integrity) != ObjectDatabase::Result::kOk) {
    problems.Add(database.LastError());
  }
  for (const std::string& problem : integrity) problems.Add("integrity check: " + problem);
  const auto visit = [&](const ObjectDatabase::Row& row) { CheckRow(row, problems, damaged); };
  if (database.VisitRows(visit) != ObjectDatabase::Result::kOk) problems.Add(database.LastError());
}

}  // namespace git
}  // namespace mevstorage
