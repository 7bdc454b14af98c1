#include "project/Steps.h"

#include <algorithm>

#include <boost/make_shared.hpp>

#include "mevcore/filesupport/File.h"
#include "mevcore/utility/Text.h"
#include "mevstorage/git/DatabaseFiles.h"
#include "project/BranchState.h"
#include "project/DatabaseMove.h"
#include "project/FolderNames.h"
#include "project/ProjectFiles.h"
#include "records/Constants.h"
#include "records/RecoveryInfo.h"
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
std::optional<std::string> NoPhrase(const Dir&, const Journal&) { return std::nullopt; }

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

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

mevcore::utility::UTF8String JournaledInfoText(const Journal& journal) {
  return mevcore::utility::UTF8String(journal.recoveryInfo.begin(), journal.recoveryInfo.end());
}

// The journal. "recovery_info.txt" is begun first and left unsynced, so that
// the journal's sync carries it to the disk too and its own step has little
// left to sync; until then it is a temporary, which a crash leaves for the
// next run to remove. When it cannot be begun, its step writes it whole.

void WriteTheJournal(StepContext& c) {
  BeginRecoveryInfoText(c.project, JournaledInfoText(c.journal), &c.recoveryInfo);
  WriteJournal(InProgressFile(c.project), c.journal);
}
void RemoveTheJournal(StepContext& c) {
  c.recoveryInfo.Abandon();
  RemoveIfThere(InProgressFile(c.project));
}
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
std::optional<std::string> SayDropKeptProduction(const Dir&, const Journal& j) {
  if (!j.keepProduction) return std::nullopt;
  return std::string("remove ") + kKeptProductionReference;
}

// "recovery_info.txt".

