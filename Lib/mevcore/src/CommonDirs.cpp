#include "mevcore/filesupport/CommonDirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "FilePath.h"
#include "mevcore/config/Exception.h"

namespace mevcore {
namespace filesupport {
namespace commondirs {
namespace {

std::size_t PasswdBufferSize() {
  const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  return suggested > 0 ? static_cast<std::size_t>(suggested) : 16384;
}

// The home folder of the user's passwd entry.
std::string PasswdHome() {
  const uid_t uid = ::getuid();
  std::vector<char> buffer(PasswdBufferSize());
  passwd entry;
  passwd* found = nullptr;
  int error;
  while ((error = ::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found)) == ERANGE) {
    buffer.resize(buffer.size() * 2);
  }
  const std::string user = "user " + std::to_string(uid);
  if (error != 0) config::ThrowSystemError("Unable to find the home folder of", user, error);
  if (found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] == '\0') {
    throw config::mev_exception("Unable to find the home folder of " + user +
                                ": the user has no home folder entry");
  }
  return found->pw_dir;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home != nullptr && home[0] != '\0' ? std::string(home) : PasswdHome();
}

}  // namespace

Dir MEVSharedDocumentsDir() {
  return Dir::FromNativePath(filepath::Join(HomeFolder(), "Documents"));
}

}  // namespace commondirs
}  // namespace filesupport
}  // namespace mevcore
