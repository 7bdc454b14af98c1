#include "console/LinkedFolders.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"

namespace velders {
namespace {

using mevcore::filesupport::Disk;

bool IsLinkToFolder(const std::string& path) {
  struct stat info;
  if (Disk().Lstat(path, &info) != 0 || !S_ISLNK(info.st_mode)) return false;
  return Disk().Stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::vector<std::string> LinkedFolders(const mevcore::filesupport::Dir& folder) {
  std::vector<mevcore::filesupport::DiskInterface::Entry> entries;
  if (Disk().ListDir(folder.NativePath(), &entries) != 0) {
    mevcore::config::ThrowSystemError("Unable to list", folder.NativePath(), errno);
  }
  std::vector<std::string> links;
  for (const auto& entry : entries) {
    const std::string path = folder.NativePath() + "/" + entry.name;
    if (IsLinkToFolder(path)) links.push_back(path);
  }
  std::sort(links.begin(), links.end());
  return links;
}

}  // namespace velders
