#include "project/Steps.h"

#include <boost/make_shared.hpp>

#include "Model/Utils.h"
#include "mevcore/filesupport/File.h"
#include "mevcore/utility/Text.h"
#include "project/BranchState.h"
#include "project/DatabaseMove.h"
#include "project/FolderNames.h"
#include "project/ProjectFiles.h"
#include "records/Constants.h"
#include "upgrade/DataModel.h"
#include "upgrade/PromoteProjectFolder.h"

namespace velders {
namespace project {
namespace {

using mevcore::filesupport::Dir;
using mevcore::filesupport::File;
using mevcore::filesupport::FolderSync;
namespace git = mevstorage::git;

// A regular file that holds exactly `bytes`.
bool Holds(const File& file, const std::string& bytes) {
  const std::optional<std::string> now = ReadIfRegular(file);
  return now && *now == bytes;
}

bool Always(const Journal&) { return true; }

// The branch steps had no console line of their own: their failures are
// said by their reasons.
template <typename Action>
void SaidByReason(const Action& action) {
  try {
    action();
  } catch (const StepFailure&) {
    throw;
  } catch (const std::exception& error) {
    throw StepFailure(FailureKind::kOther, error.what());
  }
}

// The journal.

void WriteTheJournal(StepContext& c) { WriteJournal(InProgressFile(c.project), c.journal); }
void RemoveTheJournal(StepContext& c) { RemoveIfThere(InProgressFile(c.project)); }
bool JournalThere(StepContext& c) { return InProgressFile(c.project).Exists(); }

// The old tip of the branch, kept when the recovery commit does not descend
// from it.

bool KeepsProduction(const Journal& j) { return j.keepProduction; }

void KeepProduction(StepContext& c) {
  SaidByReason([&] {
    git::SetReference(Repository(c), kKeptProductionReference, *c.journal.production);
  });
}
void DropKeptProduction(StepContext& c) {
  ClearOwnLock(c.project, kKeptProductionReference, *c.journal.production);
  if (ReferenceFileHolds(c.project, kKeptProductionReference, *c.journal.production)) {
    git::RemoveReference(Repository(c), kKeptProductionReference);
  }
}
bool ProductionKept(StepContext& c) {
  return ReferenceFileHolds(c.project, kKeptProductionReference, *c.journal.production);
}

// "recovery_info.txt".

File RecoveryInfoFile(const Dir& project) { return ProjectFile(project, "recovery_info.txt"); }
bool RecoveryInfoWritten(StepContext& c) {
  return Holds(RecoveryInfoFile(c.project), c.journal.recoveryInfo);
}
// Through the string files, whose failure the log records; the console line
// is the procedure's own. The folder is synced once, before the branch moves
// (MoveBranch), for this file and the set-asides together.
void WriteRecoveryInfo(StepContext& c) {
  const std::string& text = c.journal.recoveryInfo;
  if (!YondraLocalHub::WriteStringFile(RecoveryInfoFile(c.project),
                                       mevcore::utility::UTF8String(text.begin(), text.end()),
                                       FolderSync::kByCaller)) {
    throw StepFailure(FailureKind::kWriteFiles,
                      "Unable to write " + RecoveryInfoFile(c.project).FullPathMultiByte());
  }
}
// A file that was not there before goes only if it holds what the step
// wrote: whatever else is there now was not made by the recovery.
void RestoreRecoveryInfo(StepContext& c) {
  const File file = RecoveryInfoFile(c.project);
  if (!c.journal.priorRecoveryInfo) {
    if (RecoveryInfoWritten(c)) RemoveIfThere(file);
    return;
  }
  if (!Holds(file, *c.journal.priorRecoveryInfo)) WriteFileBytes(file, *c.journal.priorRecoveryInfo);
}

// "version" and its saved copy: the upgrade and the promotion's upgrade are
// both taken back by putting the old content back.

bool Upgrades(const Journal& j) { return j.upgrade; }
void Upgrade(StepContext& c) {
  if (!UpgradeDataModel(c.project)) {
    throw StepFailure(FailureKind::kUpgrade, "Unable to upgrade the data model");
  }
}
void RestoreVersion(StepContext& c) {
  const File version = ProjectFile(c.project, "version");
  if (!c.journal.priorVersion) {
    RemoveIfThere(version);
  } else if (!Holds(version, *c.journal.priorVersion)) {
    WriteFileBytes(version, *c.journal.priorVersion);
  }
  if (!c.journal.savedVersionExisted) RemoveIfThere(ProjectFile(c.project, "pre_recovery_version"));
}
// A "version" that held the current data model already is upgraded only
// once its copy is saved.
bool Upgraded(StepContext& c) {
  return Holds(ProjectFile(c.project, "version"), DataModelBytes()) &&
         ProjectFile(c.project, "pre_recovery_version").Exists();
}

// The set-aside renames: "<name>" becomes "pre_recovery_<name>".

void SetAside(StepContext& c, const char* name) {
  File file = ProjectFile(c.project, name);
  file.Rename(mevcore::utility::AsciiToUTF16((std::string("pre_recovery_") + name).c_str()),
              FolderSync::kByCaller);
}
void PutBack(StepContext& c, const char* name) {
  RenameIfThere(ProjectFile(c.project, (std::string("pre_recovery_") + name).c_str()), name);
}
bool IsSetAside(StepContext& c, const char* name) {
  return !ProjectFile(c.project, name).Exists() &&
         ProjectFile(c.project, (std::string("pre_recovery_") + name).c_str()).Exists();
}

// The database goes with its companions, and last: until it has gone, the
// step is not done, and finishing it moves what is left. A name taken on
// the other side stops the step before any rename. The put-back syncs the
// folder at each rename, since no later step does.
void SetAsideSync(StepContext& c) {
  MoveDatabase(c.project, "sync.sqlite3", "pre_recovery_sync.sqlite3", FolderSync::kByCaller);
}
void PutBackSync(StepContext& c) {
  MoveDatabase(c.project, "pre_recovery_sync.sqlite3", "sync.sqlite3", FolderSync::kNow);
}
bool SyncSetAside(StepContext& c) {
  return DatabaseMoved(c.project, "sync.sqlite3", "pre_recovery_sync.sqlite3");
}

bool SetsAsideDeleted(const Journal& j) { return j.deleted; }
void SetAsideDeleted(StepContext& c) { SetAside(c, "deleted"); }
void PutBackDeleted(StepContext& c) { PutBack(c, "deleted"); }
bool DeletedSetAside(StepContext& c) { return IsSetAside(c, "deleted"); }

// The branch move: the commit point.

// Every change to the folder before the commit point is made durable first,
// with one sync of the folder.
void MoveBranch(StepContext& c) {
  SyncFolder(c.project);
  SaidByReason([&] { MoveProductionOrThrow(Repository(c), c.journal.commit); });
}
// A lock left by a move that stopped, either way: to the recovery commit or
// back to the old tip.
void MoveBranchBack(StepContext& c) {
  const std::string branch = std::string("refs/heads/") + kProductionBranch.c_str();
  ClearOwnLock(c.project, branch, c.journal.commit);
  if (c.journal.production) ClearOwnLock(c.project, branch, *c.journal.production);
  if (ProductionTip(Repository(c)) != c.journal.commit) return;
  if (c.journal.production) {
    git::SetReference(Repository(c), branch, *c.journal.production);
  } else {
    git::RemoveReference(Repository(c), branch);
  }
}
bool BranchMoved(StepContext& c) { return ProductionTip(Repository(c)) == c.journal.commit; }

// The promotion of a ".vd" folder.

bool Promotes(const Journal& j) { return j.promote; }

// The folder under its older name, whichever name it has now.
Dir OlderFolder(const Dir& project) {
  const auto name = project.GetName();
  return IsPromotedName(name) ? Dir(project.Parent(), DemotedName(name)) : project;
}

Dir PromotedFolder(const Dir& project) {
  const Dir older = OlderFolder(project);
  return Dir(older.Parent(), PromotedName(older.GetName()));
}

// Renamed: the older name is gone and the promoted one is there. A rename
// that failed after it was made (the folder sync) counts as made.
bool Promoted(StepContext& c) {
  return !OlderFolder(c.project).Exists() && PromotedFolder(c.project).Exists();
}

void Promote(StepContext& c) {
  c.repository.reset();
  const Dir promoted = PromotedFolder(c.project);
  if (!PromoteProjectFolder(OlderFolder(c.project))) c.promotionUpgradeFailed = true;
  c.project = promoted;
}

// The folder goes by its older name from the rename on, also when the
// folder sync after it fails.
void Demote(StepContext& c) {
  c.repository.reset();
  const Dir older = OlderFolder(c.project);
  if (Promoted(c)) {
    Dir promoted = PromotedFolder(c.project);
    try {
      promoted.Rename(older.GetName());
    } catch (const std::exception&) {
      if (!Promoted(c)) c.project = older;
      throw;
    }
  }
  c.project = older;
  RestoreVersion(c);
}

}  // namespace

const std::vector<Step>& RecoverySteps() {
  static const std::vector<Step> steps = {
      {"write the recovery journal", Always, WriteTheJournal, RemoveTheJournal, JournalThere},
      {"keep the old tip of the branch", KeepsProduction, KeepProduction, DropKeptProduction,
       ProductionKept},
      {"write recovery_info.txt", Always, WriteRecoveryInfo, RestoreRecoveryInfo,
       RecoveryInfoWritten},
      {"upgrade the data model", Upgrades, Upgrade, RestoreVersion, Upgraded},
      {"set sync.sqlite3 aside", Always, SetAsideSync, PutBackSync, SyncSetAside},
      {"set deleted aside", SetsAsideDeleted, SetAsideDeleted, PutBackDeleted, DeletedSetAside},
      {"move the branch", Always, MoveBranch, MoveBranchBack, BranchMoved},
      {"promote the folder", Promotes, Promote, Demote, Promoted},
  };
  return steps;
}

std::size_t CommitPoint() { return 6; }

const git::RepositoryHandle& Repository(StepContext& context) {
  if (!context.repository) {
    context.repository = git::SQLite3OdbBackend::OpenRepository(GitFolder(context.project));
  }
  return context.repository;
}

}  // namespace project
}  // namespace velders
