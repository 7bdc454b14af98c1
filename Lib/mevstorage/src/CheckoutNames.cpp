#include <git2/sys/path.h>

#include <cstdio>

#include "CheckoutSteps.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

namespace {

// A tree's names are bytes; a control character in a message could pass
// for the message's own line breaks.
std::string Shown(const std::string& path) {
  std::string shown;
  for (const char c : path) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) {
      shown += c;
      continue;
    }
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
    shown += escaped;
  }
  return shown;
}

unsigned char Byte(const std::string& text, std::size_t i) {
  return static_cast<unsigned char>(text[i]);
}

// The UTF-8 code points at `i` that HFS+ leaves out when it compares names:
// U+200C to U+200F, U+202A to U+202E, U+206A to U+206F and U+FEFF.
bool IsIgnorableAt(const std::string& name, std::size_t i) {
  if (i + 3 > name.size()) return false;
  const unsigned char second = Byte(name, i + 1);
  const unsigned char third = Byte(name, i + 2);
  if (Byte(name, i) == 0xef) return second == 0xbb && third == 0xbf;
  if (Byte(name, i) != 0xe2) return false;
  if (second == 0x80) return (third >= 0x8c && third <= 0x8f) || (third >= 0xaa && third <= 0xae);
  return second == 0x81 && third >= 0xaa && third <= 0xaf;
}

// The name as the most forgiving file system compares it: ignorable code
// points left out, ASCII case folded, an NTFS stream (":...") and trailing
// dots and spaces cut.
std::string ComparedName(const std::string& name) {
  std::string folded;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (IsIgnorableAt(name, i)) {
      i += 2;
      continue;
    }
    if (name[i] == ':') break;
    const char c = name[i];
    folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  while (!folded.empty() && (folded.back() == '.' || folded.back() == ' ')) folded.pop_back();
  return folded;
}

// Git reads .gitmodules from the work tree, and refuses to check it out as
// a link.
bool IsGitmodulesName(const std::string& name) {
  return ComparedName(name) == ".gitmodules" ||
         git_path_is_gitfile(name.c_str(), name.size(), GIT_PATH_GITFILE_GITMODULES,
                             GIT_PATH_FS_GENERIC);
}

bool IsKnownMode(unsigned mode) {
  switch (mode) {
    case GIT_FILEMODE_TREE:
    case GIT_FILEMODE_BLOB:
    case GIT_FILEMODE_BLOB_EXECUTABLE:
    case GIT_FILEMODE_LINK:
    case GIT_FILEMODE_COMMIT:
    case 0100664:  // what early versions of Git wrote for a file
      return true;
    default:
      return false;
  }
}

}  // namespace

void ThrowCheckoutError(const std::string& workTree, const std::string& path,
                        const std::string& reason) {
  if (path.empty()) throw StorageError("Unable to check out into " + workTree + ": " + reason);
  throw StorageError("Unable to check out " + Shown(path) + " in " + workTree + ": " + reason);
}

bool IsDotGitName(const std::string& name) {
  const std::string compared = ComparedName(name);
  return compared == ".git" || compared == "git~1";
}

std::string RefusedNameReason(const std::string& name, unsigned rawMode) {
  if (name.empty()) return "the entry has no name";
  if (name == "." || name == "..") return "the name \"" + name + "\" names a folder, not an entry";
  if (name.size() > kLongestCheckoutName) return "the name is longer than 255 bytes";
  if (name.find('/') != std::string::npos) return "the name holds a \"/\"";
  if (name.find('\\') != std::string::npos) return "the name holds a backslash";
  if (IsDotGitName(name)) return "the name is taken by the repository's .git folder";
  if (!IsKnownMode(rawMode)) {
    char mode[16];
    std::snprintf(mode, sizeof mode, "%06o", rawMode);
    return std::string("the entry has the unknown mode ") + mode;
  }
  if (rawMode == GIT_FILEMODE_LINK && IsGitmodulesName(name)) {
    return "Git reads .gitmodules itself, so it cannot be a symbolic link";
  }
  return "";
}

}  // namespace git
}  // namespace mevstorage
