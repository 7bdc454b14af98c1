#include "hub/ProjectFolders.h"

#include <algorithm>
#include <cerrno>
#include <iostream>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/filesupport/File.h"
#include "records/ConsoleText.h"

namespace velders {
namespace hub {

namespace {

using mevcore::filesupport::Dir;

// The path without a trailing "/" or "/.": with them, examining the folder
// itself would follow a symbolic link instead of seeing it.
std::string WithoutTrailingSelf(std::string path) {
  for (;;) {
    if (path.size() > 1 && path.back() == '/') {
      path.pop_back();
    } else if (path.size() > 2 && path.compare(path.size() - 2, 2, "/.") == 0) {
      path.resize(path.size() - 2);
    } else {
      return path;
    }
  }
}

bool HoldsGit(const Dir& folder) {
  return mevcore::filesupport::File::FromNativePath(folder.NativePath() + "/git").Exists();
}

}  // namespace

std::string FolderName(const Dir& folder) {
  const std::string& path = folder.NativePath();
  return path.substr(path.rfind('/') + 1);
}

bool IsPathArgument(const std::string& argument) {
  return argument.find('/') != std::string::npos || argument == "." || argument == "..";
}

ProjectFolder NamedProject(const Dir& hub, const std::string& argument) {
  if (IsPathArgument(argument)) return {argument, Dir::FromNativePath(WithoutTrailingSelf(argument))};
  return {argument, Dir::FromNativePath(hub.NativePath() + "/" + argument)};
}

std::vector<ProjectFolder> HubProjects(const Dir& hub) {
  std::vector<ProjectFolder> projects;
  for (auto it = hub.BeginSubdirs(true, nullptr, {}); it != hub.EndSubdirs(); ++it) {
    const Dir folder = *it;
    if (HoldsGit(folder)) projects.push_back({FolderName(folder), folder});
  }
  return projects;
}

std::vector<ProjectFolder> HubEntries(const Dir& hub) {
  std::vector<mevcore::filesupport::DiskInterface::Entry> listed;
  if (mevcore::filesupport::Disk().ListDir(hub.NativePath(), &listed) != 0) {
    mevcore::config::ThrowSystemError("Unable to list", hub.NativePath(), errno);
  }
  std::vector<ProjectFolder> entries;
  for (const auto& entry : listed) {
    entries.push_back({entry.name, Dir::FromNativePath(hub.NativePath() + "/" + entry.name)});
  }
  std::sort(entries.begin(), entries.end(),
            [](const ProjectFolder& a, const ProjectFolder& b) { return a.shown < b.shown; });
  return entries;
}

bool HubExists(const Dir& hub) {
  if (hub.Exists()) return true;
  std::cerr << "The hub " << ConsoleSafe(hub.FullPathMultiByte()) << " does not exist"
            << std::endl;
  return false;
}

bool ListHub(const Dir& hub, std::vector<ProjectFolder> (*list)(const Dir&),
             std::vector<ProjectFolder>* entries) {
  try {
    if (!HubExists(hub)) return false;
    *entries = list(hub);
    return true;
  } catch (const mevcore::config::mev_exception& e) {
    std::cerr << ConsoleSafe(e.what()) << std::endl;
    return false;
  }
}

bool SelectProjects(const Dir& hub, const std::vector<std::string>& arguments,
                    std::vector<ProjectFolder>* projects) {
  for (const std::string& argument : arguments) projects->push_back(NamedProject(hub, argument));
  return !arguments.empty() || ListHub(hub, HubProjects, projects);
}

}  // namespace hub
}  // namespace velders
