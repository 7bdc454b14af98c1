#include "FilePath.h"

#include <cerrno>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"

namespace mevcore {
namespace filesupport {
namespace filepath {
namespace {

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

// The path with its last element replaced, keeping the path's own form.
std::string Sibling(const std::string& path, const std::string& name) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? name : path.substr(0, slash + 1) + name;
}

}  // namespace

std::string FromUTF16(const utility::UTF16String& path) {
  return utility::ToNarrow(utility::UTF16to8(path));
}

utility::UTF16String ToUTF16(const std::string& path) {
  return utility::UTF8to16(reinterpret_cast<const unsigned char*>(path.data()), path.size());
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string Join(const std::string& parent, const std::string& child) {
  if (parent.empty()) return WithoutTrailingSlash(child);
  if (child.empty()) return parent;
  const bool slashBetween = parent.back() == '/' || child.front() == '/';
  return WithoutTrailingSlash(parent + (slashBetween ? "" : "/") + child);
}

std::string LastElement(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return path.empty() ? std::string() : ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void RenameWithinParent(std::string* path, const utility::UTF16String& newName, FolderSync sync) {
  const std::string name = FromUTF16(newName);
  if (!IsPlainName(name)) {
    throw config::mev_exception(
        "Unable to rename " + *path + " to " + name + ": the new name is not a plain name", EINVAL);
  }
  const std::string target = Sibling(*path, name);
  if (Disk().RenameNoReplace(*path, target) != 0) {
    config::ThrowSystemError("Unable to rename", *path + " to " + target, errno);
  }
  *path = target;
  if (sync == FolderSync::kByCaller) return;
  const std::string parent = ParentOf(target);
  if (Disk().SyncDir(parent) != 0) config::ThrowSystemError("Unable to sync", parent, errno);
}

}  // namespace filepath
}  // namespace filesupport
}  // namespace mevcore
