#pragma once

#include <boost/date_time/posix_time/posix_time_types.hpp>

#include "mevcore/filesupport/Dir.h"
#include "mevcore/filesupport/DurableWrite.h"
#include "mevcore/filesupport/File.h"
#include "mevcore/utility/ImmutableString.h"
#include "mevcore/utility/Text.h"

namespace velders {

// Writes "recovery_info.txt" into the project folder: the current name, the
// recovered name, the recovery note and the program's name and version, CR LF
// between the lines and none after the last. False when the write failed
// (reported to the diagnostics; the console line is the caller's). A time
// that cannot be converted throws before anything is written.
// The file's content, as WriteRecoveryInfo writes it.
mevcore::utility::UTF8String RecoveryInfoText(const mevcore::utility::ImmutableString& name,
                                              const boost::posix_time::ptime& recovery,
                                              const boost::posix_time::ptime& lastModified);

bool WriteRecoveryInfo(const mevcore::filesupport::Dir& project,
                       const mevcore::utility::ImmutableString& name,
                       const boost::posix_time::ptime& recovery,
                       const boost::posix_time::ptime& lastModified);

// Writes `text` as the project's "recovery_info.txt"; with
// FolderSync::kByCaller the folder is not synced. False when the write
// failed (reported to the diagnostics, as WriteRecoveryInfo reports it).
bool WriteRecoveryInfoText(const mevcore::filesupport::Dir& project,
                           const mevcore::utility::UTF8String& text,
                           mevcore::filesupport::FolderSync sync);

// WriteRecoveryInfoText with FolderSync::kByCaller in two halves
// (StagedWrite), for a caller that syncs another file in between.
// BeginRecoveryInfoText is false, and says nothing, when the write cannot
// be begun: the caller then writes the file with WriteRecoveryInfoText,
// which says why it fails. FinishRecoveryInfoText is false when the write
// failed, reported as WriteRecoveryInfoText reports it.
bool BeginRecoveryInfoText(const mevcore::filesupport::Dir& project,
                           const mevcore::utility::UTF8String& text,
                           mevcore::filesupport::StagedWrite* staged);
bool FinishRecoveryInfoText(const mevcore::filesupport::Dir& project,
                            mevcore::filesupport::StagedWrite* staged);

}  // namespace velders
