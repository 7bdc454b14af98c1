#include <fcntl.h>

#include <cerrno>

#include "CheckoutSteps.h"
#include "RepositoryAccess.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"

namespace mevstorage {
namespace git {

namespace {

git_index_time IndexTime(const struct timespec& time) {
  return {static_cast<std::int32_t>(time.tv_sec), static_cast<std::uint32_t>(time.tv_nsec)};
}

// The entry with the stat data Git compares to see that a file is
// unchanged, so that a status after the checkout reads no file.
git_index_entry IndexEntry(const WrittenEntry& written) {
  git_index_entry entry = {};
  entry.ctime = IndexTime(written.info.st_ctim);
  entry.mtime = IndexTime(written.info.st_mtim);
  entry.dev = static_cast<std::uint32_t>(written.info.st_dev);
  entry.ino = static_cast<std::uint32_t>(written.info.st_ino);
  entry.mode = written.mode;
  entry.uid = written.info.st_uid;
  entry.gid = written.info.st_gid;
  entry.file_size = static_cast<std::uint32_t>(written.info.st_size);
  entry.id = written.id;
  entry.path = written.path.c_str();
  return entry;
}

// libgit2 renames the new index into place without syncing it or its
// folder, whatever its fsync setting.
void SyncIndex(const std::string& path, const std::string& workTree) {
  using mevcore::filesupport::Disk;
  const int fd = Disk().Open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0);
  bool synced = fd >= 0 && Disk().Fsync(fd) == 0;
  int error = errno;
  if (fd >= 0 && Disk().Close(fd) != 0 && synced) {
    synced = false;
    error = errno;
  }
  if (synced && Disk().SyncDir(path.substr(0, path.rfind('/'))) != 0) {
    synced = false;
    error = errno;
  }
  if (!synced) ThrowCheckoutError(workTree, "", path + ": " + mevcore::config::ErrorText(error));
}

}  // namespace

void WriteCheckoutIndex(git_repository* repository, const std::vector<WrittenEntry>& entries,
                        const std::string& workTree) {
  git_index* index = nullptr;
  if (git_repository_index(&index, repository) != 0) {
    ThrowCheckoutError(workTree, "", "the index: " + LastGitError("it cannot be read"));
  }
  int result = git_index_clear(index);
  for (std::size_t i = 0; result == 0 && i < entries.size(); ++i) {
    const git_index_entry entry = IndexEntry(entries[i]);
    result = git_index_add(index, &entry);
    if (result != 0) {
      const std::string reason = LastGitError("it cannot be added to the index");
      git_index_free(index);
      ThrowCheckoutError(workTree, entries[i].path, reason);
    }
  }
  if (result == 0) result = git_index_write(index);
  const std::string reason = LastGitError("it cannot be written");
  const std::string path = git_index_path(index);
  git_index_free(index);
  if (result != 0) ThrowCheckoutError(workTree, "", "the index: " + reason);
  SyncIndex(path, workTree);
}

}  // namespace git
}  // namespace mevstorage
