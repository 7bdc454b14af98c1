#include "hub/ExportCommand.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "hub/ExportGroupLines.h"
#include "hub/ExportTarget.h"
#include "hub/HubOptions.h"
#include "hub/ProjectFolders.h"
#include "mevcore/config/Exception.h"
#include "mevstorage/git/Export.h"
#include "records/ConsoleText.h"

namespace velders {
namespace hub {

namespace {

constexpr const char* kExportDetails =
    "For each project, a new standard Git repository in the --to folder: bare,\n"
    "\"<folder name>.git\"; with --checkout, \"<folder name>/\" with the files of\n"
    "\"production\" checked out on that branch. Every object of the store, reachable\n"
    "or not, goes into one pack with its index, each hashed again against its id;\n"
    "HEAD and every reference are copied as they are; the result is checked, made\n"
    "durable and only then given its name. A target that exists is refused, never\n"
    "merged or overwritten. The hub is only read: nothing in it is changed, made or\n"
    "locked. One line a project on standard output: \"exported to <path> (<n>\n"
    "objects, <size of the pack>)\", \"refused: <reason>\" or \"failed: <reason>\".";

struct ExportArguments {
  HubOptions options;
  std::vector<std::string> folders;
  bool all = false;
  bool checkout = false;
  bool quiet = false;
  std::string to;
};

int ExportSelected(const mevcore::filesupport::Dir& hub, const ExportArguments& arguments) {
  std::vector<ProjectFolder> projects;
  if (!SelectProjects(hub, arguments.folders, &projects)) return kExitFailed;
  if (projects.empty()) {
    std::cerr << "No projects in " << ConsoleSafe(hub.FullPathMultiByte()) << std::endl;
  }
  ExportGroupLines lines(arguments.to, arguments.checkout, arguments.quiet);
  for (const ProjectFolder& project : projects) lines.Export(project);
  lines.Finish();
  return lines.AllExported() ? kExitOk : kExitFailed;
}

int RunExport(ExportArguments arguments) {
  if (arguments.folders.empty() && !arguments.all) {
    throw CLI::ValidationError("FOLDER", "name the folders to export, or give --all");
  }
  const mevcore::filesupport::Dir hub = HubFolder(arguments.options);
  arguments.to = WithoutTrailingSlashes(arguments.to);
  try {
    if (IsInside(arguments.to, hub)) {
      throw CLI::ValidationError("--to", arguments.to + " is inside the hub " +
                                             hub.FullPathMultiByte() + "; nothing was written");
    }
    MakeFolders(arguments.to);
    for (const std::string& problem : mevstorage::git::RemoveStaleExports(arguments.to)) {
      std::cerr << ConsoleSafe(problem) << std::endl;
    }
    return ExportSelected(hub, arguments);
  } catch (const mevcore::config::mev_exception& e) {
    std::cerr << ConsoleSafe(e.what()) << std::endl;
    return kExitFailed;
  }
}

}  // namespace

void AddExportCommand(CLI::App& program, int& exitCode) {
  auto arguments = std::make_shared<ExportArguments>();
  CLI::App* command = program.add_subcommand(
      "export", "Exports projects into standard Git repositories, reading the hub only");
  AddHubOptions(*command, arguments->options, kExportDetails);
  command->add_option("--to", arguments->to, "The folder the repositories are made in")
      ->type_name("DIR")
      ->required();
  command->add_flag("--checkout", arguments->checkout,
                    "A repository with the files of \"production\" checked out, not a bare one");
  command->add_flag("--quiet", arguments->quiet, "No progress line on standard error");
  CLI::Option* folders =
      command->add_option("FOLDER", arguments->folders,
                          "A project folder: a name inside the hub, or a path (with a slash)");
  command->add_flag("--all", arguments->all, "Every project folder of the hub")->excludes(folders);
  command->callback([arguments, &exitCode] { exitCode = RunExport(*arguments); });
}

}  // namespace hub
}  // namespace velders
