#pragma once

#include <string>
#include <vector>

#include "mevcore/filesupport/Dir.h"

namespace velders {
namespace hub {

// A project folder a subcommand works on, and how its lines name it.
struct ProjectFolder {
  std::string shown;  // the FOLDER argument as given, or the name in the hub
  mevcore::filesupport::Dir folder;
};

// The last element of the folder's path, byte for byte.
std::string FolderName(const mevcore::filesupport::Dir& folder);

// Whether a FOLDER argument is a path: it holds a slash or is "." or "..";
// else it is the name of a folder inside the hub.
bool IsPathArgument(const std::string& argument);

// The folder a FOLDER argument names: a path when it holds a slash or is "."
// or "..", else the name of a folder inside the hub.
ProjectFolder NamedProject(const mevcore::filesupport::Dir& hub, const std::string& argument);

// The sub-folders of the hub that hold an entry "git" (of any kind), in the
// order of the hub's walk: sorted by name, hidden ones included, symbolic
// links not followed. Throws mevcore's mev_exception when the hub cannot be
// listed.
std::vector<ProjectFolder> HubProjects(const mevcore::filesupport::Dir& hub);

// Every entry of the hub, of any kind, hidden ones included, in byte-wise
// order of their names: the walk's folders in the walk's order, with the
// links and files it passes over among them. Throws mevcore's mev_exception
// when the hub cannot be listed.
std::vector<ProjectFolder> HubEntries(const mevcore::filesupport::Dir& hub);

// Whether the hub is there; when it is not, says so on standard error.
// Throws mevcore's mev_exception when that cannot be told.
bool HubExists(const mevcore::filesupport::Dir& hub);

// `list(hub)` into `entries`: HubProjects or HubEntries. False, after saying
// why on standard error, when the hub is missing or cannot be listed.
bool ListHub(const mevcore::filesupport::Dir& hub,
             std::vector<ProjectFolder> (*list)(const mevcore::filesupport::Dir&),
             std::vector<ProjectFolder>* entries);

// The folders the arguments name or, without arguments, the hub's projects.
// False, after saying why on standard error, when the hub is missing or
// cannot be listed.
bool SelectProjects(const mevcore::filesupport::Dir& hub, const std::vector<std::string>& arguments,
                    std::vector<ProjectFolder>* projects);

}  // namespace hub
}  // namespace velders
