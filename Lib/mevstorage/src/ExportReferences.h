#pragma once

#include <string>
#include <utility>
#include <vector>

namespace mevstorage {
namespace git {

// A store's references as files: HEAD, "packed-refs" when there is one, and
// every loose file under "refs" but Git's lock files, each by its path inside
// the git folder, with its bytes.
struct ReferenceFiles {
  std::vector<std::pair<std::string, std::string>> files;
};

// Reads them through Disk(), following no folder link; anything but a
// regular file is refused. Throws StorageError naming the file.
ReferenceFiles ReadReferenceFiles(const std::string& gitFolder);

// Writes them, as they are, into the new repository `gitDir`, whose "refs"
// folder exists; the folders between are made. Throws StorageError.
void WriteReferenceFiles(const ReferenceFiles& references, const std::string& gitDir);

}  // namespace git
}  // namespace mevstorage
