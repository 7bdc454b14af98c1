#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>

namespace mevstorage {
namespace testing {

// The state of one entry of a folder tree.
struct EntryState {
  unsigned mode = 0;          // kind and permissions
  std::int64_t modified = 0;  // modification time in nanoseconds
  std::string content;        // a file's bytes, a link's target

  bool operator==(const EntryState& other) const {
    return mode == other.mode && modified == other.modified && content == other.content;
  }
};

std::ostream& operator<<(std::ostream& out, const EntryState& entry);

// Every entry under a folder, the folder itself as "", by relative path.
// Equal snapshots mean nothing in the tree was made, removed or changed.
using FolderSnapshot = std::map<std::string, EntryState>;

// Throws std::runtime_error when the folder cannot be read.
FolderSnapshot SnapshotFolder(const std::string& path);

}  // namespace testing
}  // namespace mevstorage
