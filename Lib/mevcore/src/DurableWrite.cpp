#include "mevcore/filesupport/DurableWrite.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/filesupport/RegularFile.h"

namespace mevcore {
namespace filesupport {
namespace {

constexpr int kTemporaryAttempts = 100;
constexpr mode_t kNewFileMode = 0644;
// Until the target's mode is given to it, the temporary is the owner's only,
// so that a file others may not read is not readable for a moment.
constexpr mode_t kPrivateMode = 0600;

// The existing target, if any: what the new file takes over from it.
struct Target {
  bool exists = false;
  struct stat info {};
};

class Steps {
 public:
  Steps(const std::string& path, DurableWriteFailure* failure) : path_(path), failure_(failure) {}

  // Returns `error` after noting the step and path, when the caller asked.
  int Failed(const char* step, const std::string& path, int error) const {
    if (failure_ != nullptr) *failure_ = {step, path};
    return error;
  }
  const std::string& Path() const { return path_; }

 private:
  const std::string& path_;
  DurableWriteFailure* failure_;
};

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string TemporaryName(const std::string& path, int attempt) {
  const std::size_t start = path.rfind('/') + 1;  // 0 when there is no slash
  return path.substr(0, start) + "." + path.substr(start) + ".writing-" +
         std::to_string(::getpid()) + "-" + std::to_string(attempt);
}

// A link to nowhere is no missing file: writing through it or over it would
// both surprise whoever made it.
bool IsDanglingLink(const std::string& path) {
  struct stat info;
  return Disk().Lstat(path, &info) == 0;
}

// Writability is tested by an open for writing; otherwise a stat tells the
// kind, which is all that a rename over the target needs.
int ExamineTarget(const Steps& steps, bool refuseUnwritable, Target* target) {
  int error = 0;
  if (refuseUnwritable) {
    const int fd = OpenRegularFile(steps.Path(), O_WRONLY, 0, &target->info);
    if (fd < 0) error = errno;
    if (fd >= 0 && Disk().Close(fd) != 0) error = errno;
  } else if (Disk().Stat(steps.Path(), &target->info) != 0) {
    error = errno;
  } else if (!S_ISREG(target->info.st_mode)) {
    error = config::kNotRegularFile;
  }
  if (error == ENOENT && !IsDanglingLink(steps.Path())) return 0;
  if (error != 0) return steps.Failed("examine", steps.Path(), error);
  target->exists = true;
  return 0;
}

int RefuseExistingTarget(const Steps& steps) {
  struct stat info;
  if (Disk().Lstat(steps.Path(), &info) == 0) return steps.Failed("create", steps.Path(), EEXIST);
  if (errno == ENOENT) return 0;
  return steps.Failed("examine", steps.Path(), errno);
}

// The descriptor of a new file that no one else has, or -1 with errno.
int CreateTemporary(const Steps& steps, const DurableWriteOptions& options, mode_t mode,
                    std::string* temporary) {
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
  if (!options.temporary.empty()) {
    *temporary = options.temporary;
    return Disk().Open(*temporary, flags, mode);
  }
  for (int attempt = 0;; ++attempt) {
    *temporary = TemporaryName(steps.Path(), attempt);
    const int fd = Disk().Open(*temporary, flags, mode);
    if (fd >= 0 || errno != EEXIST || attempt == kTemporaryAttempts) return fd;
  }
}

// The owner first: a change of owner clears set-id bits that the mode then
// gives back where the system allows.
int KeepOwnerAndMode(int fd, const struct stat& old) {
  if (Disk().Fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM) return errno;
  if (Disk().Fchmod(fd, old.st_mode & 07777) != 0) return errno;
  return 0;
}

int WriteAll(int fd, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t put = Disk().Write(fd, bytes + done, size - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return put < 0 ? errno : EIO;
    done += static_cast<std::size_t>(put);
  }
  return 0;
}

// Gives the open temporary the target's owner and mode, then the content.
int FillTemporary(const Steps& steps, int fd, const Target& target, const void* data,
                  std::size_t size, const std::string& temporary) {
  int error = target.exists ? KeepOwnerAndMode(fd, target.info) : 0;
  const char* step = "keep the owner and mode of";
  if (error == 0 && (error = WriteAll(fd, data, size)) != 0) step = "write";
  return error == 0 ? 0 : steps.Failed(step, temporary, error);
}

// Syncs the filled temporary and closes it; the descriptor is closed either
// way.
int SyncTemporary(const Steps& steps, int fd, const std::string& temporary) {
  int error = Disk().Fsync(fd) == 0 ? 0 : errno;
  const char* step = "sync";
  if (Disk().Close(fd) != 0 && error == 0) {
    error = errno;
    step = "close";
  }
  return error == 0 ? 0 : steps.Failed(step, temporary, error);
}

int CheckBeforeRename(const Steps& steps, const DurableWriteOptions& options) {
  if (!options.checkBeforeRename) return 0;
  const int error = options.checkBeforeRename();
  return error == 0 ? 0 : steps.Failed("check", steps.Path(), error);
}

int PutInPlace(const Steps& steps, bool replace, const std::string& temporary) {
  const int renamed = replace ? Disk().Rename(temporary, steps.Path())
                              : Disk().RenameNoReplace(temporary, steps.Path());
  if (renamed == 0) return 0;
  return steps.Failed("rename", temporary + " to " + steps.Path(), errno);
}

}  // namespace

int WriteFileDurably(const std::string& path, const void* data, std::size_t size,
                     const DurableWriteOptions& options, DurableWriteFailure* failure) {
  StagedWrite write;
  const int error = write.Stage(path, data, size, options, false, failure);
  return error != 0 ? error : write.Finish(failure);
}

StagedWrite::StagedWrite(StagedWrite&& other) noexcept { *this = std::move(other); }

StagedWrite& StagedWrite::operator=(StagedWrite&& other) noexcept {
  if (this == &other) return *this;
  Abandon();
  path_ = std::move(other.path_);
  temporary_ = std::move(other.temporary_);
  options_ = std::move(other.options_);
  fd_ = other.fd_;
  other.fd_ = -1;
  return *this;
}

StagedWrite::~StagedWrite() { Abandon(); }

int StagedWrite::Begin(const std::string& path, const void* data, std::size_t size,
                       const DurableWriteOptions& options, DurableWriteFailure* failure) {
  return Stage(path, data, size, options, true, failure);
}

int StagedWrite::Stage(const std::string& path, const void* data, std::size_t size,
                       const DurableWriteOptions& options, bool startWriteback,
                       DurableWriteFailure* failure) {
  Abandon();
  const Steps steps(path, failure);
  Target target;
  int error = options.replace ? ExamineTarget(steps, options.refuseUnwritable, &target)
                              : RefuseExistingTarget(steps);
  if (error != 0) return error;
  std::string temporary;
  const int fd = CreateTemporary(steps, options, target.exists ? kPrivateMode : kNewFileMode,
                                 &temporary);
  if (fd < 0) return steps.Failed("create", temporary, errno);
  error = FillTemporary(steps, fd, target, data, size, temporary);
  if (error != 0) {
    Disk().Close(fd);
    Disk().Remove(temporary);
    return error;
  }
  if (startWriteback) Disk().StartWriteback(fd);
  path_ = path;
  temporary_ = std::move(temporary);
  options_ = options;
  fd_ = fd;
  return 0;
}

int StagedWrite::Finish(DurableWriteFailure* failure) {
  const Steps steps(path_, failure);
  if (fd_ < 0) return steps.Failed("sync", path_, EBADF);
  const int fd = fd_;
  fd_ = -1;
  int error = SyncTemporary(steps, fd, temporary_);
  if (error == 0) error = CheckBeforeRename(steps, options_);
  if (error == 0) error = PutInPlace(steps, options_.replace, temporary_);
  if (error != 0) {
    Disk().Remove(temporary_);
    return error;
  }
  if (options_.folderSync == FolderSync::kByCaller) return 0;
  const std::string folder = FolderOf(path_);
  if (Disk().SyncDir(folder) != 0) return steps.Failed("sync", folder, errno);
  return 0;
}

void StagedWrite::Abandon() {
  if (fd_ < 0) return;
  Disk().Close(fd_);
  Disk().Remove(temporary_);
  fd_ = -1;
}

namespace {

bool AllDigits(const std::string& text) {
  if (text.empty() || text.size() > 9) return false;
  for (const char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// A process that exists, though another user's, still counts as alive: its
// id may have been given to a new process, and then the file simply stays.
bool ProcessGone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

}  // namespace

bool IsStaleTemporaryName(const std::string& name) {
  return IsStaleTemporaryName(name, ".writing-");
}

bool IsStaleTemporaryName(const std::string& name, const std::string& marker) {
  const std::size_t at = name.rfind(marker);
  if (name.size() < 2 || name[0] != '.' || at == std::string::npos || at < 2) return false;
  const std::string numbers = name.substr(at + marker.size());
  const std::size_t dash = numbers.find('-');
  if (dash == std::string::npos) return false;
  const std::string pid = numbers.substr(0, dash);
  if (!AllDigits(pid) || !AllDigits(numbers.substr(dash + 1))) return false;
  return ProcessGone(static_cast<pid_t>(std::atol(pid.c_str())));
}

}  // namespace filesupport
}  // namespace mevcore
