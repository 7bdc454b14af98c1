#include "FolderSnapshot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace mevstorage {
namespace testing {

namespace {

std::string ReadContent(const std::string& path, const struct stat& info) {
  if (S_ISLNK(info.st_mode)) return std::filesystem::read_symlink(path).string();
  if (!S_ISREG(info.st_mode)) return std::string();
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  if (!in) throw std::runtime_error("Unable to read " + path);
  return content.str();
}

EntryState StateOf(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) throw std::runtime_error("Unable to look at " + path);
  EntryState state;
  state.mode = info.st_mode;
  state.modified = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  state.content = ReadContent(path, info);
  return state;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const EntryState& entry) {
  return out << "{mode " << std::oct << entry.mode << std::dec << ", modified " << entry.modified
             << ", " << entry.content.size() << " bytes}";
}

FolderSnapshot SnapshotFolder(const std::string& path) {
  FolderSnapshot snapshot;
  snapshot[""] = StateOf(path);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
    const std::string full = entry.path().string();
    snapshot[full.substr(path.size() + 1)] = StateOf(full);
  }
  return snapshot;
}

}  // namespace testing
}  // namespace mevstorage
