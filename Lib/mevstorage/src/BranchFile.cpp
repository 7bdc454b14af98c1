#include "BranchFile.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/Dir.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/filesupport/DurableWrite.h"
#include "mevcore/utility/FileUtils.h"
#include "mevstorage/git/References.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {
namespace {

using mevcore::filesupport::Disk;
using mevcore::filesupport::DurableWriteFailure;
using mevcore::filesupport::DurableWriteOptions;
using mevcore::filesupport::WriteFileDurably;

// A failed step: the reason becomes libgit2's last error.
int Failed(const std::string& path, const std::string& reason) {
  const std::string text = "Unable to move the branch " + path + ": " + reason;
  git_error_set_str(GIT_ERROR_REFERENCE, text.c_str());
  return GIT_ERROR;
}

int FailedSystem(const std::string& path, const std::string& step, int error) {
  return Failed(path, step + ": " + mevcore::config::ErrorText(error));
}

std::string ParentOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

bool ValidReferenceName(const std::string& name) {
  int valid = 0;
  return git_reference_name_is_valid(&valid, name.c_str()) == 0 && valid &&
         name.size() == std::strlen(name.c_str());
}

int LockHeld(const std::string& path) {
  return Failed(path, path + ".lock exists: another writer holds the branch, or one stopped half way");
}

std::string IdLine(const git_oid& target) { return HexOf(target) + "\n"; }

// What a reference names, in hex, for the check made with its lock held;
// empty when it is not there.
int ReadTarget(git_repository* repository, const std::string& name, std::string* hex) {
  git_oid id;
  const int result = git_reference_name_to_id(&id, repository, name.c_str());
  if (result == GIT_ENOTFOUND) hex->clear();
  if (result == 0) *hex = HexOf(id);
  return result == GIT_ENOTFOUND ? 0 : result;
}

std::string TargetText(const std::string& hex) { return hex.empty() ? "nothing" : hex; }

// The check WriteFileDurably makes before the rename: the reference still
// names `from`. `why` says otherwise.
std::function<int()> StillNames(git_repository* repository, const std::string& name,
                                const std::string& from, std::string* why) {
  return [=] {
    std::string now;
    if (ReadTarget(repository, name, &now) != 0) {
      *why = "it cannot be read: " + LastGitError("unknown reason");
      return EIO;
    }
    if (now == from) return 0;
    *why = "it names " + TargetText(now) + ", not " + TargetText(from) +
           " as read before: another program moved it meanwhile";
    return ESTALE;
  };
}

// `from`, when given, is what the reference must still name once its lock
// file is held.
int ReplaceBranchFile(git_repository* repository, const std::string& name, const git_oid& target,
                      const std::string* from) {
  const std::string path = std::string(git_repository_path(repository)) + name;
  const std::string folder = ParentOf(path);
  const auto folderPath = mevcore::filesupport::Dir::FromNativePath(folder).FullPath();
  if (!mevcore::utility::FileUtils::EnsureDirectoryExists(folderPath)) {
    return Failed(path, "the folder " + folder + " cannot be made");
  }
  DurableWriteOptions options;
  options.temporary = path + ".lock";
  std::string moved;
  if (from) options.checkBeforeRename = StillNames(repository, name, *from, &moved);
  DurableWriteFailure failure;
  const std::string line = IdLine(target);
  const int error = WriteFileDurably(path, line.data(), line.size(), options, &failure);
  if (error == 0) return 0;
  if (error == EEXIST && failure.path == options.temporary) return LockHeld(path);
  if (failure.step == "check") return Failed(path, moved);
  return FailedSystem(path, failure.step + " " + failure.path, error);
}

// A name outside refs/, or not one Git allows, is refused with the reason as
// libgit2's last error.
bool RefusedName(const std::string& name) {
  if (ValidReferenceName(name) && name.rfind("refs/", 0) == 0) return false;
  git_error_set_str(GIT_ERROR_REFERENCE, ("\"" + name + "\" is not a valid reference name").c_str());
  return true;
}

// Takes "<path>.lock" exclusively, as a writer of the reference would.
int TakeLock(const std::string& path) {
  const std::string lock = path + ".lock";
  const int fd = Disk().Open(lock, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0 && errno == EEXIST) return LockHeld(path);
  if (fd < 0) return FailedSystem(path, "create " + lock, errno);
  if (Disk().Close(fd) == 0) return 0;
  const int error = errno;
  Disk().Remove(lock);
  return FailedSystem(path, "close " + lock, error);
}

// Folders of references that Git itself keeps even when empty.
bool StandardFolder(const std::string& refsFolder, const std::string& folder) {
  return folder == refsFolder + "heads" || folder == refsFolder + "tags";
}

// The folders a removed reference leaves empty go too, as Git's own removal
// does, so that a reference made and removed again leaves no trace. Each
// stays when anything else is in it; one left empty by a failure or a crash
// changes nothing that Git reads, so the removal is not made durable.
void RemoveEmptyFolders(git_repository* repository, const std::string& path) {
  const std::string refsFolder = std::string(git_repository_path(repository)) + "refs/";
  std::string folder = ParentOf(path);
  while (folder.size() > refsFolder.size() && folder.rfind(refsFolder, 0) == 0 &&
         !StandardFolder(refsFolder, folder) && Disk().RemoveEmptyFolder(folder) == 0) {
    folder = ParentOf(folder);
  }
}

}  // namespace

