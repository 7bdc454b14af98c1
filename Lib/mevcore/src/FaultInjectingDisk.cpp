#include "mevcore/filesupport/FaultInjectingDisk.h"

#include <cerrno>

namespace mevcore {
namespace filesupport {
namespace {

std::string FdName(int fd) { return "descriptor " + std::to_string(fd); }

// A name relative to an open folder, as a path for plans and path faults.
std::string AtName(int folder, const std::string& name) { return FdName(folder) + "/" + name; }

}  // namespace

FaultInjectingDisk::FaultInjectingDisk(DiskInterface& inner) : inner_(inner) {}

void FaultInjectingDisk::FailCall(std::uint64_t n, int error) {
  failAt_ = n;
  failAtError_ = error;
}

void FaultInjectingDisk::FailPath(const std::string& path, int error) {
  failPath_ = path;
  failPathError_ = error;
}

void FaultInjectingDisk::Clear() {
  failAt_ = 0;
  failAtError_ = 0;
  failPath_.clear();
  failPathError_ = 0;
}

bool FaultInjectingDisk::Inject(FaultKind kind, const std::string& path,
                                const std::string& other) {
  ++calls_;
  int error = 0;
  if (failAt_ != 0 && calls_ == failAt_) {
    error = failAtError_;
  } else if (!failPath_.empty() && (path == failPath_ || other == failPath_)) {
    error = failPathError_;
  }
  if (FaultPlan* plan = CurrentFaultPlan()) {
    const int planned = plan->Ask(kind, other.empty() ? path : path + " to " + other);
    if (error == 0) error = planned;
  }
  if (error == 0) return false;
  ++failures_;
  errno = error;
  return true;
}

int FaultInjectingDisk::Open(const std::string& path, int flags, mode_t mode) {
  return Inject(FaultKind::kOpen, path) ? -1 : inner_.Open(path, flags, mode);
}

ssize_t FaultInjectingDisk::Read(int fd, void* buffer, std::size_t count) {
  return Inject(FaultKind::kRead, FdName(fd)) ? -1 : inner_.Read(fd, buffer, count);
}

ssize_t FaultInjectingDisk::Write(int fd, const void* buffer, std::size_t count) {
  return Inject(FaultKind::kWrite, FdName(fd)) ? -1 : inner_.Write(fd, buffer, count);
}

int FaultInjectingDisk::Fstat(int fd, struct stat* info) {
  return Inject(FaultKind::kStat, FdName(fd)) ? -1 : inner_.Fstat(fd, info);
}

int FaultInjectingDisk::Ftruncate(int fd, off_t length) {
  return Inject(FaultKind::kTruncate, FdName(fd)) ? -1 : inner_.Ftruncate(fd, length);
}

int FaultInjectingDisk::Fsync(int fd) {
  return Inject(FaultKind::kSync, FdName(fd)) ? -1 : inner_.Fsync(fd);
}

int FaultInjectingDisk::SyncFileSystem(int fd) {
  return Inject(FaultKind::kSync, FdName(fd)) ? -1 : inner_.SyncFileSystem(fd);
}

int FaultInjectingDisk::StartWriteback(int fd) {
  return Inject(FaultKind::kSync, FdName(fd)) ? -1 : inner_.StartWriteback(fd);
}

int FaultInjectingDisk::Fchmod(int fd, mode_t mode) {
  return Inject(FaultKind::kAttributes, FdName(fd)) ? -1 : inner_.Fchmod(fd, mode);
}

int FaultInjectingDisk::Fchown(int fd, uid_t owner, gid_t group) {
  return Inject(FaultKind::kAttributes, FdName(fd)) ? -1 : inner_.Fchown(fd, owner, group);
}

// A close that fails still releases the descriptor, as the system's does.
int FaultInjectingDisk::Close(int fd) {
  if (!Inject(FaultKind::kClose, FdName(fd))) return inner_.Close(fd);
  const int error = errno;
  inner_.Close(fd);
  errno = error;
  return -1;
}

int FaultInjectingDisk::Lstat(const std::string& path, struct stat* info) {
  return Inject(FaultKind::kStat, path) ? -1 : inner_.Lstat(path, info);
}

int FaultInjectingDisk::Stat(const std::string& path, struct stat* info) {
  return Inject(FaultKind::kStat, path) ? -1 : inner_.Stat(path, info);
}

int FaultInjectingDisk::Mkdir(const std::string& path, mode_t mode) {
  return Inject(FaultKind::kMakeFolder, path) ? -1 : inner_.Mkdir(path, mode);
}

int FaultInjectingDisk::RenameNoReplace(const std::string& from, const std::string& to) {
  return Inject(FaultKind::kRename, from, to) ? -1 : inner_.RenameNoReplace(from, to);
}

int FaultInjectingDisk::Rename(const std::string& from, const std::string& to) {
  return Inject(FaultKind::kRename, from, to) ? -1 : inner_.Rename(from, to);
}

int FaultInjectingDisk::Remove(const std::string& path) {
  return Inject(FaultKind::kRemove, path) ? -1 : inner_.Remove(path);
}

int FaultInjectingDisk::RemoveEmptyFolder(const std::string& path) {
  return Inject(FaultKind::kRemove, path) ? -1 : inner_.RemoveEmptyFolder(path);
}

int FaultInjectingDisk::ListDir(const std::string& path, std::vector<Entry>* entries) {
  return Inject(FaultKind::kList, path) ? -1 : inner_.ListDir(path, entries);
}

int FaultInjectingDisk::SyncDir(const std::string& path) {
  return Inject(FaultKind::kSync, path) ? -1 : inner_.SyncDir(path);
}

int FaultInjectingDisk::OpenAt(int folder, const std::string& name, int flags, mode_t mode) {
  return Inject(FaultKind::kOpen, AtName(folder, name)) ? -1
                                                        : inner_.OpenAt(folder, name, flags, mode);
}

int FaultInjectingDisk::MkdirAt(int folder, const std::string& name, mode_t mode) {
  return Inject(FaultKind::kMakeFolder, AtName(folder, name)) ? -1
                                                              : inner_.MkdirAt(folder, name, mode);
}

int FaultInjectingDisk::SymlinkAt(const std::string& target, int folder, const std::string& name) {
  return Inject(FaultKind::kMakeFolder, AtName(folder, name))
             ? -1
             : inner_.SymlinkAt(target, folder, name);
}

int FaultInjectingDisk::LstatAt(int folder, const std::string& name, struct stat* info) {
  return Inject(FaultKind::kStat, AtName(folder, name)) ? -1 : inner_.LstatAt(folder, name, info);
}

ScopedDisk::ScopedDisk(DiskInterface& disk) : previous_(&Disk()) { SetDisk(&disk); }

ScopedDisk::~ScopedDisk() { SetDisk(previous_); }

}  // namespace filesupport
}  // namespace mevcore
