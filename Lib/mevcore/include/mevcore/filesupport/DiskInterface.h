#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mevcore {
namespace filesupport {

// Every file-system call the library makes goes through this interface, so
// that tests can replace it and make any call fail on purpose. Calls follow
// the POSIX convention: -1 (or false) on failure with errno set.
class DiskInterface {
 public:
  struct Entry {
    std::string name;
    unsigned char type;  // DT_* of dirent; DT_UNKNOWN when the system did not say
  };

  virtual ~DiskInterface() = default;

  virtual int Open(const std::string& path, int flags, mode_t mode) = 0;
  virtual ssize_t Read(int fd, void* buffer, std::size_t count) = 0;
  virtual ssize_t Write(int fd, const void* buffer, std::size_t count) = 0;
  virtual int Fstat(int fd, struct stat* info) = 0;
  virtual int Ftruncate(int fd, off_t length) = 0;
  virtual int Fsync(int fd) = 0;
  // As syncfs: makes everything written to the file system `fd` lies on
  // durable. Reports a failure to write back any file there since `fd` was
  // opened (Linux 5.8 and later), so `fd` is opened before the writes it
  // stands for.
  virtual int SyncFileSystem(int fd) = 0;
  // Asks the system to start writing `fd`'s data to the disk, without
  // waiting (Linux's sync_file_range with SYNC_FILE_RANGE_WRITE); only a
  // hint, which makes nothing durable.
  virtual int StartWriteback(int fd) = 0;
  virtual int Fchmod(int fd, mode_t mode) = 0;
  virtual int Fchown(int fd, uid_t owner, gid_t group) = 0;
  virtual int Close(int fd) = 0;
  virtual int Lstat(const std::string& path, struct stat* info) = 0;
  virtual int Stat(const std::string& path, struct stat* info) = 0;
  virtual int Mkdir(const std::string& path, mode_t mode) = 0;
  // Renames without ever replacing an existing `to` (EEXIST then).
  virtual int RenameNoReplace(const std::string& from, const std::string& to) = 0;
  // Renames over an existing `to`, atomically. Only for the library's own
  // temporary and lock files, never for a user's file.
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  // Removes a file (not a folder).
  virtual int Remove(const std::string& path) = 0;
  // Removes a folder only when it is empty (ENOTEMPTY or EEXIST when not).
  virtual int RemoveEmptyFolder(const std::string& path) = 0;
  // Lists a folder's entries, "." and ".." left out, in no particular order.
  virtual int ListDir(const std::string& path, std::vector<Entry>* entries) = 0;
  // Makes a folder's entries durable (after a rename or a create in it).
  virtual int SyncDir(const std::string& path) = 0;
  // As openat, mkdirat, symlinkat and fstatat with AT_SYMLINK_NOFOLLOW: `name`
  // relative to the open folder `folder`. For writing inside a folder that a
  // path must not be resolved to again, links and all.
  virtual int OpenAt(int folder, const std::string& name, int flags, mode_t mode) = 0;
  virtual int MkdirAt(int folder, const std::string& name, mode_t mode) = 0;
  virtual int SymlinkAt(const std::string& target, int folder, const std::string& name) = 0;
  virtual int LstatAt(int folder, const std::string& name, struct stat* info) = 0;
};

// The real file system.
class RealDiskInterface : public DiskInterface {
 public:
  int Open(const std::string& path, int flags, mode_t mode) override;
  ssize_t Read(int fd, void* buffer, std::size_t count) override;
  ssize_t Write(int fd, const void* buffer, std::size_t count) override;
  int Fstat(int fd, struct stat* info) override;
  int Ftruncate(int fd, off_t length) override;
  int Fsync(int fd) override;
  int SyncFileSystem(int fd) override;
  int StartWriteback(int fd) override;
  int Fchmod(int fd, mode_t mode) override;
  int Fchown(int fd, uid_t owner, gid_t group) override;
  int Close(int fd) override;
  int Lstat(const std::string& path, struct stat* info) override;
  int Stat(const std::string& path, struct stat* info) override;
  int Mkdir(const std::string& path, mode_t mode) override;
  int RenameNoReplace(const std::string& from, const std::string& to) override;
  int Rename(const std::string& from, const std::string& to) override;
  int Remove(const std::string& path) override;
  int RemoveEmptyFolder(const std::string& path) override;
  int ListDir(const std::string& path, std::vector<Entry>* entries) override;
  int SyncDir(const std::string& path) override;
  int OpenAt(int folder, const std::string& name, int flags, mode_t mode) override;
  int MkdirAt(int folder, const std::string& name, mode_t mode) override;
  int SymlinkAt(const std::string& target, int folder, const std::string& name) override;
  int LstatAt(int folder, const std::string& name, struct stat* info) override;
};

// The interface the library uses now (the real one unless a test set another).
DiskInterface& Disk();
// Installs `disk` (not owned); null restores the real file system.
void SetDisk(DiskInterface* disk);
// Whether calls may be made from two threads at once: only on the real file
// system with no fault plan installed. A test's disk or plan numbers the
// calls in the order they come, which must then be one thread's order.
bool DiskCallsMayOverlap();

}  // namespace filesupport
}  // namespace mevcore
