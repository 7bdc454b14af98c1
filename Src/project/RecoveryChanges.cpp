#include "project/RecoveryChanges.h"

#include <algorithm>

#include "mevstorage/git/References.h"
#include "project/BranchState.h"
#include "project/DatabaseMove.h"
#include "project/ProjectFiles.h"
#include "project/Steps.h"
#include "records/Constants.h"
#include "upgrade/DataModel.h"

namespace velders {
namespace project {
namespace {

using mevcore::filesupport::Dir;
namespace git = mevstorage::git;

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

}  // namespace

const char kUndoneTipReferences[] = "refs/pre_undo/";

std::optional<std::string> MissingSetAside(const Dir& project, const Journal& record) {
  if (!ProjectFile(project, kPreRecoverySyncFileName).Exists()) {
    return "\"pre_recovery_sync.sqlite3\" is missing, so \"sync.sqlite3\" cannot be put back";
  }
  if (record.deleted && !ProjectFile(project, kPreRecoveryDeletedFileName).Exists()) {
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
  for (const std::string& name : DatabaseFilesThere(project, kSyncFileName)) {
    changes.push_back("\"" + name + "\", made " + (name == kSyncFileName ? "again " : "") +
                      "since the recovery");
  }
  if (ReadIfRegular(ProjectFile(project, kRecoveryInfoFileName)) != record.recoveryInfo) {
    changes.push_back("\"recovery_info.txt\" as changed since the recovery");
  }
  if (!VersionAsLeft(ReadIfThere(ProjectFile(project, kVersionFileName)), record)) {
    changes.push_back("\"version\" as changed since the recovery");
  }
  return changes;
}

void ReplaceChanges(const Dir& project, const git::RepositoryHandle& repository,
                    const Journal& record) {
  const std::string tip = ProductionTip(repository);
  if (tip != record.commit) {
    if (!tip.empty()) git::SetReference(repository, KeptTipReference(tip), tip);
    git::MoveReference(repository, ProductionReference(), tip, record.commit);
  }
  for (const std::string& name : DatabaseFilesThere(project, kSyncFileName)) {
    RemoveIfThere(ProjectFile(project, name.c_str()));
  }
  if (ReadIfRegular(ProjectFile(project, kRecoveryInfoFileName)) != record.recoveryInfo) {
    WriteFileBytes(ProjectFile(project, kRecoveryInfoFileName), record.recoveryInfo);
  }
  const mevcore::filesupport::File version = ProjectFile(project, kVersionFileName);
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
  const std::vector<Step>& steps = RecoverySteps();
  std::vector<std::string> actions;
  for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
    if (auto phrase = step->undoPhrase(project, record)) actions.push_back(*phrase);
  }
  return actions;
}

}  // namespace project
}  // namespace velders
