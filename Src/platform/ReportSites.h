#pragma once

#include "platform/Diagnostics.h"

namespace velders {
namespace sites {

// Reading session properties: resolving "HEAD" fails.
extern ReportSite readHeadFailed;
// Reading session properties: the commit "HEAD" names cannot be read.
extern ReportSite readCommitFailed;
// Reading session properties: getting the head commit's tree fails.
extern ReportSite readTreeFailed;
// Reading session properties: the tree's "properties" blob cannot be read.
extern ReportSite readBlobFailed;
// Writing session properties: looking up the new tree fails.
extern ReportSite writeTreeLookupFailed;
// Writing session properties: head tree missing, or the new commit not made.
extern ReportSite commitFailed;
// Writing session properties: another step of the commit fails.
extern ReportSite commitStepFailed;
// String files: a core library exception while reading / writing.
extern ReportSite readStringFileFailed;
extern ReportSite writeStringFileFailed;
// Turning the stored properties into the record failed.
extern ReportSite deserializeFailed;

// Puts every site's state back to its start values (for tests).
void ResetAllSites();

}  // namespace sites
}  // namespace velders
