#pragma once

#include "platform/Diagnostics.h"

namespace velders {

// The "Git operation error" report of a failed libgit2 call: its result,
// arg1 0, and the class and text of libgit2's last error (0 and empty text
// when there is none).
void ReportGitError(ReportSite& site, int result);

}  // namespace velders
