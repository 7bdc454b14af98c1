#pragma once

#include <string>
#include <vector>

#include "hub/ProjectFolders.h"
#include "mevstorage/git/Export.h"

namespace velders {
namespace hub {

// Exports projects into one folder in groups made durable together
// (mevstorage::git::ExportGroup) and prints each project's line on standard
// output once its export is in place, or has failed, in the order the
// projects came: "<shown>: exported to ...", "<shown>: refused: <reason>" or
// "<shown>: failed: <reason>". A group is finished after 64 projects or 256
// MiB of packs, before a project's line that needs no export, and by Finish.
class ExportGroupLines {
 public:
  // `quiet`: no progress line on standard error.
  ExportGroupLines(const std::string& to, bool checkout, bool quiet);

  void Export(const ProjectFolder& project);
  void Finish();
  // Whether every project given so far was exported; true until one was
  // not.
  bool AllExported() const { return allExported_; }

 private:
  void Print(const std::string& shown, const mevstorage::git::ExportOutcome& outcome);

  mevstorage::git::ExportGroup group_;
  bool checkout_;
  bool quiet_;
  std::vector<std::string> waiting_;  // the projects in the group, as shown
  bool allExported_ = true;
};

}  // namespace hub
}  // namespace velders
