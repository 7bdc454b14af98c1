#include "project/BranchState.h"

#include <git2.h>

#include <stdexcept>

#include "project/ProjectFiles.h"
#include "records/Constants.h"

namespace velders {
namespace project {
namespace {

namespace git = mevstorage::git;
using mevcore::filesupport::Dir;
using mevcore::filesupport::File;

git_oid Id(const std::string& hex) {
  git_oid id;
  if (git_oid_fromstr(&id, hex.c_str()) != 0) {
    throw std::runtime_error("\"" + hex + "\" is not an object id");
  }
  return id;
}

// The id a reference names; empty when it does not exist.
std::string Resolve(const git::RepositoryHandle& repository, const std::string& name) {
  git_oid id;
  const int result = git_reference_name_to_id(&id, repository->ptr, name.c_str());
  if (result == GIT_ENOTFOUND || result == GIT_EUNBORNBRANCH) return std::string();
  if (result != 0) throw std::runtime_error("Unable to read " + name + ": " + LastGitReason());
  return IdText(id);
}

File ReferenceFile(const Dir& project, const std::string& name) {
  return File::FromNativePath(GitFolder(project).NativePath() + "/" + name);
}

}  // namespace

std::string LastGitReason() {
  const git_error* error = git_error_last();
  return error && error->message ? error->message : "unknown reason";
}

std::string IdText(const git_oid& id) {
  char text[GIT_OID_HEXSZ + 1];
  git_oid_tostr(text, sizeof text, &id);
  return text;
}

std::string ProductionTip(const git::RepositoryHandle& repository) {
  return Resolve(repository, std::string("refs/heads/") + kProductionBranch.c_str());
}

std::string HeadCommit(const git::RepositoryHandle& repository) {
  return Resolve(repository, kHead.c_str());
}

bool Reaches(const git::RepositoryHandle& repository, const std::string& commit,
             const std::string& ancestor) {
  if (commit == ancestor) return true;
  const git_oid from = Id(commit), to = Id(ancestor);
  const int result = git_graph_descendant_of(repository->ptr, &from, &to);
  if (result < 0) throw std::runtime_error("Unable to walk the history: " + LastGitReason());
  return result == 1;
}

void MoveProductionOrThrow(const git::RepositoryHandle& repository, const std::string& commit) {
  git_commit* found = nullptr;
  const git_oid id = Id(commit);
  if (git_commit_lookup(&found, repository->ptr, &id) != 0) {
    throw std::runtime_error("Unable to find the recovery commit " + commit + ": " + LastGitReason());
  }
  const git::CommitHandle handle(new git::Wrap<git_commit>(found));
  if (!git::SetBranchToCommit(repository, kProductionBranch, handle)) {
    throw std::runtime_error(LastGitReason());
  }
}

void SetReferenceOrThrow(const git::RepositoryHandle& repository, const std::string& name,
                         const std::string& target) {
  if (!git::SetReference(repository, name, Id(target))) throw std::runtime_error(LastGitReason());
}

void RemoveReferenceOrThrow(const git::RepositoryHandle& repository, const std::string& name) {
  if (!git::RemoveReference(repository, name)) throw std::runtime_error(LastGitReason());
}

bool HistoryHasRecoveryCommit(const git::RepositoryHandle& repository) {
  std::string tip = ProductionTip(repository);
  if (tip.empty()) tip = HeadCommit(repository);
  if (tip.empty()) return false;
  git_revwalk* walk = nullptr;
  const git_oid start = Id(tip);
  if (git_revwalk_new(&walk, repository->ptr) != 0 || git_revwalk_push(walk, &start) != 0) {
    git_revwalk_free(walk);
    throw std::runtime_error("Unable to walk the history: " + LastGitReason());
  }
  git_revwalk_simplify_first_parent(walk);
  static const std::string kPrefix = "Velders Recovery (Recovered: ";
  bool found = false;
  git_oid id;
  int result;
  while (!found && (result = git_revwalk_next(&id, walk)) == 0) {
    git_commit* commit = nullptr;
    if ((result = git_commit_lookup(&commit, repository->ptr, &id)) != 0) break;
    const char* message = git_commit_message_raw(commit);
    found = message && std::string(message).compare(0, kPrefix.size(), kPrefix) == 0;
    git_commit_free(commit);
  }
  git_revwalk_free(walk);
  // A history that cannot be read to its end tells nothing.
  if (!found && result != GIT_ITEROVER) {
    throw std::runtime_error("Unable to walk the history: " + LastGitReason());
  }
  return found;
}

bool ReferenceFileHolds(const Dir& project, const std::string& name, const std::string& target) {
  const std::optional<std::string> text = ReadIfThere(ReferenceFile(project, name));
  return text && *text == target + "\n";
}

void ClearOwnLock(const Dir& project, const std::string& name, const std::string& target) {
  const File lock = ReferenceFile(project, name + ".lock");
  const std::optional<std::string> text = ReadIfThere(lock);
  const std::string line = target + "\n";
  if (text && text->size() <= line.size() && line.compare(0, text->size(), *text) == 0) {
    RemoveIfThere(lock);
  }
}

}  // namespace project
}  // namespace velders
