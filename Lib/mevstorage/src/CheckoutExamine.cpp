#include <set>

#include "CheckoutSteps.h"
#include "RepositoryAccess.h"
#include "mevstorage/git/Wrap.h"

namespace mevstorage {
namespace git {

namespace {

struct Examiner {
  git_repository* repository;
  const git_tree* root;
  const std::string& workTree;
  std::vector<std::string> folder;  // the names from the root down to the folder examined
};

// The object must be there, of the type the entry's mode says, before
// anything is written.
void CheckObject(const Examiner& examiner, const git_tree_entry* entry, const std::string& path) {
  const unsigned mode = git_tree_entry_filemode_raw(entry);
  if (mode == GIT_FILEMODE_COMMIT) return;  // another repository's commit
  const git_object_t wanted = mode == GIT_FILEMODE_TREE ? GIT_OBJECT_TREE : GIT_OBJECT_BLOB;
  git_odb* odb = nullptr;
  std::size_t size = 0;
  git_object_t type = GIT_OBJECT_INVALID;
  int result = git_repository_odb(&odb, examiner.repository);
  if (result == 0) result = git_odb_read_header(&size, &type, odb, git_tree_entry_id(entry));
  const std::string reason = LastGitError("its object cannot be read");
  git_odb_free(odb);
  if (result != 0) ThrowCheckoutError(examiner.workTree, path, reason);
  if (type != wanted) {
    ThrowCheckoutError(examiner.workTree, path,
                       std::string("the entry's object is a ") + git_object_type2string(type) +
                           ", not a " + git_object_type2string(wanted));
  }
}

void ExamineFolder(Examiner& examiner, const git_tree* tree, const std::string& prefix);

void ExamineEntry(Examiner& examiner, const git_tree_entry* entry, const std::string& path) {
  const unsigned mode = git_tree_entry_filemode_raw(entry);
  if (path.size() > kLongestCheckoutPath) {
    ThrowCheckoutError(examiner.workTree, path, "the path is longer than 4095 bytes");
  }
  CheckObject(examiner, entry, path);
  if (mode == GIT_FILEMODE_LINK) {
    const std::string target =
        ReadLinkTarget(examiner.repository, *git_tree_entry_id(entry), examiner.workTree, path);
    const std::string reason =
        RefusedLinkReason(examiner.repository, examiner.root, examiner.folder, target);
    if (!reason.empty()) ThrowCheckoutError(examiner.workTree, path, reason);
  }
  if (mode != GIT_FILEMODE_TREE) return;
  if (examiner.folder.size() >= static_cast<std::size_t>(kDeepestCheckoutFolder)) {
    ThrowCheckoutError(examiner.workTree, path, "folders are nested deeper than 256");
  }
  git_tree* subtree = nullptr;
  if (git_tree_lookup(&subtree, examiner.repository, git_tree_entry_id(entry)) != 0) {
    ThrowCheckoutError(examiner.workTree, path, LastGitError("the folder's tree cannot be read"));
  }
  Wrap<git_tree> held(subtree);
  examiner.folder.push_back(git_tree_entry_name(entry));
  ExamineFolder(examiner, subtree, path + "/");
  examiner.folder.pop_back();
}

void ExamineFolder(Examiner& examiner, const git_tree* tree, const std::string& prefix) {
  std::set<std::string> names;
  const std::size_t count = git_tree_entrycount(tree);
  for (std::size_t i = 0; i < count; ++i) {
    const git_tree_entry* entry = git_tree_entry_byindex(tree, i);
    const std::string name = git_tree_entry_name(entry);
    const std::string path = prefix + name;
    const std::string reason = RefusedNameReason(name, git_tree_entry_filemode_raw(entry));
    if (!reason.empty()) ThrowCheckoutError(examiner.workTree, path, reason);
    if (!names.insert(name).second) {
      ThrowCheckoutError(examiner.workTree, path, "the folder holds two entries of this name");
    }
    ExamineEntry(examiner, entry, path);
  }
}

}  // namespace

void ExamineCheckoutTree(git_repository* repository, const git_tree* root,
                         const std::string& workTree) {
  Examiner examiner{repository, root, workTree, {}};
  ExamineFolder(examiner, root, "");
}

}  // namespace git
}  // namespace mevstorage
