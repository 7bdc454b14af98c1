#pragma once

#include "mevcore/filesupport/File.h"
#include "mevcore/utility/ImmutableString.h"
#include "mevcore/utility/Text.h"

namespace YondraLocalHub {

// The whole content of the file, byte for byte; empty when the file does not
// exist or cannot be read (the failure is reported to the diagnostics).
mevcore::utility::ImmutableString ReadStringFile(const mevcore::filesupport::File& file);

// Makes the file's folder and the file if missing, writes the content from
// the start and cuts the file after it. False when that failed (reported to
// the diagnostics).
// With FolderSync::kByCaller the file's folder is not synced after the
// write; the caller syncs it before relying on the file.
bool WriteStringFile(mevcore::filesupport::File file, const mevcore::utility::UTF8String& content,
                     mevcore::filesupport::FolderSync sync = mevcore::filesupport::FolderSync::kNow);

}  // namespace YondraLocalHub
