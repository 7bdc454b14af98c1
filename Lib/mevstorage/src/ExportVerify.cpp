#include "ExportVerify.h"

#include "RepositoryAccess.h"
#include "VerifySteps.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

namespace {

constexpr std::size_t kProblemsNamed = 3;

struct IdComparison {
  const StoredIds* listed;
  std::size_t seen = 0;
  bool differs = false;
};

// The pack lists its objects in the order they were written, which is the
// order of the listing.
int CompareId(const git_oid* id, void* payload) {
  auto* comparison = static_cast<IdComparison*>(payload);
  const std::vector<git_oid>& ids = comparison->listed->ids;
  if (comparison->seen >= ids.size() || !git_oid_equal(id, &ids[comparison->seen])) {
    comparison->differs = true;
  }
  ++comparison->seen;
  return 0;
}

void CompareIds(git_repository* repository, const std::string& gitDir, const StoredIds& listed) {
  git_odb* odb = nullptr;
  IdComparison comparison{&listed};
  int rc = git_repository_odb(&odb, repository);
  if (rc == 0) rc = git_odb_foreach(odb, &CompareId, &comparison);
  git_odb_free(odb);
  if (rc != 0) throw StorageError("Unable to list the objects of " + gitDir + ": " + LastGitError());
  if (comparison.differs || comparison.seen != listed.ids.size()) {
    throw StorageError("the objects of " + gitDir + " are not those written (" +
                       std::to_string(comparison.seen) + " for " +
                       std::to_string(listed.ids.size()) + ")");
  }
}

std::string Joined(const VerifyResult& result) {
  std::string text;
  for (const std::string& problem : result.problems) text += (text.empty() ? "" : "; ") + problem;
  if (result.problemCount > result.problems.size()) {
    text += "; " + std::to_string(result.problemCount - result.problems.size()) + " more";
  }
  return text;
}

}  // namespace

void VerifyExport(const std::string& gitDir, const StoredIds& listed) {
  git_repository* opened = nullptr;
  const unsigned flags = GIT_REPOSITORY_OPEN_NO_SEARCH | GIT_REPOSITORY_OPEN_BARE;
  if (git_repository_open_ext(&opened, gitDir.c_str(), flags, nullptr) != 0) {
    throw StorageError("Unable to open " + gitDir + ": " + LastGitError());
  }
  const RepositoryHandle repository(new Wrap<git_repository>(opened));
  CompareIds(repository->ptr, gitDir, listed);
  ProblemList problems(kProblemsNamed);
  VerifyReferences(repository->ptr, gitDir, OidSet(), problems);
  const VerifyResult result = problems.Take();
  if (!result.Ok()) throw StorageError(Joined(result));
}

}  // namespace git
}  // namespace mevstorage
