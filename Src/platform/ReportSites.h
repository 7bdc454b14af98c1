#pragma once

#include "platform/Diagnostics.h"

namespace velders {
namespace sites {

// Reading session properties: resolving "HEAD" fails.
extern ReportSite readHeadFailed;
// Reading session properties: getting the head commit's tree fails.
extern ReportSite readTreeFailed;
// Writing session properties: looking up the new tree fails.
extern ReportSite writeTreeLookupFailed;
// Writing session properties: head tree missing, or the new commit not made.
extern ReportSite commitFailed;
// String files: a core library exception while reading / writing.
extern ReportSite readStringFileFailed;
extern ReportSite writeStringFileFailed;
// Turning the stored properties into the record failed.
extern ReportSite deserializeFailed;

// Puts every site's state back to its start values (for tests).
void ResetAllSites();

}  // namespace sites
}  // namespace velders
