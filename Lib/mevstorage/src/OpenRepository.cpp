#include <git2/sys/repository.h>

#include "OdbBackend.h"
#include "RepositoryAccess.h"
#include "mevcore/filesupport/File.h"
#include "mevstorage/git/ReadOnly.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

namespace {

using mevcore::filesupport::Dir;
using mevcore::filesupport::File;

[[noreturn]] void ThrowOpenError(const Dir& gitFolder, const std::string& reason) {
  throw StorageError("Unable to open the repository in " + gitFolder.FullPathMultiByte() + ": " +
                     reason);
}

// The folder as a bare repository of its own: no parent is searched and
// nothing is created.
git_repository* OpenBareFolder(const Dir& gitFolder) {
  git_repository* repository = nullptr;
  const unsigned flags = GIT_REPOSITORY_OPEN_NO_SEARCH | GIT_REPOSITORY_OPEN_BARE;
  if (git_repository_open_ext(&repository, gitFolder.FullPathMultiByte().c_str(), flags, nullptr) !=
      0) {
    ThrowOpenError(gitFolder, LastGitError("not a Git repository"));
  }
  return repository;
}

// Makes the SQLite database the repository's only object store.
void AttachObjectDatabase(git_repository* repository, std::unique_ptr<ObjectDatabase> database,
                          const Dir& gitFolder) {
  git_odb* odb = nullptr;
  int result = git_odb_new(&odb);
  if (result == 0) {
    git_odb_backend* backend = NewSQLiteOdbBackend(std::move(database));
    result = git_odb_add_backend(odb, backend, 1);
    if (result != 0) backend->free(backend);
  }
  if (result == 0) result = git_repository_set_odb(repository, odb);
  const std::string reason = LastGitError();
  git_odb_free(odb);
  if (result != 0) ThrowOpenError(gitFolder, reason);
}

// Why the folder cannot be opened as one: it is missing, or something else
// (a file) has its name.
std::string MissingFolderReason(const Dir& gitFolder) {
  if (File::FromNativePath(gitFolder.NativePath()).Exists()) return "it is not a folder";
  return "the folder does not exist";
}

using DatabaseOpener = std::unique_ptr<ObjectDatabase> (*)(const std::string&, std::string*);

RepositoryHandle OpenStore(const Dir& gitFolder, DatabaseOpener openDatabase) {
  if (!gitFolder.Exists()) ThrowOpenError(gitFolder, MissingFolderReason(gitFolder));
  const File databaseFile(gitFolder, mevcore::utility::AsciiToUTF16(kObjectDatabaseName));
  if (!databaseFile.Exists()) {
    ThrowOpenError(gitFolder, std::string(kObjectDatabaseName) + " is missing");
  }
  std::string reason;
  std::unique_ptr<ObjectDatabase> database =
      openDatabase(databaseFile.FullPathMultiByte(), &reason);
  if (!database) ThrowOpenError(gitFolder, reason);
  RepositoryHandle repository = AdoptRepository(OpenBareFolder(gitFolder));
  AttachObjectDatabase(repository->ptr, std::move(database), gitFolder);
  return repository;
}

}  // namespace

RepositoryHandle SQLite3OdbBackend::OpenRepository(const Dir& gitFolder) {
  return OpenStore(gitFolder, &ObjectDatabase::Open);
}

RepositoryHandle OpenRepositoryReadOnly(const Dir& gitFolder) {
  return OpenStore(gitFolder, &ObjectDatabase::OpenReadOnly);
}

}  // namespace git
}  // namespace mevstorage
