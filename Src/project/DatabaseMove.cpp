#include "project/DatabaseMove.h"

#include <stdexcept>

#include "mevstorage/git/DatabaseFiles.h"
#include "project/ProjectFiles.h"

namespace velders {
namespace project {
namespace {

using mevcore::filesupport::Dir;
using mevcore::filesupport::File;
using mevcore::filesupport::FolderSync;

// The companions' names, then the database's own.
std::vector<std::string> SetOf(const std::string& database) {
  std::vector<std::string> names;
  for (const char* suffix : mevstorage::git::kCompanionSuffixes) names.push_back(database + suffix);
  names.push_back(database);
  return names;
}

File Named(const Dir& project, const std::string& name) {
  return ProjectFile(project, name.c_str());
}

}  // namespace

std::vector<std::string> DatabaseFilesThere(const Dir& project, const std::string& database) {
  std::vector<std::string> there;
  for (const std::string& name : SetOf(database)) {
    if (Named(project, name).Exists()) there.push_back(name);
  }
  return there;
}

void MoveDatabase(const Dir& project, const std::string& from, const std::string& to,
                  FolderSync sync) {
  const std::vector<std::string> sources = SetOf(from), targets = SetOf(to);
  std::vector<std::size_t> moved;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (!Named(project, sources[i]).Exists()) continue;
    const File target = Named(project, targets[i]);
    if (target.Exists()) {
      throw std::runtime_error("Unable to rename " + Named(project, sources[i]).NativePath() +
                               ": " + target.NativePath() + " is already there");
    }
    moved.push_back(i);
  }
  for (std::size_t i : moved) {
    File source = Named(project, sources[i]);
    source.Rename(mevcore::utility::AsciiToUTF16(targets[i].c_str()), sync);
  }
}

bool DatabaseMoved(const Dir& project, const std::string& from, const std::string& to) {
  return Named(project, to).Exists() && DatabaseFilesThere(project, from).empty();
}

}  // namespace project
}  // namespace velders
