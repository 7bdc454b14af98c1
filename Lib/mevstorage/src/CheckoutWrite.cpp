#include <fcntl.h>

#include <cerrno>

#include "CheckoutSteps.h"
#include "RepositoryAccess.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevstorage/git/Wrap.h"

namespace mevstorage {
namespace git {

namespace {

using mevcore::filesupport::Disk;

struct Writer {
  git_repository* repository;
  const std::string& workTree;
  std::vector<WrittenEntry> written;

  [[noreturn]] void Fail(const std::string& path, const std::string& reason) const {
    ThrowCheckoutError(workTree, path, reason);
  }
  [[noreturn]] void FailErrno(const std::string& path) const {
    Fail(path, mevcore::config::ErrorText(errno));
  }
};

// Closes a descriptor that an error leaves open.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) Disk().Close(fd);
  }
  int Release() {
    const int released = fd;
    fd = -1;
    return released;
  }
};

// Syncs a filled folder and closes it. Some file systems cannot sync a
// folder; their entries are as durable as they get.
void FinishFolder(const Writer& writer, Descriptor& folder, const std::string& path) {
  if (Disk().Fsync(folder.fd) != 0 && errno != EINVAL) writer.FailErrno(path);
  if (Disk().Close(folder.Release()) != 0) writer.FailErrno(path);
}

void WriteAll(const Writer& writer, int fd, const char* data, std::size_t size,
              const std::string& path) {
  while (size > 0) {
    const ssize_t n = Disk().Write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = ENOSPC;  // a write that makes no progress finds no room
    if (n <= 0) writer.FailErrno(path);
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

void WriteFile(Writer& writer, int folder, const git_tree_entry* entry, const std::string& path) {
  git_blob* blob = nullptr;
  if (git_blob_lookup(&blob, writer.repository, git_tree_entry_id(entry)) != 0) {
    writer.Fail(path, LastGitError("the file's blob cannot be read"));
  }
  Wrap<git_blob> held(blob);
  const bool executable = git_tree_entry_filemode_raw(entry) == GIT_FILEMODE_BLOB_EXECUTABLE;
  // The umask applies to the mode given here, as it does for Git.
  Descriptor file{Disk().OpenAt(folder, git_tree_entry_name(entry),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                executable ? 0755 : 0644)};
  if (file.fd < 0) writer.FailErrno(path);
  WriteAll(writer, file.fd, static_cast<const char*>(git_blob_rawcontent(blob)),
           static_cast<std::size_t>(git_blob_rawsize(blob)), path);
  struct stat info;
  if (Disk().Fsync(file.fd) != 0 || Disk().Fstat(file.fd, &info) != 0) writer.FailErrno(path);
  if (Disk().Close(file.Release()) != 0) writer.FailErrno(path);
  writer.written.push_back({path, *git_tree_entry_id(entry),
                            executable ? GIT_FILEMODE_BLOB_EXECUTABLE : GIT_FILEMODE_BLOB, info});
}

// A link, or a gitlink's empty folder: nothing inside to sync.
void WriteLeaf(Writer& writer, int folder, const git_tree_entry* entry, const std::string& path) {
  const char* name = git_tree_entry_name(entry);
  const unsigned mode = git_tree_entry_filemode_raw(entry);
  if (mode == GIT_FILEMODE_LINK) {
    const std::string target =
        ReadLinkTarget(writer.repository, *git_tree_entry_id(entry), writer.workTree, path);
    if (Disk().SymlinkAt(target, folder, name) != 0) writer.FailErrno(path);
  } else if (Disk().MkdirAt(folder, name, 0777) != 0) {
    writer.FailErrno(path);
  }
  struct stat info;
  if (Disk().LstatAt(folder, name, &info) != 0) writer.FailErrno(path);
  writer.written.push_back({path, *git_tree_entry_id(entry), mode, info});
}

void WriteEntries(Writer& writer, int folder, const git_tree* tree, const std::string& prefix);

void WriteFolder(Writer& writer, int folder, const git_tree_entry* entry, const std::string& path) {
  git_tree* tree = nullptr;
  if (git_tree_lookup(&tree, writer.repository, git_tree_entry_id(entry)) != 0) {
    writer.Fail(path, LastGitError("the folder's tree cannot be read"));
  }
  Wrap<git_tree> held(tree);
  const char* name = git_tree_entry_name(entry);
  if (Disk().MkdirAt(folder, name, 0777) != 0) writer.FailErrno(path);
  Descriptor made{
      Disk().OpenAt(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, 0)};
  if (made.fd < 0) writer.FailErrno(path);
  WriteEntries(writer, made.fd, tree, path + "/");
  FinishFolder(writer, made, path);
}

void WriteEntries(Writer& writer, int folder, const git_tree* tree, const std::string& prefix) {
  const std::size_t count = git_tree_entrycount(tree);
  for (std::size_t i = 0; i < count; ++i) {
    const git_tree_entry* entry = git_tree_entry_byindex(tree, i);
    const std::string path = prefix + git_tree_entry_name(entry);
    switch (git_tree_entry_filemode_raw(entry)) {
      case GIT_FILEMODE_TREE:
        WriteFolder(writer, folder, entry, path);
        break;
      case GIT_FILEMODE_LINK:
      case GIT_FILEMODE_COMMIT:
        WriteLeaf(writer, folder, entry, path);
        break;
      default:
        WriteFile(writer, folder, entry, path);
    }
  }
}

}  // namespace

std::vector<WrittenEntry> WriteCheckoutTree(git_repository* repository, const git_tree* root,
                                            const std::string& workTree) {
  Writer writer{repository, workTree, {}};
  Descriptor top{
      Disk().Open(workTree, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, 0)};
  if (top.fd < 0) writer.FailErrno("");
  WriteEntries(writer, top.fd, root, "");
  FinishFolder(writer, top, "");
  return std::move(writer.written);
}

}  // namespace git
}  // namespace mevstorage
