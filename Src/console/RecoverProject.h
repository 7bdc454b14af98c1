#pragma once

#include "console/Console.h"
#include "mevcore/filesupport/Dir.h"
#include "project/Outcome.h"

namespace velders {

// Decides about one sub-folder of the hub and recovers it, all or nothing:
// kRecovered, kNotRecovered (the walk goes on) or kStopWalk. Every failure
// within the project is caught here and said in one line on the console.
Outcome RecoverProject(bool ask, bool upgrade, const mevcore::filesupport::Dir& project,
                       Console& console);

}  // namespace velders
