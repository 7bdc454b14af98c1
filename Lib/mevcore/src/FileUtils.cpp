#include "mevcore/utility/FileUtils.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "FilePath.h"
#include "mevcore/filesupport/DiskInterface.h"

namespace mevcore {
namespace utility {
namespace {

using filesupport::Disk;

enum class Presence { kFolder, kMissing, kBlocked };

Presence Look(const std::string& path) {
  struct stat info;
  if (Disk().Stat(path, &info) == 0) return S_ISDIR(info.st_mode) ? Presence::kFolder : Presence::kBlocked;
  return errno == ENOENT ? Presence::kMissing : Presence::kBlocked;
}

// Another process may make the same folder at the same moment.
bool MakeFolder(const std::string& path) {
  if (Disk().Mkdir(path, 0777) == 0) return true;
  return errno == EEXIST && Look(path) == Presence::kFolder;
}

}  // namespace

bool FileUtils::EnsureDirectoryExists(const UTF16String& path) {
  namespace filepath = filesupport::filepath;
  std::string folder = filepath::WithoutTrailingSlash(filepath::FromUTF16(path));
  if (folder.empty()) return false;
  std::vector<std::string> missing;
  Presence presence;
  while ((presence = Look(folder)) == Presence::kMissing) {
    missing.push_back(folder);
    std::string parent = filepath::ParentOf(folder);
    if (parent == folder) return false;  // the current folder itself is gone
    folder = std::move(parent);
  }
  if (presence == Presence::kBlocked) return false;
  for (auto next = missing.rbegin(); next != missing.rend(); ++next) {
    if (!MakeFolder(*next)) return false;
  }
  return true;
}

}  // namespace utility
}  // namespace mevcore
