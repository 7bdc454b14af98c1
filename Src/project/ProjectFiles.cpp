#include "project/ProjectFiles.h"

#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/ByteStreams.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/filesupport/DurableWrite.h"
#include "mevcore/utility/Text.h"
#include "records/Constants.h"

namespace velders {
namespace project {

using mevcore::config::ThrowSystemError;
using mevcore::filesupport::Dir;
using mevcore::filesupport::Disk;
using mevcore::filesupport::File;
using mevcore::utility::AsciiToUTF16;

Dir GitFolder(const Dir& project) { return Dir(project, AsciiToUTF16(kGitFolderName)); }

File ProjectFile(const Dir& project, const char* name) {
  return File(project, AsciiToUTF16(name));
}

std::optional<std::string> ReadIfThere(const File& file) {
  if (!file.Exists()) return std::nullopt;
  return ReadFileBytes(file);
}

std::optional<std::string> ReadIfRegular(const File& file) {
  struct stat info;
  if (Disk().Lstat(file.NativePath(), &info) != 0) {
    if (errno == ENOENT) return std::nullopt;
    ThrowSystemError("Unable to examine", file.NativePath(), errno);
  }
  if (!S_ISREG(info.st_mode)) return std::nullopt;
  return ReadFileBytes(file);
}

std::string ReadFileBytes(const File& file) { return mevcore::filesupport::ReadWholeFile(file); }

void WriteFileBytes(const File& file, const std::string& bytes) {
  mevcore::filesupport::DurableWriteOptions options;
  options.refuseUnwritable = true;
  mevcore::filesupport::DurableWriteFailure failure;
  const int error = mevcore::filesupport::WriteFileDurably(file.NativePath(), bytes.data(),
                                                           bytes.size(), options, &failure);
  if (error != 0) ThrowSystemError("Unable to " + failure.step, failure.path, error);
}

void SyncFolder(const Dir& folder) {
  if (Disk().SyncDir(folder.NativePath()) != 0) {
    ThrowSystemError("Unable to sync", folder.NativePath(), errno);
  }
}

namespace {

// A file system mounted read-only refuses to remove a name before it looks
// the name up, so a refusal is asked whether the file was there at all.
bool NotThere(const std::string& path) {
  struct stat info;
  return Disk().Lstat(path, &info) != 0 && errno == ENOENT;
}

}  // namespace

void RemoveIfThere(const File& file) {
  if (Disk().Remove(file.NativePath()) != 0) {
    const int error = errno;
    if (error == ENOENT || NotThere(file.NativePath())) return;
    ThrowSystemError("Unable to remove", file.NativePath(), error);
  }
  const std::string folder = file.GetDir().NativePath();
  if (Disk().SyncDir(folder) != 0) ThrowSystemError("Unable to sync", folder, errno);
}

bool RenameIfThere(const File& file, const char* to) {
  File renamed = file;
  if (!file.Exists() || File(file.GetDir(), AsciiToUTF16(to)).Exists()) return false;
  renamed.Rename(AsciiToUTF16(to));
  return true;
}

void RemoveStaleTemporaries(const Dir& project) {
  for (const std::string& folder : {project.NativePath(), GitFolder(project).NativePath()}) {
    std::vector<mevcore::filesupport::DiskInterface::Entry> entries;
    if (Disk().ListDir(folder, &entries) != 0) continue;
    for (const auto& entry : entries) {
      if (mevcore::filesupport::IsStaleTemporaryName(entry.name)) {
        Disk().Remove(folder + "/" + entry.name);
      }
    }
  }
}

}  // namespace project
}  // namespace velders
