#include "mevcore/filesupport/File.h"

#include <fcntl.h>

#include <cerrno>

#include "FilePath.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/filesupport/RegularFile.h"

namespace mevcore {
namespace filesupport {
namespace {

// Where the extension's dot is in `name`; npos when the name has none. A dot
// that opens the name (".profile") starts no extension.
std::size_t ExtensionDot(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == 0 ? std::string::npos : dot;
}

constexpr mode_t kNewFileMode = 0644;

}  // namespace

File::File(const utility::UTF16String& path)
    : path_(filepath::WithoutTrailingSlash(filepath::FromUTF16(path))) {}

File::File(const Dir& folder, const utility::UTF16String& name)
    : path_(filepath::Join(folder.NativePath(), filepath::FromUTF16(name))) {}

File File::FromNativePath(std::string path) {
  File file;
  file.path_ = filepath::WithoutTrailingSlash(std::move(path));
  return file;
}

bool File::Exists() const {
  struct stat info;
  if (Disk().Lstat(path_, &info) == 0) return true;
  if (errno == ENOENT || errno == ENOTDIR) return false;
  config::ThrowSystemError("Unable to examine", path_, errno);
}

std::uint64_t File::Length() const {
  struct stat info;
  if (Disk().Stat(path_, &info) != 0) config::ThrowSystemError("Unable to examine", path_, errno);
  if (!S_ISREG(info.st_mode)) config::ThrowSystemError("Unable to examine", path_, config::kNotRegularFile);
  return static_cast<std::uint64_t>(info.st_size);
}

utility::UTF16String File::FullPath() const { return filepath::ToUTF16(path_); }

utility::UTF16String File::GetName() const {
  return filepath::ToUTF16(filepath::LastElement(path_));
}

Dir File::GetDir() const { return Dir::FromNativePath(filepath::ParentOf(path_)); }

utility::UTF16String File::GetExtension(bool withDot) const {
  const std::string name = filepath::LastElement(path_);
  const std::size_t dot = ExtensionDot(name);
  if (dot == std::string::npos) return utility::UTF16String();
  return filepath::ToUTF16(name.substr(withDot ? dot : dot + 1));
}

utility::UTF16String File::GetTitle() const {
  const std::string name = filepath::LastElement(path_);
  return filepath::ToUTF16(name.substr(0, ExtensionDot(name)));
}

void File::Rename(const utility::UTF16String& newName, FolderSync sync) {
  filepath::RenameWithinParent(&path_, newName, sync);
}

void File::Create(bool failIfExists) {
  const int fd = OpenRegularFile(path_, O_WRONLY | O_CREAT | (failIfExists ? O_EXCL : 0), kNewFileMode);
  if (fd < 0) config::ThrowSystemError("Unable to create", path_, errno);
  if (Disk().Close(fd) != 0) config::ThrowSystemError("Unable to close", path_, errno);
}

}  // namespace filesupport
}  // namespace mevcore
