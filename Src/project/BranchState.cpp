#include "project/BranchState.h"

#include <stdexcept>

#include "mevstorage/git/References.h"
#include "project/ProjectFiles.h"
#include "records/Constants.h"

namespace velders {
namespace project {
namespace {

namespace git = mevstorage::git;
using mevcore::filesupport::Dir;
using mevcore::filesupport::File;

File ReferenceFile(const Dir& project, const std::string& name) {
  return File::FromNativePath(GitFolder(project).NativePath() + "/" + name);
}

}  // namespace

std::string ProductionTip(const git::RepositoryHandle& repository) {
  return git::ResolveReference(repository, std::string("refs/heads/") + kProductionBranch.c_str());
}

std::string HeadCommit(const git::RepositoryHandle& repository) {
  return git::ResolveReference(repository, kHead.c_str());
}

git::HeadAndReference HeadAndProduction(const git::RepositoryHandle& repository) {
  return git::ResolveHeadAnd(repository, std::string("refs/heads/") + kProductionBranch.c_str());
}

void MoveProductionOrThrow(const git::RepositoryHandle& repository, const std::string& from,
                           const std::string& commit) {
  try {
    git::ReadCommit(repository, commit);
  } catch (const git::StorageError& error) {
    throw std::runtime_error("Unable to find the recovery commit " + commit + ": " +
                             error.Reason());
  }
  try {
    git::MoveReference(repository, std::string("refs/heads/") + kProductionBranch.c_str(), from,
                       commit);
  } catch (const git::StorageError& error) {
    throw std::runtime_error(error.what());
  }
}

bool HistoryHasRecoveryCommit(const git::RepositoryHandle& repository) {
  std::string tip = ProductionTip(repository);
  if (tip.empty()) tip = HeadCommit(repository);
  return !tip.empty() &&
         git::FirstParentHistoryHas(repository, tip, "Velders Recovery (Recovered: ");
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
