#include "mevcore/filesupport/Dir.h"

#include <cerrno>

#include "FilePath.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"

namespace mevcore {
namespace filesupport {

Dir::Dir(const utility::UTF16String& path)
    : path_(filepath::WithoutTrailingSlash(filepath::FromUTF16(path))) {}

Dir::Dir(const Dir& parent, const utility::UTF16String& child)
    : path_(filepath::Join(parent.path_, filepath::FromUTF16(child))) {}

Dir Dir::FromNativePath(std::string path) {
  Dir dir;
  dir.path_ = filepath::WithoutTrailingSlash(std::move(path));
  return dir;
}

bool Dir::Exists() const {
  struct stat info;
  if (Disk().Stat(path_, &info) == 0) return S_ISDIR(info.st_mode);
  if (errno == ENOENT || errno == ENOTDIR) return false;
  config::ThrowSystemError("Unable to examine", path_, errno);
}

utility::UTF16String Dir::FullPath() const { return filepath::ToUTF16(path_); }

utility::UTF16String Dir::GetName() const {
  return filepath::ToUTF16(filepath::LastElement(path_));
}

Dir Dir::Parent() const { return FromNativePath(filepath::ParentOf(path_)); }

void Dir::Rename(const utility::UTF16String& newName) {
  filepath::RenameWithinParent(&path_, newName);
}

}  // namespace filesupport
}  // namespace mevcore
