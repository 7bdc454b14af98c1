#include "platform/ReportSites.h"

namespace velders {
namespace sites {
namespace {

const char kLiftedSource[] = "..\\..\\Src\\lifted";
const char kStringFilesSource[] = "Model/Utils";
const char kGitOperationError[] = "Git operation error";

}  // namespace

ReportSite readHeadFailed{4, "mevstorage", kGitOperationError, kLiftedSource, 90,
                          "ReadSessionProperties"};
ReportSite readCommitFailed{4, "mevstorage", kGitOperationError, kLiftedSource, 92,
                            "ReadSessionProperties"};
ReportSite readTreeFailed{4, "mevstorage", kGitOperationError, kLiftedSource, 94,
                          "ReadSessionProperties"};
ReportSite readBlobFailed{4, "mevstorage", kGitOperationError, kLiftedSource, 98,
                          "ReadSessionProperties"};
ReportSite writeTreeLookupFailed{4, "mevstorage", kGitOperationError, kLiftedSource, 142,
                                 "WriteSessionProperties"};
ReportSite commitFailed{4, "mevcore.StructuredLogging", "Unable to commit properties",
                        kLiftedSource, 154, "WriteSessionProperties"};
ReportSite commitStepFailed{4, "mevstorage", "Unable to commit properties", kLiftedSource, 150,
                            "WriteSessionProperties"};
ReportSite readStringFileFailed{3, "mevcore.StructuredLogging",
                                "Caught exception attempting to read from file",
                                kStringFilesSource, 75, "YondraLocalHub::ReadStringFile"};
ReportSite writeStringFileFailed{3, "mevcore.StructuredLogging",
                                 "Caught exception attempting to create and write to a file",
                                 kStringFilesSource, 51, "YondraLocalHub::WriteStringFile"};
ReportSite deserializeFailed{0, "", "", kLiftedSource, 74, "DeserializeFromBlob"};

void ResetAllSites() {
  for (ReportSite* site : {&readHeadFailed, &readCommitFailed, &readTreeFailed, &readBlobFailed,
                           &writeTreeLookupFailed, &commitFailed, &commitStepFailed,
                           &readStringFileFailed, &writeStringFileFailed, &deserializeFailed}) {
    site->lastTraceChangeCount = -1;
    site->traceEnabled = false;
    site->assertMuted = false;
  }
}

}  // namespace sites
}  // namespace velders
