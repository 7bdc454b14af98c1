#include "RepositoryAccess.h"

#include <git2/sys/odb_backend.h>

#include "OdbBackend.h"

namespace mevstorage {
namespace git {

namespace {

// libgit2 may still hold the object database after the repository goes (an
// object or odb reference kept elsewhere), so the database is closed here
// rather than when libgit2 frees the backend.
void ReleaseRepository(Wrap<git_repository>* wrap) {
  if (wrap->ptr) {
    if (ObjectDatabase* database = FindObjectDatabase(wrap->ptr)) database->Close();
  }
  delete wrap;
}

}  // namespace

RepositoryHandle AdoptRepository(git_repository* repository) {
  return RepositoryHandle(new Wrap<git_repository>(repository), &ReleaseRepository);
}

ObjectDatabase* FindObjectDatabase(git_repository* repository) {
  git_odb* odb = nullptr;
  if (!repository || git_repository_odb(&odb, repository) != 0) return nullptr;
  ObjectDatabase* found = nullptr;
  for (std::size_t i = 0; !found && i < git_odb_num_backends(odb); ++i) {
    git_odb_backend* backend = nullptr;
    if (git_odb_get_backend(&backend, odb, i) == 0) found = DatabaseOfBackend(backend);
  }
  git_odb_free(odb);
  return found;
}

bool CommitPendingWrites(const RepositoryHandle& repository) {
  if (!Holds(repository)) return false;
  ObjectDatabase* database = FindObjectDatabase(repository->ptr);
  if (!database || database->CommitWrites() == ObjectDatabase::Result::kOk) return true;
  git_error_set_str(GIT_ERROR_ODB, database->LastError().c_str());
  return false;
}

void FlushWrites(const RepositoryHandle& repository) {
  if (!Holds(repository)) {
    throw StorageError("Unable to make the writes durable", "no repository is open");
  }
  if (!CommitPendingWrites(repository)) {
    ThrowLastGitError("Unable to make the writes durable in " +
                      std::string(git_repository_path(repository->ptr)));
  }
}

}  // namespace git
}  // namespace mevstorage
