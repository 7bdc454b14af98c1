#pragma once

#include "mevcore/filesupport/Dir.h"

namespace velders {

// Decides about one sub-folder of the hub and recovers it: 1 recovered, 0 not
// recovered (the walk goes on), -1 stop the walk. Every failure within the
// project is caught here and said in one line.
int RecoverProject(bool ask, bool upgrade, const mevcore::filesupport::Dir& project);

}  // namespace velders
