#include "hub/UndoCommand.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <memory>

#include "hub/HubOptions.h"
#include "hub/ProjectFolders.h"
#include "mevcore/config/Exception.h"
#include "project/FolderHolds.h"
#include "project/Undo.h"
#include "records/ConsoleText.h"

namespace velders {
namespace hub {

namespace {

using project::UndoReport;

constexpr const char* kUndoDetails =
    "Takes back the whole recovery of each project, as its record\n"
    "(git/recovery-record.json) tells it: the branch, \"sync.sqlite3\", \"deleted\",\n"
    "\"version\", \"recovery_info.txt\" and the folder's name as they were before;\n"
    "the next velders-recovery run offers the project again. Crash-safe like a\n"
    "recovery: an undo cut short is finished by the next recovery run or undo.\n"
    "It holds the folder that holds each project (the hub with --all), wherever\n"
    "it is; while another program holds one, nothing is changed.\n"
    "Refused: another user's project, a folder without a record, and one changed\n"
    "since its recovery (a commit on \"production\", \"sync.sqlite3\" made again,\n"
    "\"recovery_info.txt\" or \"version\" changed) unless --force, which replaces\n"
    "that newer content.\n"
    "One line a folder on standard output: \"undone\", \"would undo: ...\",\n"
    "\"refused: <reason>\" or \"failed: <reason>\".";

struct UndoArguments {
  HubOptions options;
  std::vector<std::string> folders;
  bool all = false;
  project::UndoOptions undo;
};

std::string ResultLine(const std::string& shown, const UndoReport& report) {
  switch (report.result) {
    case UndoReport::Result::kUndone:
      return shown + ": undone; offered again by the next recovery";
    case UndoReport::Result::kWouldUndo:
      return shown + ": would undo: " + project::JoinedPhrases(report.actions);
    case UndoReport::Result::kRefused:
      return shown + ": refused: " + report.reason;
    case UndoReport::Result::kFailed:
      return shown + ": failed: " + report.reason;
  }
  return shown;
}

// Prints the folder's lines; true when it was undone or would be.
bool UndoProject(const ProjectFolder& project, const project::UndoOptions& options) {
  const UndoReport report = project::UndoRecovery(project.folder, options);
  if (options.force && !report.changes.empty()) {
    std::cout << ConsoleSafe(project.shown + ": warning: undoing it " +
                             (options.dryRun ? "would replace " : "replaces ") +
                             project::JoinedPhrases(report.changes))
              << "\n";
  }
  std::cout << ConsoleSafe(ResultLine(project.shown, report)) << std::endl;
  return report.result == UndoReport::Result::kUndone ||
         report.result == UndoReport::Result::kWouldUndo;
}

std::vector<ProjectFolder> Candidates(const std::vector<ProjectFolder>& projects) {
  std::vector<ProjectFolder> candidates;
  for (const ProjectFolder& project : projects) {
    if (project::UndoCandidate(project.folder)) candidates.push_back(project);
  }
  return candidates;
}

int UndoHeld(const mevcore::filesupport::Dir& hub, const UndoArguments& arguments) {
  std::vector<ProjectFolder> projects;
  if (!SelectProjects(hub, arguments.folders, &projects)) return kExitFailed;
  if (arguments.all) projects = Candidates(projects);
  if (projects.empty()) {
    std::cerr << "No recovered projects in " << ConsoleSafe(hub.FullPathMultiByte()) << std::endl;
  }
  bool undone = true;
  for (const ProjectFolder& project : projects) {
    undone = UndoProject(project, arguments.undo) && undone;
  }
  return undone ? kExitOk : kExitFailed;
}

bool NamesAFolderInTheHub(const UndoArguments& arguments) {
  return arguments.all || !std::all_of(arguments.folders.begin(), arguments.folders.end(),
                                       IsPathArgument);
}

// The folders whose entries the command may change: the hub's for --all,
// else the one that holds each folder named, wherever it is.
std::vector<mevcore::filesupport::Dir> FoldersToHold(const mevcore::filesupport::Dir& hub,
                                                     const UndoArguments& arguments) {
  if (arguments.all) return {hub};
  std::vector<mevcore::filesupport::Dir> folders;
  for (const std::string& folder : arguments.folders) {
    folders.push_back(project::ContainingFolder(NamedProject(hub, folder).folder));
  }
  return folders;
}

void SayBusy(const project::FolderHolds& holds) {
  const std::string holder = project::HolderText(holds.holder);
  std::cerr << (holder.empty() ? std::string("Another program") : ConsoleSafe(holder))
            << " is working on " << ConsoleSafe(holds.busy->FullPathMultiByte())
            << "; nothing was changed" << std::endl;
}

// Every folder that holds a project to undo is held for the whole command,
// as a recovery run holds its hub, before anything is changed; the hub
// itself is needed only for --all and for names inside it.
int RunUndo(const UndoArguments& arguments) {
  if (arguments.folders.empty() && !arguments.all) {
    throw CLI::ValidationError("FOLDER", "name the folders to undo, or give --all");
  }
  const mevcore::filesupport::Dir hub = HubFolder(arguments.options);
  try {
    if (NamesAFolderInTheHub(arguments) && !HubExists(hub)) return kExitFailed;
    const project::FolderHolds holds = project::HoldFolders(FoldersToHold(hub, arguments));
    if (holds.busy) {
      SayBusy(holds);
      return kExitFailed;
    }
    return UndoHeld(hub, arguments);
  } catch (const mevcore::config::mev_exception& e) {
    std::cerr << ConsoleSafe(e.what()) << std::endl;
    return kExitFailed;
  }
}

}  // namespace

void AddUndoCommand(CLI::App& program, int& exitCode) {
  auto arguments = std::make_shared<UndoArguments>();
  CLI::App* undo = program.add_subcommand(
      "undo", "Takes back the recovery of projects: they are offered again by the next run");
  AddHubOptions(*undo, arguments->options, kUndoDetails);
  undo->add_flag("--dry-run", arguments->undo.dryRun, "Says what would be done; changes nothing");
  undo->add_flag("--force", arguments->undo.force,
                 "Undoes a project changed since its recovery, replacing the newer content");
  CLI::Option* folders =
      undo->add_option("FOLDER", arguments->folders,
                       "A project folder: a name inside the hub, or a path (with a slash)");
  undo->add_flag("--all", arguments->all, "Every recovered project of the hub")->excludes(folders);
  undo->callback([arguments, &exitCode] { exitCode = RunUndo(*arguments); });
}

}  // namespace hub
}  // namespace velders
