#pragma once

#include <set>
#include <string>

#include "mevcore/filesupport/Dir.h"

namespace velders {
namespace project {

// The names in a project folder, listed once, so that a name that is not
// there needs no look of its own. Only names directly in the folder are
// answered: a path with a '/' may always be there. A folder that could not
// be listed, and a listing made by the default constructor, lack nothing,
// so that each name is then looked at as without a listing. A listing is a
// moment's view: what it lacks may appear later.
class FolderListing {
 public:
  FolderListing() = default;
  // Never throws: a folder that cannot be listed gives a listing that lacks
  // nothing.
  static FolderListing Of(const mevcore::filesupport::Dir& folder);

  bool Lacks(const std::string& relative) const;

 private:
  bool listed_ = false;
  std::set<std::string> names_;
};

}  // namespace project
}  // namespace velders