int WriteBranchFile(git_repository* repository, const std::string& branch, const git_oid& target) {
  const std::string name = "refs/heads/" + branch;
  if (!ValidReferenceName(name)) {
    git_error_set_str(GIT_ERROR_REFERENCE, ("\"" + branch + "\" is not a valid branch name").c_str());
    return GIT_ERROR;
  }
  return ReplaceBranchFile(repository, name, target, nullptr);
}

int WriteReferenceFile(git_repository* repository, const std::string& name, const git_oid& target) {
  if (RefusedName(name)) return GIT_ERROR;
  return ReplaceBranchFile(repository, name, target, nullptr);
}

int MoveReferenceFile(git_repository* repository, const std::string& name, const std::string& from,
                      const git_oid& target) {
  if (RefusedName(name)) return GIT_ERROR;
  return ReplaceBranchFile(repository, name, target, &from);
}

int RemoveReferenceFile(git_repository* repository, const std::string& name) {
  if (RefusedName(name)) return GIT_ERROR;
  const std::string path = std::string(git_repository_path(repository)) + name;
  if (Disk().Remove(path) != 0 && errno != ENOENT) return FailedSystem(path, "remove " + path, errno);
  if (Disk().SyncDir(ParentOf(path)) != 0) return FailedSystem(path, "sync " + ParentOf(path), errno);
  RemoveEmptyFolders(repository, path);
  return 0;
}

int RemoveReferenceFileFrom(git_repository* repository, const std::string& name,
                            const std::string& from) {
  if (RefusedName(name)) return GIT_ERROR;
  const std::string path = std::string(git_repository_path(repository)) + name;
  if (const int locked = TakeLock(path)) return locked;
  std::string moved;
  if (StillNames(repository, name, from, &moved)() != 0) {
    Disk().Remove(path + ".lock");
    return Failed(path, moved);
  }
  if (Disk().Remove(path) != 0 && errno != ENOENT) {
    const int error = errno;
    Disk().Remove(path + ".lock");
    return FailedSystem(path, "remove " + path, error);
  }
  if (Disk().Remove(path + ".lock") != 0) return FailedSystem(path, "remove " + path + ".lock", errno);
  if (Disk().SyncDir(ParentOf(path)) != 0) return FailedSystem(path, "sync " + ParentOf(path), errno);
  RemoveEmptyFolders(repository, path);
  return 0;
}

}  // namespace git
}  // namespace mevstorage
