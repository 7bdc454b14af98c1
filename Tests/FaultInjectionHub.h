#pragma once

#include <map>
#include <string>
#include <vector>

#include "TempFolder.h"

namespace velders {
namespace faults {

// One folder of the hub and what a run may do to it.
struct HubFolder {
  std::string name;          // the folder's name before any run
  bool recoverable = false;  // a project a run recovers
  bool older = false;        // ends in ".vd": promoted to ".vd2"
  std::map<std::string, std::string> files;  // HashTree of the folder before any run
  std::string headId;  // the commit HEAD named before any run; empty without a repository
};

// A scratch area on tmpfs when there is one, with a pristine hub of
// representative folders: current and ".vd" projects with and without
// "deleted", "sync.sqlite3" with a write-ahead log and its index beside it,
// with a hot journal, and alone, one already recovered, and a folder that
// is no project. With `copies` above 1, each of them that many times, the
// copies numbered.
class PristineHub {
 public:
  explicit PristineHub(int copies = 1);
  PristineHub(const PristineHub&) = delete;
  PristineHub& operator=(const PristineHub&) = delete;

  const std::vector<HubFolder>& Folders() const { return folders_; }
  // The scratch folder, and a home inside it with its hub.
  const std::string& Scratch() const { return scratch_.Path(); }
  std::string Home() const { return Scratch() + "/home"; }
  std::string Hub() const { return Home() + "/Documents/Velders Local Hub"; }
  std::string StateFolder() const { return Home() + "/state"; }
  // Puts the home back as it was before any run.
  void Restore() const;
  // Keeps a copy of the home as it is now, under `name`; RestoreKept puts
  // the home back as it was then.
  void Keep(const std::string& name) const;
  void RestoreKept(const std::string& name) const;

 private:
  mevstorage::testing::TempFolder scratch_;
  std::vector<HubFolder> folders_;
};

}  // namespace faults
}  // namespace velders
