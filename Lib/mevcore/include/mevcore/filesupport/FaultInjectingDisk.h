#pragma once

#include <cstdint>
#include <string>

#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/filesupport/FaultPlan.h"

namespace mevcore {
namespace filesupport {

// A DiskInterface for tests: forwards to another one, counts the calls, and
// makes a chosen call fail with a chosen errno: the N-th call (counting from
// 1), or every call whose path is a given path. Each call also asks the
// installed FaultPlan (FaultPlan.h), which may fail it or end the process.
class FaultInjectingDisk : public DiskInterface {
 public:
  explicit FaultInjectingDisk(DiskInterface& inner);

  void FailCall(std::uint64_t n, int error);
  void FailPath(const std::string& path, int error);
  void Clear();
  std::uint64_t CallCount() const { return calls_; }
  // How many calls were made to fail so far.
  std::uint64_t Failures() const { return failures_; }

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

 private:
  // True when this call must fail; errno is then set.
  bool Inject(FaultKind kind, const std::string& path, const std::string& other = std::string());

  DiskInterface& inner_;
  std::uint64_t calls_ = 0;
  std::uint64_t failures_ = 0;
  std::uint64_t failAt_ = 0;
  int failAtError_ = 0;
  std::string failPath_;
  int failPathError_ = 0;
};

// Installs a disk for the lifetime of the guard, then restores the previous one.
class ScopedDisk {
 public:
  explicit ScopedDisk(DiskInterface& disk);
  ~ScopedDisk();
  ScopedDisk(const ScopedDisk&) = delete;
  ScopedDisk& operator=(const ScopedDisk&) = delete;

 private:
  DiskInterface* previous_;
};

}  // namespace filesupport
}  // namespace mevcore
