#include "project/RecoveryChanges.h"

#include "project/BranchState.h"
#include "project/FolderNames.h"
#include "project/ProjectFiles.h"
#include "records/Constants.h"
#include "upgrade/DataModel.h"

namespace velders {
namespace project {
namespace {

using mevcore::filesupport::Dir;
namespace git = mevstorage::git;
namespace utility = mevcore::utility;

std::string ProductionReference() {
  return std::string("refs/heads/") + kProductionBranch.c_str();
}

std::string BranchChange(const git::RepositoryHandle& repository, const Journal& record) {
  const std::string tip = ProductionTip(repository);
  if (tip == record.commit) return std::string();
  if (tip.empty()) return "\"production\", removed since the recovery";
  if (Reaches(repository, tip, record.commit)) {
    return "the commits on \"production\" after the recovery commit, up to " + tip;
  }
  return "\"production\" as moved since the recovery, to " + tip;
}

// "version" as the recovery left it: upgraded when it upgraded or promoted.
std::optional<std::string> VersionLeft(const Journal& record) {
  if (!record.upgrade && !record.promote) return record.priorVersion;
  const utility::UTF8String current = DataModelJson();
  return std::string(current.begin(), current.end());
}

std::string FolderName(const Dir& folder) {
  return utility::ToNarrow(utility::UTF16to8(folder.GetName()));
}

}  // namespace

std::vector<std::string> ChangesSinceRecovery(const Dir& project,
                                              const git::RepositoryHandle& repository,
                                              const Journal& record) {
  std::vector<std::string> changes;
  const std::string branch = BranchChange(repository, record);
  if (!branch.empty()) changes.push_back(branch);
  if (ProjectFile(project, "sync.sqlite3").Exists()) {
    changes.push_back("\"sync.sqlite3\", made again since the recovery");
  }
  if (ReadIfRegular(ProjectFile(project, "recovery_info.txt")) != record.recoveryInfo) {
    changes.push_back("\"recovery_info.txt\" as changed since the recovery");
  }
  if (ReadIfThere(ProjectFile(project, "version")) != VersionLeft(record)) {
    changes.push_back("\"version\" as changed since the recovery");
  }
  return changes;
}

void ReplaceChanges(const Dir& project, const git::RepositoryHandle& repository,
                    const Journal& record) {
  if (ProductionTip(repository) != record.commit) {
    SetReferenceOrThrow(repository, ProductionReference(), record.commit);
  }
  RemoveIfThere(ProjectFile(project, "sync.sqlite3"));
  if (ReadIfRegular(ProjectFile(project, "recovery_info.txt")) != record.recoveryInfo) {
    WriteFileBytes(ProjectFile(project, "recovery_info.txt"), record.recoveryInfo);
  }
  const mevcore::filesupport::File version = ProjectFile(project, "version");
  const std::optional<std::string> left = VersionLeft(record);
  if (ReadIfThere(version) == left) return;
  if (left) {
    WriteFileBytes(version, *left);
  } else {
    RemoveIfThere(version);
  }
}

std::vector<std::string> UndoActions(const Dir& project, const Journal& record) {
  std::vector<std::string> actions;
  if (record.promote && IsPromotedName(project.GetName())) {
    actions.push_back("rename the folder to \"" +
                      FolderName(Dir(project.Parent(), DemotedName(project.GetName()))) + "\"");
  }
  actions.push_back(record.production ? "move \"production\" back to " + *record.production
                                      : std::string("remove \"production\""));
  if (record.deleted) actions.push_back("put \"deleted\" back");
  actions.push_back("put \"sync.sqlite3\" back");
  if (record.upgrade || record.promote) actions.push_back("put \"version\" back as it was");
  actions.push_back(record.priorRecoveryInfo ? "put \"recovery_info.txt\" back as it was"
                                             : std::string("remove \"recovery_info.txt\""));
  if (record.keepProduction) actions.push_back(std::string("remove ") + kKeptProductionReference);
  return actions;
}

}  // namespace project
}  // namespace velders
