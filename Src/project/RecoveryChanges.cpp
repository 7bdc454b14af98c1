#include "project/RecoveryChanges.h"

#include <algorithm>

#include "mevstorage/git/References.h"
#include "project/BranchState.h"
#include "project/DatabaseMove.h"
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

// A newer tip of the branch is not left unnamed when the branch goes back.
std::string KeptTipReference(const std::string& tip) { return kUndoneTipReferences + tip; }

std::string BranchChange(const git::RepositoryHandle& repository, const Journal& record) {
  const std::string tip = ProductionTip(repository);
  if (tip == record.commit) return std::string();
  if (tip.empty()) return "\"production\", removed since the recovery";
  const std::string kept = " (then named only by \"" + KeptTipReference(tip) + "\")";
  if (git::DescendsFrom(repository, tip, record.commit)) {
    return "the commits on \"production\" after the recovery commit, up to " + tip + kept;
  }
  return "\"production\" as moved since the recovery, to " + tip + kept;
}

// Whether "version" holds what the recovery left: upgraded when it upgraded;
// a promotion upgrades it too, unless that upgrade failed, which the
// recovery said and which left it as it was.
bool VersionAsLeft(const std::optional<std::string>& version, const Journal& record) {
  if (record.upgrade) return version == DataModelBytes();
  if (record.promote && version == DataModelBytes()) return true;
  return version == record.priorVersion;
}

std::string FolderName(const Dir& folder) {
  return utility::ToNarrow(utility::UTF16to8(folder.GetName()));
}

// " with \"sync.sqlite3-wal\" and \"sync.sqlite3-shm\"": the companions that
// go back with the database, by the names they get back.
std::string WithCompanions(const Dir& project) {
  const std::string database = "pre_recovery_sync.sqlite3";
  std::vector<std::string> names = DatabaseFilesThere(project, database);
  names.erase(std::remove(names.begin(), names.end(), database), names.end());
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    text += (i == 0 ? " with \"" : i + 1 == names.size() ? " and \"" : ", \"") +
            names[i].substr(std::string("pre_recovery_").size()) + "\"";
  }
  return text;
}

}  // namespace

const char kUndoneTipReferences[] = "refs/pre_undo/";

std::optional<std::string> MissingSetAside(const Dir& project, const Journal& record) {
  if (!ProjectFile(project, "pre_recovery_sync.sqlite3").Exists()) {
    return "\"pre_recovery_sync.sqlite3\" is missing, so \"sync.sqlite3\" cannot be put back";
  }
  if (record.deleted && !ProjectFile(project, "pre_recovery_deleted").Exists()) {
    return "\"pre_recovery_deleted\" is missing, so \"deleted\" cannot be put back";
  }
  return std::nullopt;
}

std::vector<std::string> ChangesSinceRecovery(const Dir& project,
                                              const git::RepositoryHandle& repository,
                                              const Journal& record) {
  std::vector<std::string> changes;
  const std::string branch = BranchChange(repository, record);
  if (!branch.empty()) changes.push_back(branch);
  for (const std::string& name : DatabaseFilesThere(project, "sync.sqlite3")) {
    changes.push_back("\"" + name + "\", made " + (name == "sync.sqlite3" ? "again " : "") +
                      "since the recovery");
  }
  if (ReadIfRegular(ProjectFile(project, "recovery_info.txt")) != record.recoveryInfo) {
    changes.push_back("\"recovery_info.txt\" as changed since the recovery");
  }
  if (!VersionAsLeft(ReadIfThere(ProjectFile(project, "version")), record)) {
    changes.push_back("\"version\" as changed since the recovery");
  }
  return changes;
}

void ReplaceChanges(const Dir& project, const git::RepositoryHandle& repository,
                    const Journal& record) {
  const std::string tip = ProductionTip(repository);
  if (tip != record.commit) {
    if (!tip.empty()) git::SetReference(repository, KeptTipReference(tip), tip);
    git::SetReference(repository, ProductionReference(), record.commit);
  }
  for (const std::string& name : DatabaseFilesThere(project, "sync.sqlite3")) {
    RemoveIfThere(ProjectFile(project, name.c_str()));
  }
  if (ReadIfRegular(ProjectFile(project, "recovery_info.txt")) != record.recoveryInfo) {
    WriteFileBytes(ProjectFile(project, "recovery_info.txt"), record.recoveryInfo);
  }
  const mevcore::filesupport::File version = ProjectFile(project, "version");
  if (VersionAsLeft(ReadIfThere(version), record)) return;
  const std::optional<std::string> left =
      record.upgrade || record.promote ? DataModelBytes() : record.priorVersion;
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
  actions.push_back("put \"sync.sqlite3\" back" + WithCompanions(project));
  if (record.upgrade || record.promote) actions.push_back("put \"version\" back as it was");
  actions.push_back(record.priorRecoveryInfo ? "put \"recovery_info.txt\" back as it was"
                                             : std::string("remove \"recovery_info.txt\""));
  if (record.keepProduction) actions.push_back(std::string("remove ") + kKeptProductionReference);
  return actions;
}

}  // namespace project
}  // namespace velders
