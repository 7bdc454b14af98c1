#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "mevcore/filesupport/File.h"

namespace mevcore {
namespace filesupport {

// How WriteFileDurably treats the target and the file it writes first.
struct DurableWriteOptions {
  // True: an existing target is replaced. False: the target must not exist;
  // when it does, or appears meanwhile, the write fails with EEXIST and the
  // target stays as it is.
  bool replace = true;
  // An existing target is opened for writing first, so that one this process
  // may not write is refused (EACCES) rather than replaced behind its
  // permissions.
  bool refuseUnwritable = false;
  // Empty: the content goes first to a fresh ".<name>.writing-<pid>-<n>"
  // beside the target; one that is already there, even our own left by a
  // crash, is never reused. Otherwise this path, in the target's folder, made
  // exclusively: when it exists the write fails with EEXIST and leaves it
  // alone, so that it serves as a lock file.
  std::string temporary;
  // When set, called after step 3 and before the rename, while the
  // temporary (a lock file, with `temporary` given) is still held, so that
  // the caller can check that the target is still what it expects. A nonzero
  // errno it returns fails the write at step "check" of the target: the
  // temporary is removed and the target stays as it was.
  std::function<int()> checkBeforeRename;
  // kByCaller: the folder is not synced after the rename (step 5); the caller
  // syncs it, with its other changes to it, before it relies on the file.
  FolderSync folderSync = FolderSync::kNow;
};

// Which step of a write failed ("examine", "create", "keep the owner and mode
// of", "write", "sync", "close", "check", "rename") and the path its call named.
struct DurableWriteFailure {
  std::string step;
  std::string path;
};

// Puts `size` bytes at `data` in place of the file at `path`, whole or not at
// all, through Disk() so that every call can be made to fail in tests:
//  1. an existing target is examined without blocking: anything but a regular
//     file (a FIFO, a device, a folder) is refused with kNotRegularFile;
//  2. the temporary file is created exclusively in the same folder; for an
//     existing target it gets the target's owner and group where the process
//     may give them (EPERM is not a failure) and the target's mode whatever
//     the umask; a new file gets 0644 less the umask;
//  3. the content is written, synced and the temporary closed, and the
//     caller's check, if any, is made;
//  4. it is renamed over the target (with replace false: renamed only if the
//     target is still missing);
//  5. the folder is synced.
// A failure before step 4 removes the temporary (a held lock file is never
// touched) and leaves the target as it was; a crash at any point leaves the
// old content or the new, and at most a stray temporary. The folder must
// exist. Returns 0, or the failed call's errno (config::kNotRegularFile for a
// target that is not a regular file) with `failure`, when given, saying
// where. Never throws for a failure of the file system.
int WriteFileDurably(const std::string& path, const void* data, std::size_t size,
                     const DurableWriteOptions& options = DurableWriteOptions(),
                     DurableWriteFailure* failure = nullptr);

// WriteFileDurably in two halves, so that the sync of another file made in
// between can carry this one's content to the disk as well (on a journaling
// file system, one commit for both), leaving little to this one's own sync.
class StagedWrite {
 public:
  StagedWrite() = default;
  StagedWrite(StagedWrite&& other) noexcept;
  StagedWrite& operator=(StagedWrite&& other) noexcept;
  StagedWrite(const StagedWrite&) = delete;
  StagedWrite& operator=(const StagedWrite&) = delete;
  // Abandon().
  ~StagedWrite();

  // Takes steps 1 and 2 of WriteFileDurably and writes the content, then
  // asks the system to start writing it back (DiskInterface::StartWriteback,
  // whose failure is ignored). Returns 0, the write then begun, or as
  // WriteFileDurably does, with nothing left behind. A write begun before is
  // abandoned first.
  int Begin(const std::string& path, const void* data, std::size_t size,
            const DurableWriteOptions& options, DurableWriteFailure* failure = nullptr);
  // Takes steps 3 (the sync) to 5 of the write begun and returns as
  // WriteFileDurably does; the write is no longer begun after it, whatever
  // its result.
  int Finish(DurableWriteFailure* failure = nullptr);
  bool Begun() const { return fd_ >= 0; }
  // Closes and removes the temporary of a write begun (a lock file given as
  // `temporary` too: the write made it); nothing otherwise.
  void Abandon();

 private:
  friend int WriteFileDurably(const std::string&, const void*, std::size_t,
                              const DurableWriteOptions&, DurableWriteFailure*);
  int Stage(const std::string& path, const void* data, std::size_t size,
            const DurableWriteOptions& options, bool startWriteback,
            DurableWriteFailure* failure);

  std::string path_;
  std::string temporary_;
  DurableWriteOptions options_;
  int fd_ = -1;
};

// Whether a folder entry's `name` is one of the temporaries WriteFileDurably
// makes (".<name>.writing-<pid>-<n>") and the process that made it is gone:
// a crash left it, and nothing will ever rename it, so it may be removed.
bool IsStaleTemporaryName(const std::string& name);
// The same for temporaries named ".<name><marker><pid>-<n>" by other writers,
// `marker` being for example ".exporting-".
bool IsStaleTemporaryName(const std::string& name, const std::string& marker);

}  // namespace filesupport
}  // namespace mevcore
