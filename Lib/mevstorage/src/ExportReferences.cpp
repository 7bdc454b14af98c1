#include "ExportReferences.h"

#include <sys/stat.h>

#include <cerrno>
#include <set>

#include "ExportFolder.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/ByteStreams.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/filesupport/File.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

namespace {

using mevcore::filesupport::Disk;
using mevcore::filesupport::DiskInterface;

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void AddFile(const std::string& gitFolder, const std::string& name, ReferenceFiles* references) {
  try {
    references->files.emplace_back(
        name, mevcore::filesupport::ReadWholeFile(
                  mevcore::filesupport::File::FromNativePath(gitFolder + "/" + name)));
  } catch (const mevcore::config::mev_exception& error) {
    throw StorageError(error.what());
  }
}

bool Exists(const std::string& path) {
  struct stat info;
  if (Disk().Lstat(path, &info) == 0) return true;
  if (errno != ENOENT) ThrowDiskError("examine", path, errno);
  return false;
}

void AddFolder(const std::string& gitFolder, const std::string& name, ReferenceFiles* references) {
  const std::string folder = gitFolder + "/" + name;
  std::vector<DiskInterface::Entry> entries;
  if (Disk().ListDir(folder, &entries) != 0) ThrowDiskError("list", folder, errno);
  for (const DiskInterface::Entry& entry : entries) {
    const std::string child = name + "/" + entry.name;
    struct stat info;
    if (Disk().Lstat(gitFolder + "/" + child, &info) != 0) {
      ThrowDiskError("examine", gitFolder + "/" + child, errno);
    }
    if (S_ISDIR(info.st_mode)) {
      AddFolder(gitFolder, child, references);
    } else if (!EndsWith(entry.name, ".lock")) {
      AddFile(gitFolder, child, references);
    }
  }
}

}  // namespace

ReferenceFiles ReadReferenceFiles(const std::string& gitFolder) {
  ReferenceFiles references;
  AddFile(gitFolder, "HEAD", &references);
  if (Exists(gitFolder + "/packed-refs")) AddFile(gitFolder, "packed-refs", &references);
  if (Exists(gitFolder + "/refs")) AddFolder(gitFolder, "refs", &references);
  return references;
}

void WriteReferenceFiles(const ReferenceFiles& references, const std::string& gitDir) {
  std::set<std::string> folders = {"refs", "refs/heads", "refs/tags"};
  for (const auto& [name, bytes] : references.files) {
    for (std::size_t slash = name.find('/'); slash != std::string::npos;
         slash = name.find('/', slash + 1)) {
      if (folders.insert(name.substr(0, slash)).second) MakeFolder(gitDir + "/" + name.substr(0, slash));
    }
    WriteNewFile(gitDir + "/" + name, bytes);
  }
}

}  // namespace git
}  // namespace mevstorage
