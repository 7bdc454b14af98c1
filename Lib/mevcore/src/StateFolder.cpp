#include "StateFolder.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "mevcore/config/Config.h"

namespace mevcore {
namespace diagnostics {
namespace {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
  std::string home = EnvironmentValue("HOME");
  if (!home.empty()) return home;
  const passwd* entry = getpwuid(getuid());
  return entry && entry->pw_dir ? std::string(entry->pw_dir) : std::string();
}

// Relative values of XDG_STATE_HOME are ignored, as the base-directory rules
// of the desktop ask.
std::string StateHome() {
  std::string state = EnvironmentValue("XDG_STATE_HOME");
  if (!state.empty() && state[0] == '/') return state;
  std::string home = HomeFolder();
  return home.empty() ? std::string() : home + "/.local/state";
}

// The application name as one path element: no separators, not "." or "..".
std::string FolderNameOf(const utility::UTF16String& applicationName) {
  std::string name = utility::ToNarrow(utility::UTF16to8(applicationName));
  for (char& c : name) {
    if (c == '/' || c == '\0') c = '_';
  }
  if (name == "." || name == "..") name.clear();
  return name;
}

bool MakeFolderWithParents(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
    std::string prefix = path.substr(0, slash);
    if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

int OpenForAppend(const std::string& path) {
  return open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
}

bool WriteAll(int fd, const std::string& text) {
  ssize_t written;
  do {
    written = write(fd, text.data(), text.size());
  } while (written < 0 && errno == EINTR);
  return written == static_cast<ssize_t>(text.size());
}

}  // namespace

std::string StateFolderPath() {
  std::string name = FolderNameOf(config::GetApplicationName());
  std::string stateHome = StateHome();
  if (name.empty() || stateHome.empty()) return std::string();
  return stateHome + "/" + name;
}

bool AppendToStateFile(const char* name, const std::string& text) {
  const int savedErrno = errno;
  std::string folder = StateFolderPath();
  bool written = false;
  if (!folder.empty()) {
    std::string path = folder + "/" + name;
    int fd = OpenForAppend(path);
    if (fd < 0 && errno == ENOENT && MakeFolderWithParents(folder)) fd = OpenForAppend(path);
    if (fd >= 0) {
      written = WriteAll(fd, text);
      close(fd);
    }
  }
  errno = savedErrno;
  return written;
}

}  // namespace diagnostics
}  // namespace mevcore
