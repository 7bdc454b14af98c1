#include "ExportTrees.h"

#include <git2.h>

#include <algorithm>
#include <cstring>

#include "CheckoutSteps.h"

namespace mevstorage {
namespace git {

namespace {

constexpr const char* kModes[] = {"100644", "100755", "120000", "40000", "160000"};
constexpr const char* kTreeMode = "40000";
constexpr const char* kLinkMode = "120000";

struct Entry {
  std::string mode;
  std::string name;
};

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

std::string EntryProblem(const Entry& entry) {
  if (std::find_if(std::begin(kModes), std::end(kModes),
                   [&](const char* mode) { return entry.mode == mode; }) == std::end(kModes)) {
    return "its entry " + Quoted(entry.name) + " has the mode " + entry.mode + ", which Git refuses";
  }
  const std::string& name = entry.name;
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
      IsDotGitName(name) || (name == ".gitmodules" && entry.mode == kLinkMode)) {
    return "its entry " + Quoted(name) + " has a name Git refuses";
  }
  return std::string();
}

// Git's order: names compared bytewise, a tree's name as if "/" followed it.
int CompareInGitOrder(const Entry& a, const Entry& b) {
  const std::size_t common = std::min(a.name.size(), b.name.size());
  const int compared = std::memcmp(a.name.data(), b.name.data(), common);
  if (compared != 0) return compared;
  if (a.name.size() == b.name.size()) return 0;
  const auto next = [common](const Entry& e) -> unsigned char {
    return e.name.size() > common ? static_cast<unsigned char>(e.name[common])
                                  : (e.mode == kTreeMode ? '/' : '\0');
  };
  return next(a) < next(b) ? -1 : 1;
}

// The entry at `at`, moving `at` past it; false when the bytes end early.
bool NextEntry(const std::string& data, std::size_t* at, Entry* entry) {
  const std::size_t space = data.find(' ', *at);
  const std::size_t end = space == std::string::npos ? space : data.find('\0', space);
  if (end == std::string::npos || end + 1 + GIT_OID_RAWSZ > data.size()) return false;
  entry->mode = data.substr(*at, space - *at);
  entry->name = data.substr(space + 1, end - space - 1);
  *at = end + 1 + GIT_OID_RAWSZ;
  return true;
}

}  // namespace

std::string TreeProblem(const std::string& data) {
  Entry previous;
  bool first = true;
  for (std::size_t at = 0; at < data.size(); first = false) {
    Entry entry;
    if (!NextEntry(data, &at, &entry)) return "its entries cannot be read";
    const std::string problem = EntryProblem(entry);
    if (!problem.empty()) return problem;
    const int order = first ? -1 : CompareInGitOrder(previous, entry);
    if (order == 0 || previous.name == entry.name) {
      return "it holds two entries " + Quoted(entry.name);
    }
    if (order > 0) return "its entry " + Quoted(entry.name) + " is out of Git's order";
    previous = entry;
  }
  return std::string();
}

}  // namespace git
}  // namespace mevstorage
