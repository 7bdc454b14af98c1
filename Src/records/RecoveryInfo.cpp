#include "records/RecoveryInfo.h"

#include "Model/Utils.h"
#include "mevcore/config/Exception.h"
#include "mevcore/utility/UTF8StringStream.h"
#include "platform/ReportSites.h"
#include "records/Constants.h"
#include "records/TimeStamps.h"
#include "records/Version.h"

namespace velders {

using mevcore::utility::ImmutableString;
using mevcore::utility::UTF8String;

namespace {

mevcore::filesupport::File RecoveryInfoFile(const mevcore::filesupport::Dir& project) {
  return mevcore::filesupport::File(project,
                                    mevcore::utility::AsciiToUTF16(kRecoveryInfoFileName));
}

}  // namespace

UTF8String RecoveryInfoText(const ImmutableString& name, const boost::posix_time::ptime& recovery,
                            const boost::posix_time::ptime& lastModified) {
  const UTF8String recoveredName = MakeRecoveredName(name, recovery);
  const UTF8String note = MakeRecoveryNote(recovery, lastModified);
  mevcore::oUTF8StringStream text;
  text << "Project: " << name << mevcore::endl
       << "New project name: " << recoveredName << mevcore::endl
       << note << mevcore::endl
       << "Velders Recovery: " << kVersionText;
  return text.str();
}

bool WriteRecoveryInfo(const mevcore::filesupport::Dir& project, const ImmutableString& name,
                       const boost::posix_time::ptime& recovery,
                       const boost::posix_time::ptime& lastModified) {
  return WriteRecoveryInfoText(project, RecoveryInfoText(name, recovery, lastModified),
                               mevcore::filesupport::FolderSync::kNow);
}

bool WriteRecoveryInfoText(const mevcore::filesupport::Dir& project, const UTF8String& text,
                           mevcore::filesupport::FolderSync sync) {
  return YondraLocalHub::WriteStringFile(RecoveryInfoFile(project), text, sync);
}

bool BeginRecoveryInfoText(const mevcore::filesupport::Dir& project, const UTF8String& text,
                           mevcore::filesupport::StagedWrite* staged) {
  mevcore::filesupport::DurableWriteOptions options;
  options.refuseUnwritable = true;
  options.folderSync = mevcore::filesupport::FolderSync::kByCaller;
  return staged->Begin(RecoveryInfoFile(project).NativePath(), text.data(), text.size(),
                       options) == 0;
}

bool FinishRecoveryInfoText(const mevcore::filesupport::Dir& project,
                            mevcore::filesupport::StagedWrite* staged) {
  mevcore::filesupport::DurableWriteFailure failure;
  const int error = staged->Finish(&failure);
  if (error == 0) return true;
  const std::string reason =
      mevcore::config::SystemErrorText("Unable to " + failure.step, failure.path, error);
  Report(sites::writeStringFileFailed,
         {{"exception", reason}, {"path", RecoveryInfoFile(project).FullPath()}});
  return false;
}

}  // namespace velders
