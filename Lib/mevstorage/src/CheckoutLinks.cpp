#include "CheckoutSteps.h"
#include "RepositoryAccess.h"
#include "mevstorage/git/Wrap.h"

namespace mevstorage {
namespace git {

namespace {

// The target of the link whose blob is `id`; false, with the reason, when
// it cannot be read or could not be written as a link.
bool LoadLinkTarget(git_repository* repository, const git_oid& id, std::string* target,
                    std::string* reason) {
  git_blob* blob = nullptr;
  if (git_blob_lookup(&blob, repository, &id) != 0) {
    *reason = LastGitError("the link's blob cannot be read");
    return false;
  }
  Wrap<git_blob> held(blob);
  const auto size = static_cast<std::size_t>(git_blob_rawsize(blob));
  if (size == 0) *reason = "the symbolic link has an empty target";
  if (size > kLongestCheckoutPath) *reason = "the symbolic link's target is longer than 4095 bytes";
  if (size == 0 || size > kLongestCheckoutPath) return false;
  target->assign(static_cast<const char*>(git_blob_rawcontent(blob)), size);
  if (target->find('\0') == std::string::npos) return true;
  *reason = "the symbolic link's target holds a zero byte";
  return false;
}

struct LinkWalk {
  git_repository* repository;
  const git_tree* root;
  int linksFollowed = 0;
};

std::string Joined(const std::vector<std::string>& names) {
  std::string path;
  for (const std::string& name : names) path += (path.empty() ? "" : "/") + name;
  return path;
}

// True when the entry at `at` is a link; `id` is then its blob.
bool IsLinkAt(const LinkWalk& walk, const std::vector<std::string>& at, git_oid* id) {
  git_tree_entry* entry = nullptr;
  if (git_tree_entry_bypath(&entry, walk.root, Joined(at).c_str()) != 0) return false;
  const bool link = git_tree_entry_filemode_raw(entry) == GIT_FILEMODE_LINK;
  *id = *git_tree_entry_id(entry);
  git_tree_entry_free(entry);
  return link;
}

std::string Follow(LinkWalk& walk, std::vector<std::string>& at, const std::string& target);

// Takes the one step `name` from `at` as the system does: a link of the
// tree is followed, a folder entered, and a name the tree lacks (or a file,
// which the system would not pass) is entered as if it were a folder, as a
// folder made there later would be.
std::string Step(LinkWalk& walk, std::vector<std::string>& at, const std::string& name) {
  if (name.empty() || name == ".") return "";
  if (name == "..") {
    if (at.empty()) return "the symbolic link points outside the work tree";
    at.pop_back();
    return "";
  }
  if (IsDotGitName(name)) return "the symbolic link points into a .git folder";
  at.push_back(name);
  git_oid id;
  if (!IsLinkAt(walk, at, &id)) return "";
  if (++walk.linksFollowed > kMostLinksFollowed) {
    return "the symbolic link leads through more than 40 links";
  }
  at.pop_back();
  std::string target;
  std::string unused;
  // A link that cannot be read is refused when it is examined itself.
  if (!LoadLinkTarget(walk.repository, id, &target, &unused)) return "";
  return Follow(walk, at, target);
}

// Follows `target` from the folder `at`, leaving in `at` where it leads.
std::string Follow(LinkWalk& walk, std::vector<std::string>& at, const std::string& target) {
  if (!target.empty() && target[0] == '/') return "the symbolic link leads to an absolute path";
  std::size_t start = 0;
  while (start <= target.size()) {
    std::size_t end = target.find('/', start);
    if (end == std::string::npos) end = target.size();
    const std::string reason = Step(walk, at, target.substr(start, end - start));
    if (!reason.empty()) return reason;
    start = end + 1;
  }
  return "";
}

}  // namespace

std::string ReadLinkTarget(git_repository* repository, const git_oid& id,
                           const std::string& workTree, const std::string& path) {
  std::string target;
  std::string reason;
  if (!LoadLinkTarget(repository, id, &target, &reason)) {
    ThrowCheckoutError(workTree, path, reason);
  }
  return target;
}

std::string RefusedLinkReason(git_repository* repository, const git_tree* root,
                              const std::vector<std::string>& folder, const std::string& target) {
  LinkWalk walk{repository, root};
  std::vector<std::string> at = folder;
  return Follow(walk, at, target);
}

}  // namespace git
}  // namespace mevstorage
