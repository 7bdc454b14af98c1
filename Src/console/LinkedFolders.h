#pragma once

#include <string>
#include <vector>

#include "mevcore/filesupport/Dir.h"

namespace velders {

// The native paths of the folder's entries that are symbolic links to
// folders, in byte-wise order. The walk over the hub never follows them, so
// the run names them instead of passing them over in silence. Throws
// mevcore::config::mev_exception when the folder cannot be listed.
std::vector<std::string> LinkedFolders(const mevcore::filesupport::Dir& folder);

}  // namespace velders
