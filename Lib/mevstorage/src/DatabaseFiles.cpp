#include "mevstorage/git/DatabaseFiles.h"

#include <sqlite3.h>

#include <memory>

#include "FaultVfs.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {
namespace {

// The lock of the shared memory that a writer of the write-ahead log holds
// exclusively, and the size SQLite maps that memory in.
constexpr int kWalWriteLock = 0;
constexpr int kShmRegionSize = 32768;

[[noreturn]] void CannotTell(const std::string& path, int result) {
  throw StorageError("Unable to tell whether " + path + " is in use by another program: " +
                     sqlite3_errstr(result));
}

sqlite3_vfs* FileLayer(const std::string& path) {
  sqlite3_vfs* layer = RegisterCountedVfs() ? sqlite3_vfs_find(kCountedVfsName) : nullptr;
  if (!layer) CannotTell(path, SQLITE_ERROR);
  return layer;
}

// The database file opened read-only at the file layer, below any
// connection: there is no pager to read it or roll a journal back. The
// shared memory is opened read-only too ("readonly_shm"), so that it is
// neither made nor reset. Whatever was locked or mapped is let go.
class LockView {
 public:
  explicit LockView(const std::string& path)
      : path_(path), layer_(FileLayer(path)),
        file_(new char[static_cast<std::size_t>(layer_->szOsFile)]()) {
    const char* parameters[] = {"readonly_shm", "1"};
    name_ = sqlite3_create_filename(path.c_str(), (path + "-journal").c_str(),
                                    (path + "-wal").c_str(), 1, parameters);
    if (!name_) CannotTell(path, SQLITE_NOMEM);
    const int flags = SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW;
    int outFlags = 0;
    const int result = layer_->xOpen(layer_, name_, File(), flags, &outFlags);
    if (result != SQLITE_OK) {
      Release();
      CannotTell(path, result);
    }
  }
  ~LockView() { Release(); }
  LockView(const LockView&) = delete;
  LockView& operator=(const LockView&) = delete;

  // A writer of the database file holds RESERVED, or PENDING or EXCLUSIVE,
  // which keep a new reader out.
  bool WriterOnFile() {
    const int locked = Methods().xLock(File(), SQLITE_LOCK_SHARED);
    if (locked == SQLITE_BUSY) return true;
    if (locked != SQLITE_OK) CannotTell(path_, locked);
    int reserved = 0;
    const int checked = Methods().xCheckReservedLock(File(), &reserved);
    if (checked != SQLITE_OK) CannotTell(path_, checked);
    return reserved != 0;
  }

  // Without "-shm" no connection uses the log (one that keeps its index in
  // its own memory holds EXCLUSIVE on the file instead). When no process
  // has "-shm" open, SQLite says it cannot set it up read-only; while one
  // sets it up, it is busy; mapped read-only, it says so.
  bool WriterOnLog() {
    int exists = 0;
    const std::string shm = path_ + "-shm";
    const int looked = layer_->xAccess(layer_, shm.c_str(), SQLITE_ACCESS_EXISTS, &exists);
    if (looked != SQLITE_OK) CannotTell(path_, looked);
    if (!exists) return false;
    void volatile* region = nullptr;
    const int mapped = Methods().xShmMap(File(), 0, kShmRegionSize, 0, &region);
    if (mapped == SQLITE_READONLY_CANTINIT) return false;
    if (mapped == SQLITE_BUSY) return true;
    if (mapped != SQLITE_OK && mapped != SQLITE_READONLY) CannotTell(path_, mapped);
    const int locked =
        Methods().xShmLock(File(), kWalWriteLock, 1, SQLITE_SHM_LOCK | SQLITE_SHM_SHARED);
    if (locked == SQLITE_BUSY) return true;
    if (locked != SQLITE_OK) CannotTell(path_, locked);
    Methods().xShmLock(File(), kWalWriteLock, 1, SQLITE_SHM_UNLOCK | SQLITE_SHM_SHARED);
    return false;
  }

 private:
  sqlite3_file* File() { return reinterpret_cast<sqlite3_file*>(file_.get()); }
  const sqlite3_io_methods& Methods() { return *File()->pMethods; }

  // A layer sets the methods of a file it opened, even one that failed,
  // and then must be asked to close it. Closing drops the file's locks.
  void Release() {
    if (File()->pMethods) {
      Methods().xShmUnmap(File(), 0);
      Methods().xClose(File());
      File()->pMethods = nullptr;
    }
    sqlite3_free_filename(name_);
    name_ = nullptr;
  }

  std::string path_;
  sqlite3_vfs* layer_;
  std::unique_ptr<char[]> file_;
  sqlite3_filename name_ = nullptr;
};

}  // namespace

bool DatabaseBeingWritten(const std::string& path) {
  LockView view(path);
  return view.WriterOnFile() || view.WriterOnLog();
}

}  // namespace git
}  // namespace mevstorage
