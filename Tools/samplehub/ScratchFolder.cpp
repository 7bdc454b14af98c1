#include "ScratchFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FolderFiles.h"
#include "SampleHubError.h"

namespace samplehub {

namespace {

std::string TemporaryRoot() {
  const char* root = std::getenv("TMPDIR");
  return root && *root ? root : "/tmp";
}

}  // namespace

ScratchFolder::ScratchFolder() {
  std::string pattern = JoinPath(TemporaryRoot(), "samplehub-XXXXXX");
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data()))
    throw SampleHubError("Unable to make a scratch folder in " + TemporaryRoot() + ": " +
                         std::strerror(errno));
  path_ = name.data();
}

ScratchFolder::~ScratchFolder() { RemoveQuietly(path_); }

std::string ScratchFolder::operator/(const std::string& relative) const {
  return JoinPath(path_, relative);
}

}  // namespace samplehub
