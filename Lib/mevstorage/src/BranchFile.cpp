#include "BranchFile.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "mevcore/filesupport/Dir.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/utility/FileUtils.h"

namespace mevstorage {
namespace git {
namespace {

using mevcore::filesupport::Disk;

// A failed step: the reason becomes libgit2's last error.
int Failed(const std::string& path, const std::string& reason) {
  const std::string text = "Unable to move the branch " + path + ": " + reason;
  git_error_set_str(GIT_ERROR_REFERENCE, text.c_str());
  return GIT_ERROR;
}

int FailedSystem(const std::string& path, const std::string& step, int error) {
  return Failed(path, step + ": " + std::strerror(error));
}

std::string ParentOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

bool ValidReferenceName(const std::string& name) {
  int valid = 0;
  return git_reference_name_is_valid(&valid, name.c_str()) == 0 && valid &&
         name.size() == std::strlen(name.c_str());
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = Disk().Write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes and syncs the lock file's content, then closes it; errno on false.
bool FillLockFile(int fd, const std::string& text) {
  const bool filled = WriteAll(fd, text) && Disk().Fsync(fd) == 0;
  const int error = errno;
  const bool closed = Disk().Close(fd) == 0;
  if (!filled) errno = error;
  return filled && closed;
}

// Removes our own lock file after a failed step; errno stays that of the step.
void DropLockFile(const std::string& lock) {
  const int error = errno;
  Disk().Remove(lock);
  errno = error;
}

std::string IdLine(const git_oid& target) {
  char hex[GIT_OID_HEXSZ + 1];
  git_oid_tostr(hex, sizeof hex, &target);
  return std::string(hex) + "\n";
}

int ReplaceBranchFile(const std::string& path, const git_oid& target) {
  const std::string folder = ParentOf(path);
  const std::string lock = path + ".lock";
  const auto folderPath = mevcore::filesupport::Dir::FromNativePath(folder).FullPath();
  if (!mevcore::utility::FileUtils::EnsureDirectoryExists(folderPath)) {
    return Failed(path, "the folder " + folder + " cannot be made");
  }
  const int fd = Disk().Open(lock, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0 && errno == EEXIST) {
    return Failed(path, lock + " exists: another writer holds the branch, or one stopped half way");
  }
  if (fd < 0) return FailedSystem(path, "create " + lock, errno);
  if (!FillLockFile(fd, IdLine(target))) {
    DropLockFile(lock);
    return FailedSystem(path, "write " + lock, errno);
  }
  if (Disk().Rename(lock, path) != 0) {
    DropLockFile(lock);
    return FailedSystem(path, "rename " + lock, errno);
  }
  if (Disk().SyncDir(folder) != 0) return FailedSystem(path, "sync " + folder, errno);
  return 0;
}

}  // namespace

int WriteBranchFile(git_repository* repository, const std::string& branch, const git_oid& target) {
  const std::string name = "refs/heads/" + branch;
  if (!ValidReferenceName(name)) {
    git_error_set_str(GIT_ERROR_REFERENCE, ("\"" + branch + "\" is not a valid branch name").c_str());
    return GIT_ERROR;
  }
  return ReplaceBranchFile(std::string(git_repository_path(repository)) + name, target);
}

int WriteReferenceFile(git_repository* repository, const std::string& name, const git_oid& target) {
  if (!ValidReferenceName(name) || name.rfind("refs/", 0) != 0) {
    git_error_set_str(GIT_ERROR_REFERENCE, ("\"" + name + "\" is not a valid reference name").c_str());
    return GIT_ERROR;
  }
  return ReplaceBranchFile(std::string(git_repository_path(repository)) + name, target);
}

int RemoveReferenceFile(git_repository* repository, const std::string& name) {
  if (!ValidReferenceName(name) || name.rfind("refs/", 0) != 0) {
    git_error_set_str(GIT_ERROR_REFERENCE, ("\"" + name + "\" is not a valid reference name").c_str());
    return GIT_ERROR;
  }
  const std::string path = std::string(git_repository_path(repository)) + name;
  if (Disk().Remove(path) != 0 && errno != ENOENT) return FailedSystem(path, "remove " + path, errno);
  if (Disk().SyncDir(ParentOf(path)) != 0) return FailedSystem(path, "sync " + ParentOf(path), errno);
  return 0;
}

}  // namespace git
}  // namespace mevstorage
