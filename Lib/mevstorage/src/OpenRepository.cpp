#include <dirent.h>
#include <git2/sys/repository.h>
#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <vector>

#include "ConfigIncludes.h"
#include "OdbBackend.h"
#include "RepositoryAccess.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/ByteStreams.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/filesupport/File.h"
#include "mevcore/filesupport/Ownership.h"
#include "mevstorage/git/ReadOnly.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

namespace {

using mevcore::filesupport::Dir;
using mevcore::filesupport::Disk;
using mevcore::filesupport::DiskInterface;
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

// The repository reads its configuration once: libgit2 otherwise looks
// again at "config" (and every file it includes) for each setting it
// consults, a dozen times a recovery. The program never writes the
// configuration, so the copy taken here stays true while the repository is
// open.
void ReadConfigurationOnce(git_repository* repository, const Dir& gitFolder) {
  git_config* snapshot = nullptr;
  int result = git_repository_config_snapshot(&snapshot, repository);
  if (result == 0) result = git_repository_set_config(repository, snapshot);
  const std::string reason = LastGitError();
  git_config_free(snapshot);
  if (result != 0) ThrowOpenError(gitFolder, reason);
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

// The kind of the entry a path names, links followed; 0 when it is missing.
mode_t KindOf(const std::string& path, const Dir& gitFolder) {
  struct stat info;
  if (Disk().Stat(path, &info) == 0) return info.st_mode & S_IFMT;
  if (errno == ENOENT) return 0;
  ThrowOpenError(gitFolder, path + ": " + mevcore::config::ErrorText(errno));
}

[[noreturn]] void ThrowNotRegular(const Dir& gitFolder, const std::string& name) {
  ThrowOpenError(gitFolder, name + " is not a regular file");
}

// The kind of a listed entry, not following a link: as the listing says
// it when it says it, else looked up; 0 when it is gone meanwhile.
mode_t ListedKind(const std::string& path, const DiskInterface::Entry& entry) {
  if (entry.type == DT_DIR) return S_IFDIR;
  if (entry.type == DT_REG) return S_IFREG;
  struct stat info;
  if (Disk().Lstat(path, &info) != 0) return 0;
  return info.st_mode & S_IFMT;
}

// Every reference file under `folder` (`name` inside the git folder), at any
// depth. A linked folder is not followed, so a loop of links ends. A
// subfolder gone meanwhile (`mayBeGone`) has nothing left to check.
void CheckReferenceFolder(const Dir& gitFolder, const std::string& name, bool mayBeGone) {
  const std::string folder = gitFolder.NativePath() + "/" + name;
  std::vector<DiskInterface::Entry> entries;
  if (Disk().ListDir(folder, &entries) != 0) {
    if (mayBeGone && errno == ENOENT) return;
    ThrowOpenError(gitFolder, folder + ": " + mevcore::config::ErrorText(errno));
  }
  for (const DiskInterface::Entry& entry : entries) {
    const std::string child = name + "/" + entry.name;
    const mode_t listed = ListedKind(gitFolder.NativePath() + "/" + child, entry);
    if (listed == S_IFDIR) CheckReferenceFolder(gitFolder, child, true);
    if (listed == 0 || listed == S_IFDIR || listed == S_IFREG) continue;
    const mode_t kind = KindOf(gitFolder.NativePath() + "/" + child, gitFolder);
    if (kind != 0 && kind != S_IFREG && kind != S_IFDIR) ThrowNotRegular(gitFolder, child);
  }
}

// libgit2 stops following includes this deep, with an error.
constexpr int kIncludeDepthLimit = 10;

// The files the configuration includes, and those they include in turn. A
// file is examined again only when reached less deep than before, so that a
// configuration that includes itself many times costs no more than one that
// does once, and every file libgit2 would reach is still reached.
void CheckIncludedFiles(const Dir& gitFolder, const std::string& config, int depth,
                        std::map<std::string, int>* examined) {
  const auto [at, first] = examined->emplace(config, depth);
  if (!first && at->second <= depth) return;
  at->second = depth;
  std::string text;
  try {
    text = mevcore::filesupport::ReadWholeFile(File::FromNativePath(config));
  } catch (const std::exception& error) {
    ThrowOpenError(gitFolder, error.what());
  }
  const std::string folder = config.substr(0, config.rfind('/'));
  for (const std::string& path : IncludedPaths(text, folder)) {
    const mode_t kind = KindOf(path, gitFolder);
    if (kind == 0) continue;
    if (kind != S_IFREG) {
      ThrowOpenError(gitFolder, "config includes " + path + ", which is not a regular file");
    }
    if (depth < kIncludeDepthLimit) CheckIncludedFiles(gitFolder, path, depth + 1, examined);
  }
}

// libgit2 reads the configuration, HEAD and the references itself, and
// SQLite the object database, with opens and reads that wait for ever on a
// FIFO; neither has an option to refuse such files. So they are looked at
// first, without opening any of them but the configuration, which names
// the files it includes.
void CheckFilesLibrariesRead(const Dir& gitFolder) {
  for (const char* name : {kObjectDatabaseName, "config", "HEAD", "packed-refs"}) {
    const std::string path = gitFolder.NativePath() + "/" + name;
    const mode_t kind = KindOf(path, gitFolder);
    if (kind != 0 && kind != S_IFREG) ThrowNotRegular(gitFolder, name);
    if (kind == S_IFREG && std::string(name) == "config") {
      std::map<std::string, int> examined;
      CheckIncludedFiles(gitFolder, path, 1, &examined);
    }
  }
  if (KindOf(gitFolder.NativePath() + "/refs", gitFolder) == S_IFDIR) {
    CheckReferenceFolder(gitFolder, "refs", false);
  }
}

using DatabaseOpener = std::unique_ptr<ObjectDatabase> (*)(const std::string&, std::string*);

// libgit2 refuses a folder another user owns with a reason that names a
// setting of its own; the reason here says what to do instead, and holds
// for "root" too, whose changes would leave files the owner cannot change.
void CheckOwner(const Dir& gitFolder) {
  std::optional<std::string> reason;
  try {
    reason = mevcore::filesupport::ForeignOwnerReason(gitFolder.NativePath());
  } catch (const std::exception& error) {
    ThrowOpenError(gitFolder, error.what());
  }
  if (reason) throw StorageError(*reason);
}

RepositoryHandle OpenStore(const Dir& gitFolder, DatabaseOpener openDatabase) {
  if (!gitFolder.Exists()) ThrowOpenError(gitFolder, MissingFolderReason(gitFolder));
  CheckOwner(gitFolder);
  const File databaseFile(gitFolder, mevcore::utility::AsciiToUTF16(kObjectDatabaseName));
  if (!databaseFile.Exists()) {
    ThrowOpenError(gitFolder, std::string(kObjectDatabaseName) + " is missing");
  }
  CheckFilesLibrariesRead(gitFolder);
  std::string reason;
  std::unique_ptr<ObjectDatabase> database =
      openDatabase(databaseFile.FullPathMultiByte(), &reason);
  if (!database) ThrowOpenError(gitFolder, reason);
  RepositoryHandle repository = AdoptRepository(OpenBareFolder(gitFolder));
  ReadConfigurationOnce(repository->ptr, gitFolder);
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
