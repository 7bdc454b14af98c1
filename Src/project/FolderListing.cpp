#include "project/FolderListing.h"

#include <vector>

#include "mevcore/filesupport/DiskInterface.h"

namespace velders {
namespace project {

FolderListing FolderListing::Of(const mevcore::filesupport::Dir& folder) {
  FolderListing listing;
  std::vector<mevcore::filesupport::DiskInterface::Entry> entries;
  listing.listed_ = mevcore::filesupport::Disk().ListDir(folder.NativePath(), &entries) == 0;
  for (const auto& entry : entries) listing.names_.insert(entry.name);
  return listing;
}

bool FolderListing::Lacks(const std::string& relative) const {
  return listed_ && relative.find('/') == std::string::npos && names_.count(relative) == 0;
}

}  // namespace project
}  // namespace velders
