#include <openssl/evp.h>

#include <cstdio>
#include <cstring>

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

// The object's id as Git forms it: SHA-1 of "<type> <size>", a zero byte
// and the data. False when the digest cannot be made.
bool PlainHash(git_oid* hash, git_object_t type, const void* data, std::size_t size) {
  const std::string header =
      std::string(git_object_type2string(type)) + " " + std::to_string(size) + '\0';
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  unsigned int length = 0;
  const bool made = context && EVP_DigestInit_ex(context, EVP_sha1(), nullptr) == 1 &&
                    EVP_DigestUpdate(context, header.data(), header.size()) == 1 &&
                    EVP_DigestUpdate(context, data, size) == 1 &&
                    EVP_DigestFinal_ex(context, hash->id, &length) == 1 &&
                    length == GIT_OID_RAWSZ;
  EVP_MD_CTX_free(context);
  return made;
}

bool HashRow(git_oid* hash, const ObjectDatabase::Row& row, RowHashing hashing) {
  const auto type = static_cast<git_object_t>(row.type);
  const void* data = row.data ? row.data : "";
  if (hashing == RowHashing::kPlain) return PlainHash(hash, type, data, row.dataSize);
  return git_odb_hash(hash, data, row.dataSize, type) == 0;
}

// Empty when the row holds the object its oid names.
std::string WhatIsWrong(const ObjectDatabase::Row& row, const git_oid& id, RowHashing hashing) {
  if (!KnownType(row.type)) return "its type " + std::to_string(row.type) + " is no object type";
  if (row.size != static_cast<std::int64_t>(row.dataSize)) {
    return "its size is recorded as " + std::to_string(row.size) + " but its data holds " +
           std::to_string(row.dataSize) + " bytes";
  }
  const auto type = static_cast<git_object_t>(row.type);
  git_oid hash;
  if (!HashRow(&hash, row, hashing)) return "its data cannot be hashed: " + LastGitError();
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

std::string RowProblem(const ObjectDatabase::Row& row, git_oid* id, RowHashing hashing) {
  if (row.oidSize != GIT_OID_RAWSZ) {
    return "a stored row's oid is " + std::to_string(row.oidSize) + " bytes long, not " +
           std::to_string(GIT_OID_RAWSZ) + ": " + HexBytes(row.oid, row.oidSize);
  }
  git_oid_fromraw(id, row.oid);
  const std::string wrong = WhatIsWrong(row, *id, hashing);
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
