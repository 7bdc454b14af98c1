// Fuzzes the scanner that finds the files a repository's configuration
// includes, against libgit2's own reading of the same text. The scanner
// exists so that every file libgit2 may open is examined first; so every
// include libgit2 records ("include.path" and "includeIf.<condition>.path")
// in a configuration it accepts must be among the scanner's paths.
//
// libgit2 follows the includes it finds. It is only given a configuration
// whose scanned includes are missing or regular files, as OpenRepository
// only lets it open such a one; an include the scanner misses that names a
// FIFO then shows as a hang.

#include <git2.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ConfigIncludes.h"
#include "FuzzSupport.h"
#include "ScratchFolder.h"

namespace {

samplehub::ScratchFolder& Scratch() {
  static samplehub::ScratchFolder folder;
  return folder;
}

bool SafeForLibgit2(const std::vector<std::string>& paths) {
  return std::all_of(paths.begin(), paths.end(), [](const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode);
  });
}

bool IsInclude(const char* name) {
  const std::size_t length = std::strlen(name);
  return std::strcmp(name, "include.path") == 0 ||
         (std::strncmp(name, "includeif.", 10) == 0 && length > 15 &&
          std::strcmp(name + length - 5, ".path") == 0);
}

// The includes libgit2 records in the file itself, as the scanner gives
// them: relative ones against the file's folder, none from the home folder.
std::vector<std::string> Libgit2Includes(const std::string& file, const std::string& folder,
                                         bool* accepted) {
  std::vector<std::string> paths;
  git_config* config = nullptr;
  *accepted = git_config_open_ondisk(&config, file.c_str()) == 0;
  if (!*accepted) return paths;
  struct Found {
    const std::string& folder;
    std::vector<std::string>& paths;
  } found{folder, paths};
  git_config_foreach(
      config,
      [](const git_config_entry* entry, void* payload) {
        auto& into = *static_cast<Found*>(payload);
        if (entry->include_depth != 0 || !IsInclude(entry->name) || !entry->value) return 0;
        const std::string value = entry->value;
        if (value.empty() || value.rfind("~/", 0) == 0) return 0;
        into.paths.push_back(value[0] == '/' ? value : into.folder + "/" + value);
        return 0;
      },
      &found);
  git_config_free(config);
  return paths;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::StartStorage();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string& folder = Scratch().Path();
  const std::vector<std::string> scanned = mevstorage::git::IncludedPaths(text, folder);
  if (!SafeForLibgit2(scanned)) return 0;
  const std::string file = Scratch() / "config";
  fuzz::WriteFile(file, text);
  bool accepted = false;
  for (const std::string& path : Libgit2Includes(file, folder, &accepted)) {
    if (std::find(scanned.begin(), scanned.end(), path) == scanned.end()) {
      fuzz::Fail("libgit2 includes " + path + ", which the scanner does not find", text);
    }
  }
  return 0;
}
