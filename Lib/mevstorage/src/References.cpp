#include "mevstorage/git/References.h"

#include "CommitSupport.h"
#include "RepositoryAccess.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {
namespace {

const char kWalkFailure[] = "Unable to walk the history";

git_repository* Opened(const RepositoryHandle& repository, const std::string& context) {
  if (!Holds(repository)) throw StorageError(context, "no repository is open");
  return repository->ptr;
}

// Whether the commit's message begins with `prefix`; 0, or libgit2's error.
int MessageBegins(git_repository* repository, const git_oid& id, const std::string& prefix,
                  bool* begins) {
  git_commit* commit = nullptr;
  const int result = git_commit_lookup(&commit, repository, &id);
  if (result != 0) return result;
  const char* message = git_commit_message_raw(commit);
  *begins = message && std::string(message).compare(0, prefix.size(), prefix) == 0;
  git_commit_free(commit);
  return 0;
}

}  // namespace

std::string HexOf(const git_oid& id) {
  char text[GIT_OID_HEXSZ + 1];
  git_oid_tostr(text, sizeof text, &id);
  return text;
}

git_oid IdOf(const std::string& hex) {
  git_oid id;
  if (git_oid_fromstr(&id, hex.c_str()) != 0) {
    throw StorageError("\"" + hex + "\" is not an object id");
  }
  return id;
}

std::string CommitHex(const CommitHandle& commit) {
  if (!commit || !commit->ptr) throw StorageError("Unable to tell a commit's id: no commit given");
  return HexOf(*git_commit_id(commit->ptr));
}

namespace {

// The commit `name` names in hex, empty when it names none yet; failures
// are said under `context`.
std::string Resolve(git_repository* repository, const std::string& name,
                    const std::string& context) {
  git_oid id;
  const int result = git_reference_name_to_id(&id, repository, name.c_str());
  if (result == GIT_ENOTFOUND || result == GIT_EUNBORNBRANCH) return std::string();
  if (result != 0) ThrowLastGitError(context);
  return HexOf(id);
}

// Whether HEAD is a symbolic reference to `name`; false also when HEAD
// cannot be read, which resolving it then says.
bool HeadIsSymbolicTo(git_repository* repository, const std::string& name) {
  Wrap<git_reference> head;
  if (git_reference_lookup(&head.ptr, repository, "HEAD") != 0) return false;
  const char* target = git_reference_type(head.ptr) == GIT_REFERENCE_SYMBOLIC
                           ? git_reference_symbolic_target(head.ptr)
                           : nullptr;
  return target && name == target;
}

}  // namespace

std::string ResolveReference(const RepositoryHandle& repository, const std::string& name) {
  const std::string context = "Unable to read " + name;
  return Resolve(Opened(repository, context), name, context);
}

HeadAndReference ResolveHeadAnd(const RepositoryHandle& repository, const std::string& name) {
  const std::string context = "Unable to read HEAD";
  git_repository* opened = Opened(repository, context);
  if (HeadIsSymbolicTo(opened, name)) {
    const std::string tip = Resolve(opened, name, context);
    return {tip, tip};
  }
  HeadAndReference both;
  both.head = Resolve(opened, "HEAD", context);
  both.reference = ResolveReference(repository, name);
  return both;
}

CommitHandle ReadCommit(const RepositoryHandle& repository, const std::string& hex) {
  const std::string context = "Unable to read the commit " + hex;
  CommitHandle commit = LookupCommit(Opened(repository, context), IdOf(hex));
  if (!commit) ThrowLastGitError(context);
  return commit;
}

namespace {

// libgit2's graph walk, failing on a commit it cannot read, leaves memory
// of the walk behind; a commit looked up first fails with the same reason.
void LookUpForWalk(git_repository* repository, const git_oid& id) {
  Wrap<git_commit> commit;
  if (git_commit_lookup(&commit.ptr, repository, &id) != 0) ThrowLastGitError(kWalkFailure);
}

}  // namespace

bool DescendsFrom(const RepositoryHandle& repository, const std::string& commit,
                  const std::string& ancestor) {
  if (commit == ancestor) return true;
  git_repository* opened = Opened(repository, kWalkFailure);
  const git_oid from = IdOf(commit), to = IdOf(ancestor);
  LookUpForWalk(opened, from);
  LookUpForWalk(opened, to);
  const int result = git_graph_descendant_of(opened, &from, &to);
  if (result < 0) ThrowLastGitError(kWalkFailure);
  return result == 1;
}

bool FirstParentHistoryHas(const RepositoryHandle& repository, const std::string& tip,
                           const std::string& prefix) {
  git_repository* opened = Opened(repository, kWalkFailure);
  const git_oid start = IdOf(tip);
  git_revwalk* walk = nullptr;
  if (git_revwalk_new(&walk, opened) != 0 || git_revwalk_push(walk, &start) != 0) {
    git_revwalk_free(walk);
    ThrowLastGitError(kWalkFailure);
  }
  git_revwalk_simplify_first_parent(walk);
  bool found = false;
  git_oid id;
  int result;
  while (!found && (result = git_revwalk_next(&id, walk)) == 0) {
    if ((result = MessageBegins(opened, id, prefix, &found)) != 0) break;
  }
  git_revwalk_free(walk);
  if (!found && result != GIT_ITEROVER) ThrowLastGitError(kWalkFailure);
  return found;
}

}  // namespace git
}  // namespace mevstorage
