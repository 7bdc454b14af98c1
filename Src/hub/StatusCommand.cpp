#include "hub/StatusCommand.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <map>
#include <memory>
#include <system_error>
#include <thread>

#include "hub/HubOptions.h"
#include "hub/ProjectFolders.h"
#include "hub/StatusLine.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "records/ConsoleText.h"

namespace velders {
namespace hub {

namespace {

using project::Preview;

constexpr const char* kStatusDetails =
    "For each entry of the hub, in the order of the recovery's walk: what a run of\n"
    "velders-recovery would do with it and why. Nothing in the hub is changed, made\n"
    "or locked: a store whose journal holds a write cut short, which the run rolls\n"
    "back, is read from a copy rolled back in $TMPDIR (else /tmp) and removed.\n"
    "One line an entry: \"would recover\" (name, last modified, whether \"version\"\n"
    "is upgraded with each upgrade answer, the new folder name, why the upgrade\n"
    "would fail), \"would not recover\" (name, last modified, why, whether the run\n"
    "stops there), \"already recovered\" (when), \"left part way\" or \"set\n"
    "aside by an earlier program\" (what the next run does), \"not a project\" (what\n"
    "is missing), \"cannot be read\" (why) or \"skipped\" (a link, a file); then one\n"
    "count line a kind.\n"
    "--json: {\"hub\", \"entries\": [{\"folder\", \"kind\", ...}], \"counts\"}; kinds and\n"
    "their members:\n"
    "  wouldRecover: name, lastModified (local, ISO), upgradeWithYes, upgradeWithNo,\n"
    "    renamedTo (or null), upgradeFails (the reason, or null), stopsRunWithYes,\n"
    "    stopsRunWithNo\n"
    "  wouldNotRecover: name, lastModified, reason, stopsRun\n"
    "  recovered: recovered (when, or null)\n"
    "  leftPartWay: leftBy (interruptedRun, earlierProgram), nextRun (finishes,\n"
    "    putsBack)\n"
    "  notAProject: missing (names), reason\n"
    "  unreadable, skipped: reason\n"
    "counts holds every kind, 0 included.";

struct StatusArguments {
  HubOptions options;
  bool json = false;
};

struct PreviewedEntry {
  std::string shown;
  Preview preview;
};

void PrintLines(const std::vector<PreviewedEntry>& entries) {
  std::map<Preview::Kind, std::size_t> counts;
  for (const PreviewedEntry& entry : entries) {
    std::cout << StatusLine(entry.shown, entry.preview) << "\n";
    ++counts[entry.preview.kind];
  }
  if (!entries.empty()) std::cout << "\n";
  for (Preview::Kind kind : kAllKinds) {
    if (counts[kind]) std::cout << CountLine(kind, counts[kind]) << "\n";
  }
  std::cout << std::flush;
}

// Names that are not UTF-8 show U+FFFD for their stray bytes: JSON holds
// text only.
void PrintJson(const mevcore::filesupport::Dir& hub, const std::vector<PreviewedEntry>& entries) {
  nlohmann::json counts = nlohmann::json::object();
  for (Preview::Kind kind : kAllKinds) counts[KindKey(kind)] = 0;
  nlohmann::json list = nlohmann::json::array();
  for (const PreviewedEntry& entry : entries) {
    list.push_back(StatusJson(entry.shown, entry.preview));
    counts[KindKey(entry.preview.kind)] = counts[KindKey(entry.preview.kind)].get<int>() + 1;
  }
  const nlohmann::json document = {
      {"hub", hub.FullPathMultiByte()}, {"entries", list}, {"counts", counts}};
  std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
            << std::endl;
}

// Previews listed[i] for i = first, first + step, ...
void PreviewEvery(const std::vector<ProjectFolder>& listed, std::size_t first, std::size_t step,
                  std::vector<Preview>* previews) {
  for (std::size_t i = first; i < listed.size(); i += step) {
    (*previews)[i] = project::PreviewEntry(listed[i].folder);
  }
}

// The previews of the listed entries, in their order. Status is bound by
// the CPU that opening each store takes, and a preview only reads its own
// entry, so a second thread takes every other entry where disk calls may
// overlap (on a test's disk or under a fault plan they keep one order).
std::vector<Preview> PreviewAll(const std::vector<ProjectFolder>& listed) {
  std::vector<Preview> previews(listed.size());
  std::exception_ptr otherFailed;
  std::thread other;
  if (listed.size() > 1 && mevcore::filesupport::DiskCallsMayOverlap()) {
    try {
      other = std::thread([&] {
        try {
          PreviewEvery(listed, 1, 2, &previews);
        } catch (...) {
          otherFailed = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
    }
  }
  try {
    PreviewEvery(listed, 0, other.joinable() ? 2 : 1, &previews);
  } catch (...) {
    if (other.joinable()) other.join();
    throw;
  }
  if (other.joinable()) other.join();
  if (otherFailed) std::rethrow_exception(otherFailed);
  return previews;
}

int RunStatus(const StatusArguments& arguments) {
  const mevcore::filesupport::Dir hub = HubFolder(arguments.options);
  std::vector<ProjectFolder> listed;
  if (!ListHub(hub, HubEntries, &listed)) return kExitFailed;
  if (listed.empty()) {
    std::cerr << "Nothing in " << ConsoleSafe(hub.FullPathMultiByte()) << std::endl;
  }
  std::vector<Preview> previews = PreviewAll(listed);
  std::vector<PreviewedEntry> entries;
  for (std::size_t i = 0; i < listed.size(); ++i) {
    entries.push_back({listed[i].shown, std::move(previews[i])});
  }
  if (arguments.json) {
    PrintJson(hub, entries);
  } else {
    PrintLines(entries);
  }
  return kExitOk;
}

}  // namespace

void AddStatusCommand(CLI::App& program, int& exitCode) {
  auto arguments = std::make_shared<StatusArguments>();
  CLI::App* status = program.add_subcommand(
      "status", "Says what a recovery run would do with each entry of the hub, reading only");
  AddHubOptions(*status, arguments->options, kStatusDetails);
  status->add_flag("--json", arguments->json, "One JSON document on standard output");
  status->callback([arguments, &exitCode] { exitCode = RunStatus(*arguments); });
}

}  // namespace hub
}  // namespace velders
