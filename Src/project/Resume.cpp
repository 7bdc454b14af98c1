#include "project/Resume.h"

#include "project/BranchState.h"
#include "project/DatabaseMove.h"
#include "project/ProjectFiles.h"
#include "project/StepRunner.h"
#include "upgrade/DataModel.h"

namespace velders {
namespace project {
namespace {

using mevcore::filesupport::Dir;
using Result = ResumeReport::Result;

ResumeReport Report(Result result, const Dir& project, const std::string& reason = "") {
  ResumeReport report;
  report.result = result;
  report.reason = reason;
  report.project = project;
  return report;
}

ResumeReport Failed(const Dir& project, const std::string& reason) {
  return Report(Result::kFailed, project, reason);
}

// A recovery that had moved the branch is finished; any other is taken back.
ResumeReport ResumeJournal(const Dir& project) {
  StepContext context;
  context.project = project;
  context.journal = ReadJournal(InProgressFile(project));
  // An undo writes its journal before it removes the record: a crash between
  // the two leaves both.
  if (context.journal.direction == Journal::Direction::kUndo) RemoveIfThere(RecordFile(project));
  const bool forward = PassedCommitPoint(Repository(context), context.journal);
  ResumeReport report;
  if (forward) {
    const StepsReport steps = FinishSteps(context);
    if (!steps.complete) return Failed(context.project, steps.failure);
    if (!CloseJournal(context)) {
      return Failed(context.project, "Unable to close " +
                                         InProgressFile(context.project).FullPathMultiByte());
    }
    report.result = Result::kFinished;
  } else {
    if (const auto failure = TakeBackSteps(context)) return Failed(context.project, *failure);
    report.result = Result::kPutBack;
  }
  report.promotionUpgradeFailed = context.promotionUpgradeFailed;
  report.project = context.project;
  return report;
}

bool SetAsideWithoutJournal(const Dir& project) {
  return ProjectFile(project, "pre_recovery_sync.sqlite3").Exists() &&
         !ProjectFile(project, "sync.sqlite3").Exists() && !RecordFile(project).Exists() &&
         ProjectFile(project, "git").Exists();
}

// "sync.sqlite3" comes back last, after its companions: until it does, the
// folder still reads as set aside, so a run stopped here is found and put
// back again. A companion left under its own name by a program that moved
// only the database pairs with it again.
void PutBackEarlierProgram(const Dir& project) {
  const auto saved = ReadIfThere(ProjectFile(project, "pre_recovery_version"));
  const auto version = ReadIfThere(ProjectFile(project, "version"));
  if (saved && version && *version == DataModelBytes()) {
    WriteFileBytes(ProjectFile(project, "version"), *saved);
    RemoveIfThere(ProjectFile(project, "pre_recovery_version"));
  }
  RemoveIfThere(ProjectFile(project, "recovery_info.txt"));
  RenameIfThere(ProjectFile(project, "pre_recovery_deleted"), "deleted");
  MoveDatabase(project, "pre_recovery_sync.sqlite3", "sync.sqlite3",
               mevcore::filesupport::FolderSync::kNow);
}

}  // namespace

bool PassedCommitPoint(const mevstorage::git::RepositoryHandle& repository,
                       const Journal& journal) {
  return journal.direction == Journal::Direction::kRecover &&
         ProductionTip(repository) == journal.commit;
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
      return Report(Result::kNothingToDo, project);
    }
    PutBackEarlierProgram(project);
    return Report(Result::kPutBack, project);
  } catch (const std::exception& error) {
    return Failed(project, error.what());
  }
}

}  // namespace project
}  // namespace velders
