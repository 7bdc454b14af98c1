#include <algorithm>

#include "RepositoryAccess.h"
#include "VerifySteps.h"

namespace mevstorage {
namespace git {

namespace {

template <class T, void (*Free)(T*)>
struct Held {
  T* ptr = nullptr;
  ~Held() { Free(ptr); }
};

}  // namespace

void ReachabilityWalk::FromReference(const std::string& name, const git_oid& target) {
  reference_ = name;
  pending_.push_back(Step{target, GIT_OBJECT_ANY, git_oid(), GIT_OBJECT_ANY});
  while (!pending_.empty()) {
    const Step step = pending_.back();
    pending_.pop_back();
    Visit(step);
  }
}

void ReachabilityWalk::Visit(const Step& step) {
  if (!seen_.insert(step.id).second || damaged_.count(step.id)) return;
  std::size_t size = 0;
  git_object_t type = GIT_OBJECT_INVALID;
  const int rc = git_odb_read_header(&size, &type, odb_, &step.id);
  const std::string expected =
      step.expected == GIT_OBJECT_ANY ? "object" : git_object_type2string(step.expected);
  if (rc == GIT_ENOTFOUND && step.parentType == GIT_OBJECT_ANY) {
    problems_.Add(reference_ + " names " + HexOf(step.id) + ", which is missing");
  } else if (rc == GIT_ENOTFOUND) {
    problems_.Add(expected + " " + HexOf(step.id) + ", named by " + NamedBy(step) + ", is missing");
  } else if (rc != 0) {
    problems_.Add(expected + " " + HexOf(step.id) + " cannot be read: " + LastGitError());
  } else if (step.expected != GIT_OBJECT_ANY && type != step.expected) {
    problems_.Add("object " + HexOf(step.id) + " is a " + git_object_type2string(type) + ", but " +
                  NamedBy(step) + " names it as a " + expected);
  } else {
    Descend(step.id, type);
  }
}

// Children are met in the order the object names them: a commit's tree
// before its parents, a tree's entries by name.
void ReachabilityWalk::Descend(const git_oid& id, git_object_t type) {
  const std::size_t first = pending_.size();
  if (type == GIT_OBJECT_COMMIT) DescendCommit(id);
  if (type == GIT_OBJECT_TREE) DescendTree(id);
  if (type == GIT_OBJECT_TAG) DescendTag(id);
  std::reverse(pending_.begin() + static_cast<std::ptrdiff_t>(first), pending_.end());
}

void ReachabilityWalk::DescendCommit(const git_oid& id) {
  Held<git_commit, git_commit_free> commit;
  if (git_commit_lookup(&commit.ptr, repository_, &id) != 0) {
    problems_.Add("commit " + HexOf(id) + " cannot be read: " + LastGitError());
    return;
  }
  Push(*git_commit_tree_id(commit.ptr), GIT_OBJECT_TREE, id, GIT_OBJECT_COMMIT);
  for (unsigned i = 0; i < git_commit_parentcount(commit.ptr); ++i) {
    Push(*git_commit_parent_id(commit.ptr, i), GIT_OBJECT_COMMIT, id, GIT_OBJECT_COMMIT);
  }
}

void ReachabilityWalk::DescendTree(const git_oid& id) {
  Held<git_tree, git_tree_free> tree;
  if (git_tree_lookup(&tree.ptr, repository_, &id) != 0) {
    problems_.Add("tree " + HexOf(id) + " cannot be read: " + LastGitError());
    return;
  }
  for (std::size_t i = 0; i < git_tree_entrycount(tree.ptr); ++i) {
    const git_tree_entry* entry = git_tree_entry_byindex(tree.ptr, i);
    const git_object_t type = git_tree_entry_type(entry);
    // A commit entry names another repository's commit, never stored here.
    if (type != GIT_OBJECT_COMMIT) Push(*git_tree_entry_id(entry), type, id, GIT_OBJECT_TREE);
  }
}

void ReachabilityWalk::DescendTag(const git_oid& id) {
  Held<git_tag, git_tag_free> tag;
  if (git_tag_lookup(&tag.ptr, repository_, &id) != 0) {
    problems_.Add("tag " + HexOf(id) + " cannot be read: " + LastGitError());
    return;
  }
  Push(*git_tag_target_id(tag.ptr), git_tag_target_type(tag.ptr), id, GIT_OBJECT_TAG);
}

void ReachabilityWalk::Push(const git_oid& child, git_object_t expected, const git_oid& parent,
                            git_object_t parentType) {
  if (!seen_.count(child)) pending_.push_back(Step{child, expected, parent, parentType});
}

std::string ReachabilityWalk::NamedBy(const Step& step) const {
  return std::string(git_object_type2string(step.parentType)) + " " + HexOf(step.parent);
}

}  // namespace git
}  // namespace mevstorage
