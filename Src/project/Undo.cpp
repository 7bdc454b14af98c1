#include "project/Undo.h"

#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <stdexcept>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "project/Preview.h"
#include "project/Journal.h"
#include "project/Ownership.h"
#include "project/ProjectFiles.h"
#include "project/RecoveryChanges.h"
#include "project/Resume.h"
#include "project/StepRunner.h"

namespace velders {
namespace project {
namespace {

using mevcore::filesupport::Dir;
using UndoResult = UndoReport::Result;

// Said of a project whose undo journal stays.
constexpr char kNextRunFinishes[] = "; the next recovery run or undo finishes the undoing";

UndoReport Of(UndoResult result, const std::string& reason = "") {
  UndoReport report;
  report.result = result;
  report.reason = reason;
  return report;
}

// A recovery run never follows a link to a project folder, so neither does
// the undoing: a linked folder may lie outside the hub. What cannot be
// examined fails the undoing, or is taken by --all to say so.
bool FolderItself(const Dir& project) {
  struct stat info;
  if (mevcore::filesupport::Disk().Lstat(project.NativePath(), &info) == 0) {
    return S_ISDIR(info.st_mode);
  }
  if (errno == ENOENT) return false;
  throw std::runtime_error("Unable to examine " + project.FullPathMultiByte() + ": " +
                           mevcore::config::ErrorText(errno));
}

bool UndoInProgress(const Dir& project) {
  return InProgressFile(project).Exists() &&
         ReadJournal(InProgressFile(project)).direction == Journal::Direction::kUndo;
}

// Why a folder without a record cannot be undone, as a run would see it.
std::string WhyNoUndo(const Dir& project) {
  const Preview preview = PreviewEntry(project);
  switch (preview.kind) {
    case Preview::Kind::kRecovered:
      return "no record of what its recovery did";
    case Preview::Kind::kWouldRecover:
      return "not recovered: the next velders-recovery run offers it";
    case Preview::Kind::kWouldNotRecover:
      return "not recovered: the next velders-recovery run offers it, but the recovery would " +
             std::string(preview.stopsRun ? "fail and stop the run there: " : "be refused: ") +
             preview.reason;
    case Preview::Kind::kLeftPartWay:
      return "left part way; the next velders-recovery run finishes it or puts it back";
    case Preview::Kind::kNotAProject:
      return (preview.missing.empty() ? "not offered: " : "not a project: ") + preview.reason;
    case Preview::Kind::kUnreadable:
      return "cannot be read: " + preview.reason;
    case Preview::Kind::kSkipped:
      return preview.reason;
  }
  return "not recovered";
}

// The next recovery run would take the journal back just the same.
UndoReport FinishUndo(const Dir& project, const UndoOptions& options) {
  if (options.dryRun) {
    UndoReport report = Of(UndoResult::kWouldUndo);
    report.actions.push_back("finish the undoing left part way");
    return report;
  }
  const ResumeReport resumed = ResumeFolder(project);
  if (resumed.result == ResumeReport::Result::kFailed) {
    return Of(UndoResult::kFailed, resumed.reason + kNextRunFinishes);
  }
  return Of(UndoResult::kUndone);
}

// A failed undo leaves the project recovered: the steps already taken back
// are applied again and the journal becomes the record again. Until the
// record is back the undo journal stays, so a crash here still ends in the
// undoing. While the record is there no step was taken back, and only the
// undo journal, if it was written at all, goes. None, or why the project
// could not be kept recovered.
std::optional<std::string> KeepRecovered(StepContext& context) {
  try {
    if (RecordFile(context.project).Exists()) {
      RemoveIfThere(InProgressFile(context.project));
      return std::nullopt;
    }
    context.journal.direction = Journal::Direction::kRecover;
    const StepsReport steps = FinishSteps(context);
    if (!steps.complete) return steps.failure;
    WriteJournal(InProgressFile(context.project), context.journal);
    if (CloseJournal(context)) return std::nullopt;
    return "Unable to close " + InProgressFile(context.project).FullPathMultiByte();
  } catch (const std::exception& error) {
    return error.what();
  }
}

// From the moment the undo journal is durable, a crash leaves a folder that
// the next run or undo takes back; the record goes after it, so that there
// is never neither.
std::optional<std::string> TakeBackRecorded(StepContext& context) {
  try {
    context.journal.direction = Journal::Direction::kUndo;
    WriteJournal(InProgressFile(context.project), context.journal);
    RemoveIfThere(RecordFile(context.project));
  } catch (const std::exception& error) {
    return error.what();
  }
  return TakeBackSteps(context);
}

UndoReport TakeBack(StepContext& context) {
  const std::optional<std::string> failure = TakeBackRecorded(context);
  if (!failure) return Of(UndoResult::kUndone);
  const std::optional<std::string> kept = KeepRecovered(context);
  if (!kept) return Of(UndoResult::kFailed, *failure + "; it is still recovered");
  return Of(UndoResult::kFailed, *failure + "; " + *kept + kNextRunFinishes);
}

UndoReport UndoRecorded(const Dir& project, const UndoOptions& options) {
  StepContext context;
  context.project = project;
  context.journal = ReadJournal(RecordFile(project));
  if (const auto missing = MissingSetAside(project, context.journal)) {
    return Of(UndoResult::kRefused, *missing);
  }
  const std::vector<std::string> changes =
      ChangesSinceRecovery(project, Repository(context), context.journal);
  if (!changes.empty() && !options.force) {
    UndoReport refused = Of(UndoResult::kRefused, "it changed since its recovery, and undoing it "
                                              "would lose " + JoinedPhrases(changes) +
                                                  "; --force undoes it all the same");
    refused.changes = changes;
    return refused;
  }
  UndoReport report;
  if (options.dryRun) {
    report = Of(UndoResult::kWouldUndo);
    if (!changes.empty()) report.actions.push_back("replace what changed since the recovery");
    for (const std::string& action : UndoActions(project, context.journal)) {
      report.actions.push_back(action);
    }
  } else {
    if (!changes.empty()) ReplaceChanges(project, Repository(context), context.journal);
    report = TakeBack(context);
  }
  report.changes = changes;
  return report;
}

}  // namespace

std::string JoinedPhrases(const std::vector<std::string>& phrases) {
  std::string text;
  for (const std::string& phrase : phrases) text += (text.empty() ? "" : "; ") + phrase;
  return text;
}

UndoReport UndoRecovery(const Dir& project, const UndoOptions& options) {
  try {
    if (!FolderItself(project)) return Of(UndoResult::kRefused, WhyNoUndo(project));
    if (const auto foreign = ForeignOwner(project)) return Of(UndoResult::kRefused, *foreign);
    if (UndoInProgress(project)) return FinishUndo(project, options);
    if (!options.dryRun) RemoveStaleTemporaries(project);
    if (InProgressFile(project).Exists() || !RecordFile(project).Exists()) {
      return Of(UndoResult::kRefused, WhyNoUndo(project));
    }
    return UndoRecorded(project, options);
  } catch (const std::exception& error) {
    return Of(UndoResult::kFailed, error.what());
  }
}

// A folder that cannot be examined is taken: its undo then says why it
// failed, where passing over it would say nothing.
bool UndoCandidate(const Dir& project) {
  try {
    if (!FolderItself(project)) return false;
    if (RecordFile(project).Exists() || UndoInProgress(project)) return true;
  } catch (const std::exception&) {
    return true;
  }
  return PreviewEntry(project).kind == Preview::Kind::kRecovered;
}

}  // namespace project
}  // namespace velders
