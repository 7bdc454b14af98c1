#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "mevcore/filesupport/Dir.h"

namespace mevcore {
namespace filesupport {

// The process that holds a folder's lock, as far as the system tells it.
struct FolderLockHolder {
  pid_t pid = 0;        // 0 when it cannot be told
  std::string program;  // its command name as the system keeps it (at most 15
                        // bytes); empty when it cannot be told
};

// An advisory lock on a folder itself (flock on the open folder), so that
// two processes of the same kind never work on it at once. It makes no file:
// the folder's listing is not changed, and the lock goes with the process.
// The lock belongs to the folder, not to the path: two paths to one folder
// (a symbolic link, "..") are one lock.
class FolderLock {
 public:
  // The lock, held until the object is destroyed; null when another process
  // holds it, or this one through another FolderLock. Throws
  // config::mev_exception naming the folder when it cannot be opened or the
  // lock cannot be asked for.
  static std::unique_ptr<FolderLock> TryHold(const Dir& folder);
  // Who holds the folder's lock: the process of the FLOCK entry of
  // /proc/locks for the folder's device and inode, and its /proc/<pid>/comm.
  // Never throws: what cannot be read or found is left untold.
  static FolderLockHolder HolderOf(const Dir& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  explicit FolderLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace filesupport
}  // namespace mevcore
