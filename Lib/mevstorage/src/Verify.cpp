#include "mevstorage/git/Verify.h"

#include "RepositoryAccess.h"
#include "VerifySteps.h"
#include "mevstorage/git/ReadOnly.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

void ProblemList::Add(std::string problem) {
  ++result_.problemCount;
  if (result_.problems.size() < keep_) result_.problems.push_back(std::move(problem));
}

VerifyResult VerifyRepository(const mevcore::filesupport::Dir& gitFolder,
                              std::size_t keepProblems) {
  const RepositoryHandle repository = OpenRepositoryReadOnly(gitFolder);
  ObjectDatabase* database = FindObjectDatabase(repository->ptr);
  if (!database) {
    throw StorageError("Unable to check the repository in " + gitFolder.FullPathMultiByte() +
                       ": it has no object database");
  }
  ProblemList problems(keepProblems);
  OidSet damaged;
  VerifyStoredObjects(*database, problems, damaged);
  VerifyReferences(repository->ptr, gitFolder.NativePath(), damaged, problems);
  return problems.Take();
}

}  // namespace git
}  // namespace mevstorage
