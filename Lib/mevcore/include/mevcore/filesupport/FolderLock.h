#pragma once

#include <memory>

#include "mevcore/filesupport/Dir.h"

namespace mevcore {
namespace filesupport {

// An advisory lock on a folder itself (flock on the open folder), so that
// two processes of the same kind never work on it at once. It makes no file:
// the folder's listing is not changed, and the lock goes with the process.
class FolderLock {
 public:
  // The lock, held until the object is destroyed; null when another process
  // holds it. Throws config::mev_exception naming the folder when it cannot
  // be opened or the lock cannot be asked for.
  static std::unique_ptr<FolderLock> TryHold(const Dir& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  explicit FolderLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace filesupport
}  // namespace mevcore
