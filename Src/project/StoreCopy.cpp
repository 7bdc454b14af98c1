#include "project/StoreCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <boost/make_shared.hpp>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevstorage/git/ReadOnly.h"
#include "mevstorage/git/StorageError.h"

namespace velders {
namespace project {
namespace {

namespace git = mevstorage::git;
using mevcore::config::ThrowSystemError;
using mevcore::filesupport::Dir;
using mevcore::filesupport::Disk;
using mevcore::filesupport::DiskInterface;

// Removes the folder and all in it; what cannot be removed stays.
void RemoveTree(const std::string& folder) {
  std::vector<DiskInterface::Entry> entries;
  Disk().ListDir(folder, &entries);
  for (const DiskInterface::Entry& entry : entries) {
    const std::string path = folder + "/" + entry.name;
    struct stat info;
    if (Disk().Lstat(path, &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) {
      RemoveTree(path);
    } else {
      Disk().Remove(path);
    }
  }
  Disk().RemoveEmptyFolder(folder);
}

void CopyFile(const std::string& from, const std::string& to) {
  const int in = Disk().Open(from, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0);
  if (in < 0) ThrowSystemError("Unable to open", from, errno);
  const int out = Disk().Open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  int error = out < 0 ? errno : 0;
  char buffer[1 << 16];
  while (error == 0) {
    const ssize_t read = Disk().Read(in, buffer, sizeof buffer);
    if (read <= 0) {
      error = read < 0 ? errno : 0;
      break;
    }
    if (Disk().Write(out, buffer, static_cast<std::size_t>(read)) != read)
      error = errno ? errno : EIO;
  }
  Disk().Close(in);
  if (out >= 0 && Disk().Close(out) != 0 && error == 0) error = errno;
  if (error != 0) ThrowSystemError("Unable to copy", from, error);
}

// The folders and regular files under `from`; the read-only open has
// already refused a store whose files libgit2 or SQLite read are of
// another kind.
void CopyTree(const std::string& from, const std::string& to) {
  if (Disk().Mkdir(to, 0700) != 0) ThrowSystemError("Unable to make", to, errno);
  std::vector<DiskInterface::Entry> entries;
  if (Disk().ListDir(from, &entries) != 0) ThrowSystemError("Unable to list", from, errno);
  for (const DiskInterface::Entry& entry : entries) {
    struct stat info;
    if (Disk().Lstat(from + "/" + entry.name, &info) != 0) continue;  // gone meanwhile
    if (S_ISDIR(info.st_mode)) CopyTree(from + "/" + entry.name, to + "/" + entry.name);
    if (S_ISREG(info.st_mode)) CopyFile(from + "/" + entry.name, to + "/" + entry.name);
  }
}

// The copy and the store opened on it, released in that order.
struct CopiedStore {
  std::string folder;
  git::RepositoryHandle repository;
  ~CopiedStore() {
    repository.reset();
    if (!folder.empty()) RemoveTree(folder);
  }
};

std::string ScratchFolder() {
  static std::atomic<unsigned> made{0};
  const char* temporary = std::getenv("TMPDIR");
  return std::string(temporary && *temporary ? temporary : "/tmp") + "/velders-store-copy-" +
         std::to_string(::getpid()) + "-" + std::to_string(made++);
}

git::RepositoryHandle OpenCopy(const Dir& gitFolder) {
  const auto copy = boost::make_shared<CopiedStore>();
  const std::string folder = ScratchFolder();
  if (Disk().Mkdir(folder, 0700) != 0) ThrowSystemError("Unable to make", folder, errno);
  copy->folder = folder;
  CopyTree(gitFolder.NativePath(), folder + "/git");
  copy->repository = git::SQLite3OdbBackend::OpenRepository(Dir::FromNativePath(folder + "/git"));
  return git::RepositoryHandle(copy, copy->repository.get());
}

}  // namespace

git::RepositoryHandle OpenToLook(const Dir& gitFolder) {
  try {
    return git::OpenRepositoryReadOnly(gitFolder);
  } catch (const git::StorageError&) {
    if (!git::ReadableOnlyByAWriter(gitFolder)) throw;
    try {
      return OpenCopy(gitFolder);
    } catch (const std::exception&) {
    }
    throw;
  }
}

}  // namespace project
}  // namespace velders
