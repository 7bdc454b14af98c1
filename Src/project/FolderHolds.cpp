#include "project/FolderHolds.h"

#include <sys/stat.h>

#include <cerrno>
#include <set>
#include <utility>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"

namespace velders {
namespace project {

namespace {

using mevcore::filesupport::Dir;
using mevcore::filesupport::FolderLock;
using mevcore::filesupport::FolderLockHolder;

constexpr char kRecoveryProgram[] = "velders-recovery";
// The system keeps a command name of at most this many bytes.
constexpr std::size_t kCommandNameLimit = 15;

bool EndsWithSelfOrParent(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  return last == "." || last == "..";
}

// The folder's device and inode; none when it is not there.
std::optional<std::pair<dev_t, ino_t>> IdentityOf(const Dir& folder) {
  struct stat info;
  if (mevcore::filesupport::Disk().Stat(folder.NativePath(), &info) == 0) {
    return std::make_pair(info.st_dev, info.st_ino);
  }
  if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
  mevcore::config::ThrowSystemError("Unable to examine", folder.NativePath(), errno);
}

}  // namespace

Dir ContainingFolder(const Dir& project) {
  const std::string& path = project.NativePath();
  if (EndsWithSelfOrParent(path)) return Dir::FromNativePath(path + "/..");
  return project.Parent();
}

FolderHolds HoldFolders(const std::vector<Dir>& folders) {
  FolderHolds holds;
  std::set<std::pair<dev_t, ino_t>> held;
  for (const Dir& folder : folders) {
    const auto identity = IdentityOf(folder);
    if (!identity || !held.insert(*identity).second) continue;
    std::unique_ptr<FolderLock> lock = FolderLock::TryHold(folder);
    if (!lock) {
      holds.locks.clear();
      holds.busy = folder;
      holds.holder = FolderLock::HolderOf(folder);
      return holds;
    }
    holds.locks.push_back(std::move(lock));
  }
  return holds;
}

bool HeldByRecovery(const FolderLockHolder& holder) {
  return !holder.program.empty() &&
         holder.program == std::string(kRecoveryProgram).substr(0, kCommandNameLimit);
}

std::string HolderText(const FolderLockHolder& holder) {
  if (holder.pid == 0) return std::string();
  const std::string process = "process " + std::to_string(holder.pid);
  if (holder.program.empty()) return process;
  return (HeldByRecovery(holder) ? kRecoveryProgram : holder.program) + " (" + process + ")";
}

}  // namespace project
}  // namespace velders
