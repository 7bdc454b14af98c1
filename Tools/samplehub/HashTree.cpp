#include "HashTree.h"

#include <filesystem>
#include <system_error>

#include <git2.h>

#include "GitErrors.h"
#include "SampleHubError.h"

namespace samplehub {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what, const fs::path& path, const std::string& reason) {
  throw SampleHubError("Unable to " + what + " " + path.native() + ": " + reason);
}

// Keeps libgit2 initialised while it hashes.
struct LibraryInUse {
  LibraryInUse() { git_libgit2_init(); }
  ~LibraryInUse() { git_libgit2_shutdown(); }
};

std::string HashOf(const fs::directory_entry& entry) {
  std::error_code error;
  fs::file_status status = entry.symlink_status(error);
  if (error) Fail("examine", entry.path(), error.message());
  if (fs::is_directory(status)) return "dir";
  if (fs::is_symlink(status)) {
    fs::path target = fs::read_symlink(entry.path(), error);
    if (error) Fail("read the link", entry.path(), error.message());
    return "link:" + target.native();
  }
  if (!fs::is_regular_file(status)) return "other";
  git_oid oid;
  if (git_odb_hashfile(&oid, entry.path().c_str(), GIT_OBJECT_BLOB) < 0)
    Fail("hash", entry.path(), LastGitError());
  return HexOf(oid);
}

}  // namespace

std::map<std::string, std::string> HashTree(const std::string& folder) {
  LibraryInUse library;
  std::error_code error;
  fs::recursive_directory_iterator walk(fs::path(folder), error);
  if (error) Fail("list the folder", folder, error.message());
  std::map<std::string, std::string> hashes;
  while (walk != fs::recursive_directory_iterator()) {
    hashes[walk->path().lexically_relative(folder).generic_string()] = HashOf(*walk);
    walk.increment(error);
    if (error) Fail("list the folder", folder, error.message());
  }
  return hashes;
}

}  // namespace samplehub
