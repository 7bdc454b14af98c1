#include "project/Resume.h"

#include "project/BranchState.h"
#include "project/DatabaseMove.h"
#include "project/ProjectFiles.h"
#include "project/StepRunner.h"
#include "records/Constants.h"
#include "upgrade/DataModel.h"

namespace velders {
namespace project {
namespace {

using mevcore::filesupport::Dir;
using ResumeResult = ResumeReport::Result;

ResumeReport Report(ResumeResult result, const Dir& project, const std::string& reason = "") {
  ResumeReport report;
  report.result = result;
  report.reason = reason;
  report.project = project;
  return report;
}

ResumeReport Failed(const Dir& project, const std::string& reason) {
  return Report(ResumeResult::kFailed, project, reason);
}

// A recovery that had passed its commit point is finished; any other is
// taken back.
ResumeReport ResumeJournal(const Dir& project) {
  StepContext context;
  context.project = project;
  context.journal = ReadJournal(InProgressFile(project));
  // An undo writes its journal before it removes the record: a crash between
  // the two leaves both.
  if (context.journal.direction == Journal::Direction::kUndo) RemoveIfThere(RecordFile(project));
  // Opened before anything is changed: a folder whose store cannot be opened
  // is left as it is, whichever way the run would go.
  Repository(context);
  const StepsReport steps = ResumeSteps(context);
  ResumeReport report;
  if (steps.complete) {
    if (!CloseJournal(context)) {
      return Failed(context.project, "Unable to close " +
                                         InProgressFile(context.project).FullPathMultiByte());
    }
    report.result = ResumeResult::kFinished;
  } else if (steps.putBack) {
    report.result = ResumeResult::kPutBack;
  } else {
    return Failed(context.project, steps.failure);
  }
  report.promotionUpgradeFailed = context.promotionUpgradeFailed;
  report.project = context.project;
  return report;
}

bool SetAsideWithoutJournal(const Dir& project) {
  return ProjectFile(project, kPreRecoverySyncFileName).Exists() &&
         !ProjectFile(project, kSyncFileName).Exists() && !RecordFile(project).Exists() &&
         ProjectFile(project, kGitFolderName).Exists();
}

// "sync.sqlite3" comes back last, after its companions: until it does, the
// folder still reads as set aside, so a run stopped here is found and put
// back again. A companion left under its own name by a program that moved
// only the database pairs with it again.
void PutBackEarlierProgram(const Dir& project) {
  const auto saved = ReadIfThere(ProjectFile(project, kPreRecoveryVersionFileName));
  const auto version = ReadIfThere(ProjectFile(project, kVersionFileName));
  if (saved && version && *version == DataModelBytes()) {
    WriteFileBytes(ProjectFile(project, kVersionFileName), *saved);
    RemoveIfThere(ProjectFile(project, kPreRecoveryVersionFileName));
  }
  RemoveIfThere(ProjectFile(project, kRecoveryInfoFileName));
  RenameIfThere(ProjectFile(project, kPreRecoveryDeletedFileName), kDeletedFileName);
  MoveDatabase(project, kPreRecoverySyncFileName, kSyncFileName,
               mevcore::filesupport::FolderSync::kNow);
}

}  // namespace

bool PassedCommitPoint(const mevstorage::git::RepositoryHandle& repository,
                       const Journal& journal) {
  StepContext context;
  context.journal = journal;
  context.repository = repository;
  return PassedCommitPoint(context);
}

// Only a history that can be read to its end tells that no recovery commit
// is on it; a store that cannot be read is left alone (the walk passes over
// a set-aside folder anyway).
bool LeftByEarlierProgram(const Dir& project, RepositoryOpener open) {
  if (!SetAsideWithoutJournal(project)) return false;
  try {
    return !HistoryHasRecoveryCommit(open(GitFolder(project)));
  } catch (const std::exception&) {
    return false;
  }
}

ResumeReport ResumeFolder(const Dir& project) {
  try {
    RemoveStaleTemporaries(project);
    if (InProgressFile(project).Exists()) return ResumeJournal(project);
    if (!LeftByEarlierProgram(project, mevstorage::git::SQLite3OdbBackend::OpenRepository)) {
      return Report(ResumeResult::kNothingToDo, project);
    }
    PutBackEarlierProgram(project);
    return Report(ResumeResult::kPutBack, project);
  } catch (const std::exception& error) {
    return Failed(project, error.what());
  }
}

}  // namespace project
}  // namespace velders
