#include "hub/ExportGroupLines.h"

#include <iostream>

#include "hub/ExportLine.h"
#include "records/ConsoleText.h"

namespace velders {
namespace hub {

namespace {

using mevstorage::git::ExportOutcome;

// Few enough that a line waits little for the projects after it, many
// enough that the syncs cost little per project; the bytes bound the
// written data a sync finds waiting.
constexpr std::size_t kGroupProjects = 64;
constexpr std::uint64_t kGroupPackBytes = 256u << 20;

std::string OutcomeLine(const std::string& shown, const ExportOutcome& outcome) {
  if (!outcome.error) return ExportedLine(shown, outcome.summary);
  try {
    std::rethrow_exception(outcome.error);
  } catch (const mevstorage::git::ExportTargetExists& e) {
    return ConsoleSafe(shown + ": refused: " + e.what());
  } catch (const std::exception& e) {
    return ConsoleSafe(shown + ": failed: " + e.what());
  }
}

}  // namespace

ExportGroupLines::ExportGroupLines(const std::string& to, bool checkout, bool quiet)
    : group_(to), checkout_(checkout), quiet_(quiet) {}

void ExportGroupLines::Export(const ProjectFolder& project) {
  const std::string name = FolderName(project.folder);
  if (name.empty() || name == "." || name == "..") {
    Finish();
    allExported_ = false;
    std::cout << ConsoleSafe(project.shown + ": refused: give the project folder's own name, not \"" +
                             name + "\"")
              << std::endl;
    return;
  }
  ProgressLineWriter progress(project.shown, !quiet_);
  mevstorage::git::ExportOptions options;
  options.checkout = checkout_;
  options.progress = [&progress](const mevstorage::git::ExportProgress& now) { progress.Show(now); };
  const auto gitFolder =
      mevcore::filesupport::Dir::FromNativePath(project.folder.NativePath() + "/git");
  try {
    group_.Add(gitFolder, name, options);
    waiting_.push_back(project.shown);
  } catch (const std::exception&) {
    progress.Clear();
    Finish();
    Print(project.shown, {{}, std::current_exception()});
    return;
  }
  progress.Clear();
  if (group_.Waiting() >= kGroupProjects || group_.WaitingBytes() >= kGroupPackBytes) Finish();
}

void ExportGroupLines::Finish() {
  const std::vector<ExportOutcome> outcomes = group_.Finish();
  for (std::size_t i = 0; i < outcomes.size(); ++i) Print(waiting_[i], outcomes[i]);
  waiting_.clear();
}

void ExportGroupLines::Print(const std::string& shown, const ExportOutcome& outcome) {
  if (outcome.error) allExported_ = false;
  std::cout << OutcomeLine(shown, outcome) << std::endl;
}

}  // namespace hub
}  // namespace velders
