#include "records/RecoveryInfo.h"

#include "Model/Utils.h"
#include "mevcore/utility/UTF8StringStream.h"
#include "records/Constants.h"
#include "records/TimeStamps.h"
#include "records/Version.h"

namespace velders {

using mevcore::utility::ImmutableString;
using mevcore::utility::UTF8String;

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
  const mevcore::filesupport::File file(project,
                                        mevcore::utility::AsciiToUTF16(kRecoveryInfoFileName));
  return YondraLocalHub::WriteStringFile(file, text, sync);
}

}  // namespace velders
