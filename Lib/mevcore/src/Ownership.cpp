#include "mevcore/filesupport/Ownership.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"

namespace mevcore {
namespace filesupport {

std::optional<std::string> ForeignOwnerReason(const std::string& path) {
  struct stat info;
  if (Disk().Stat(path, &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    config::ThrowSystemError("Unable to examine", path, errno);
  }
  if (info.st_uid == ::geteuid()) return std::nullopt;
  return path + " is owned by user " + std::to_string(info.st_uid) + "; run as that user";
}

}  // namespace filesupport
}  // namespace mevcore
