#pragma once

#include <string>

#include "console/Console.h"
#include "mevcore/filesupport/Dir.h"
#include "project/Outcome.h"
#include "project/Recovery.h"
#include "project/Resume.h"

namespace velders {

// The console lines about one project's recovery, and what it means for the
// walk. The folder is named as it was when its turn came.
Outcome SayRecovery(const mevcore::filesupport::Dir& project,
                    const project::RecoveryReport& report, Console& console);

// "Caught an exception while working on <folder> : <what>".
void SayException(const mevcore::filesupport::Dir& project, const std::string& what,
                  Console& console);

// The line about a folder an earlier run left part way; true when it is now
// recovered.
bool SayResume(const mevcore::filesupport::Dir& project, const project::ResumeReport& report,
               Console& console);

}  // namespace velders
