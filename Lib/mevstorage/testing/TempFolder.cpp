#include "TempFolder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace mevstorage {
namespace testing {

namespace {

std::string TemporaryRoot() {
  const char* root = std::getenv("TMPDIR");
  return root && *root ? root : "/tmp";
}

}  // namespace

TempFolder::TempFolder() : TempFolder(TemporaryRoot()) {}

TempFolder::TempFolder(const std::string& base) {
  const std::string pattern = base + "/mevstorage-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) {
    throw std::runtime_error("Unable to make a folder like " + pattern + ": " +
                             std::strerror(errno));
  }
  path_ = buffer.data();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

mevcore::filesupport::Dir TempFolder::AsDir() const {
  return mevcore::filesupport::Dir::FromNativePath(path_);
}

std::string TempFolder::Child(const std::string& name) const { return path_ + "/" + name; }

mevcore::filesupport::Dir TempFolder::ChildDir(const std::string& name) const {
  return mevcore::filesupport::Dir::FromNativePath(Child(name));
}

}  // namespace testing
}  // namespace mevstorage