File RecoveryInfoFile(const Dir& project) { return ProjectFile(project, kRecoveryInfoFileName); }
bool RecoveryInfoWritten(StepContext& c) {
  return Holds(RecoveryInfoFile(c.project), c.journal.recoveryInfo);
}
// The text the journal holds, whose failure the log records; the console
// line is the procedure's own. The folder is synced once, before the branch
// moves (MoveBranch), for this file and the set-asides together.
void WriteJournaledRecoveryInfo(StepContext& c) {
  const bool written = c.recoveryInfo.Begun()
                           ? FinishRecoveryInfoText(c.project, &c.recoveryInfo)
                           : WriteRecoveryInfoText(c.project, JournaledInfoText(c.journal),
                                                   FolderSync::kByCaller);
  if (!written) {
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
std::optional<std::string> SayRestoreRecoveryInfo(const Dir&, const Journal& j) {
  const std::string name = Quoted(kRecoveryInfoFileName);
  return j.priorRecoveryInfo ? "put " + name + " back as it was" : "remove " + name;
}

// "version" and its saved copy: the upgrade and the promotion's upgrade are
// both taken back by putting the old content back.

bool Upgrades(const Journal& j) { return j.upgrade; }
// The folder is synced before the branch moves (MoveBranch).
void Upgrade(StepContext& c) {
  if (!UpgradeDataModel(c.project, FolderSync::kByCaller)) {
    throw StepFailure(FailureKind::kUpgrade, "Unable to upgrade the data model");
  }
}
void RestoreVersion(StepContext& c) {
  const File version = ProjectFile(c.project, kVersionFileName);
  if (!c.journal.priorVersion) {
    RemoveIfThere(version);
  } else if (!Holds(version, *c.journal.priorVersion)) {
    WriteFileBytes(version, *c.journal.priorVersion);
  }
  if (!c.journal.savedVersionExisted) {
    RemoveIfThere(ProjectFile(c.project, kPreRecoveryVersionFileName));
  }
}
// A "version" that held the current data model already is upgraded only
// once its copy is saved.
bool Upgraded(StepContext& c) {
  return Holds(ProjectFile(c.project, kVersionFileName), DataModelBytes()) &&
         ProjectFile(c.project, kPreRecoveryVersionFileName).Exists();
}
// The promotion's upgrade is taken back with it, but said here.
std::optional<std::string> SayRestoreVersion(const Dir&, const Journal& j) {
  if (!j.upgrade && !j.promote) return std::nullopt;
  return "put " + Quoted(kVersionFileName) + " back as it was";
}

// The set-aside renames: "deleted" becomes "pre_recovery_deleted".

void SetAsideDeleted(StepContext& c) {
  ProjectFile(c.project, kDeletedFileName)
      .Rename(mevcore::utility::AsciiToUTF16(kPreRecoveryDeletedFileName), FolderSync::kByCaller);
}
void PutBackDeleted(StepContext& c) {
  RenameIfThere(ProjectFile(c.project, kPreRecoveryDeletedFileName), kDeletedFileName);
}
bool DeletedSetAside(StepContext& c) {
  return !ProjectFile(c.project, kDeletedFileName).Exists() &&
         ProjectFile(c.project, kPreRecoveryDeletedFileName).Exists();
}
bool SetsAsideDeleted(const Journal& j) { return j.deleted; }
std::optional<std::string> SayPutBackDeleted(const Dir&, const Journal& j) {
  if (!j.deleted) return std::nullopt;
  return "put " + Quoted(kDeletedFileName) + " back";
}

// The database goes with its companions, and last: until it has gone, the
// step is not done, and finishing it moves what is left. A name taken on
// the other side stops the step before any rename. The put-back syncs the
// folder at each rename, since no later step does.
void SetAsideSync(StepContext& c) {
  MoveDatabase(c.project, kSyncFileName, kPreRecoverySyncFileName, FolderSync::kByCaller);
}
void PutBackSync(StepContext& c) {
  MoveDatabase(c.project, kPreRecoverySyncFileName, kSyncFileName, FolderSync::kNow);
}
bool SyncSetAside(StepContext& c) {
  return DatabaseMoved(c.project, kSyncFileName, kPreRecoverySyncFileName);
}
// "put \"sync.sqlite3\" back with \"sync.sqlite3-wal\" and \"sync.sqlite3-shm\"":
// the companions that go back with the database, by the names they get back.
std::optional<std::string> SayPutBackSync(const Dir& project, const Journal&) {
  const std::string database = kPreRecoverySyncFileName;
  std::vector<std::string> names = DatabaseFilesThere(project, database);
  names.erase(std::remove(names.begin(), names.end(), database), names.end());
  std::string text = "put " + Quoted(kSyncFileName) + " back";
  for (std::size_t i = 0; i < names.size(); ++i) {
    text += (i == 0 ? " with " : i + 1 == names.size() ? " and " : ", ") +
            Quoted(kSyncFileName + names[i].substr(database.size()));
  }
  return text;
}

// Each file the set-aside renames, companions included.
std::vector<FolderPart> SyncParts() {
  std::vector<FolderPart> parts = {{kSyncFileName, PartKind::kFile, false}};
  for (const char* suffix : mevstorage::git::kCompanionSuffixes) {
    parts.push_back({kSyncFileName + std::string(suffix), PartKind::kAny, false});
  }
  return parts;
}

// The branch move: the commit point.

// Every change to the folder before the commit point is made durable first,
// with one sync of the folder.
void MoveBranch(StepContext& c) {
  SyncFolder(c.project);
  SaidByReason([&] {
    MoveProductionOrThrow(Repository(c), c.journal.production.value_or(""), c.journal.commit);
  });
}
// A lock left by a move that stopped, either way: to the recovery commit or
// back to the old tip.
void MoveBranchBack(StepContext& c) {
  const std::string branch = std::string("refs/heads/") + kProductionBranch.c_str();
  ClearOwnLock(c.project, branch, c.journal.commit);
  if (c.journal.production) ClearOwnLock(c.project, branch, *c.journal.production);
  if (ProductionTip(Repository(c)) != c.journal.commit) return;
  if (c.journal.production) {
    git::MoveReference(Repository(c), branch, c.journal.commit, *c.journal.production);
  } else {
    git::RemoveReference(Repository(c), branch, c.journal.commit);
  }
}
bool BranchMoved(StepContext& c) { return ProductionTip(Repository(c)) == c.journal.commit; }
std::optional<std::string> SayMoveBranchBack(const Dir&, const Journal& j) {
  return j.production ? "move \"production\" back to " + *j.production
                      : std::string("remove \"production\"");
}

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
std::optional<std::string> SayDemote(const Dir& project, const Journal& j) {
  if (!j.promote || !IsPromotedName(project.GetName())) return std::nullopt;
  const Dir older(project.Parent(), DemotedName(project.GetName()));
  return "rename the folder to " +
         Quoted(mevcore::utility::ToNarrow(mevcore::utility::UTF16to8(older.GetName())));
}

}  // namespace

const std::vector<Step>& RecoverySteps() {
  static const std::vector<Step> steps = {
      {"write the recovery journal", Always, WriteTheJournal, RemoveTheJournal, JournalThere,
       NoPhrase, {}},
      {"keep the old tip of the branch", KeepsProduction, KeepProduction, DropKeptProduction,
       ProductionKept, SayDropKeptProduction, {}},
      {"write recovery_info.txt", Always, WriteJournaledRecoveryInfo, RestoreRecoveryInfo,
       RecoveryInfoWritten, SayRestoreRecoveryInfo,
       {{kRecoveryInfoFileName, PartKind::kAny, false}}, false, true},
      {"upgrade the data model", Upgrades, Upgrade, RestoreVersion, Upgraded, SayRestoreVersion,
       {{kVersionFileName, PartKind::kAny, false},
        {kPreRecoveryVersionFileName, PartKind::kAny, false}}, false, true},
      {"set sync.sqlite3 aside", Always, SetAsideSync, PutBackSync, SyncSetAside, SayPutBackSync,
       SyncParts()},
      {"set deleted aside", SetsAsideDeleted, SetAsideDeleted, PutBackDeleted, DeletedSetAside,
       SayPutBackDeleted,
       {{kDeletedFileName, PartKind::kFile, false},
        {kPreRecoveryDeletedFileName, PartKind::kAny, false}}},
      {"move the branch", Always, MoveBranch, MoveBranchBack, BranchMoved, SayMoveBranchBack, {},
       true},
      {"promote the folder", Promotes, Promote, Demote, Promoted, SayDemote, {}},
  };
  return steps;
}

std::size_t CommitPoint(const std::vector<Step>& steps) {
  const auto point = std::find_if(steps.begin(), steps.end(),
                                  [](const Step& step) { return step.commitPoint; });
  return static_cast<std::size_t>(point - steps.begin());
}

const git::RepositoryHandle& Repository(StepContext& context) {
  if (!context.repository) {
    context.repository = git::SQLite3OdbBackend::OpenRepository(GitFolder(context.project));
  }
  return context.repository;
}

}  // namespace project
}  // namespace velders
