#include "hub/CheckCommand.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "hub/CheckLine.h"
#include "hub/HubOptions.h"
#include "hub/ProjectFolders.h"
#include "records/ConsoleText.h"

namespace velders {
namespace hub {

namespace {

constexpr const char* kCheckDetails =
    "For each project: SQLite's integrity check of its object database; every\n"
    "object hashed against its id, type and size; every reference resolved; every\n"
    "object reachable from a reference present. Nothing is changed or locked.\n"
    "One line a project on standard output: \"ok\", or the number of problems and\n"
    "the first of them, or why its store cannot be opened.";

struct CheckArguments {
  HubOptions options;
  std::vector<std::string> folders;
};

// Prints the project's line; true when its store is sound.
bool CheckProject(const ProjectFolder& project) {
  const mevcore::filesupport::Dir gitFolder =
      mevcore::filesupport::Dir::FromNativePath(project.folder.NativePath() + "/git");
  try {
    const mevstorage::git::VerifyResult result = mevstorage::git::VerifyRepository(gitFolder);
    std::cout << CheckLine(project.shown, result) << std::endl;
    return result.Ok();
  } catch (const std::exception& e) {
    std::cout << FailedLine(project.shown, e.what()) << std::endl;
    return false;
  }
}

int RunCheck(const CheckArguments& arguments) {
  const mevcore::filesupport::Dir hub = HubFolder(arguments.options);
  std::vector<ProjectFolder> projects;
  if (!SelectProjects(hub, arguments.folders, &projects)) return kExitFailed;
  if (projects.empty()) {
    std::cerr << "No projects in " << ConsoleSafe(hub.FullPathMultiByte()) << std::endl;
  }
  bool sound = true;
  for (const ProjectFolder& project : projects) sound = CheckProject(project) && sound;
  return sound ? kExitOk : kExitFailed;
}

}  // namespace

void AddCheckCommand(CLI::App& program, int& exitCode) {
  auto arguments = std::make_shared<CheckArguments>();
  CLI::App* check =
      program.add_subcommand("check", "Checks the store of each project, reading only");
  AddHubOptions(*check, arguments->options, kCheckDetails);
  check->add_option("FOLDER", arguments->folders,
                    "A project folder: a name inside the hub, or a path (with a slash).\n"
                    "Default: every folder of the hub that holds \"git\".");
  check->callback([arguments, &exitCode] { exitCode = RunCheck(*arguments); });
}

}  // namespace hub
}  // namespace velders
