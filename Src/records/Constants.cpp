#include "records/Constants.h"

namespace velders {

using mevcore::utility::AsciiToUTF16;
using mevcore::utility::ImmutableString;
using mevcore::utility::UTF16String;

const ImmutableString kHead = ImmutableString::CreateStatic("HEAD");
const ImmutableString kProductionBranch = ImmutableString::CreateStatic("production");
const ImmutableString kPropertiesBlobName = ImmutableString::CreateStatic("properties");

const UTF16String kDeletedFileName = AsciiToUTF16("deleted");
const UTF16String kPreRecoveryDeletedFileName = AsciiToUTF16("pre_recovery_deleted");
const UTF16String kPreRecoverySyncFileName = AsciiToUTF16("pre_recovery_sync.sqlite3");
const UTF16String kPreRecoveryVersionFileName = AsciiToUTF16("pre_recovery_version");
const UTF16String kRecoveryInfoFileName = AsciiToUTF16("recovery_info.txt");
const UTF16String kSyncFileName = AsciiToUTF16("sync.sqlite3");
const UTF16String kVersionFileName = AsciiToUTF16("version");

}  // namespace velders
