#pragma once

#include "mevcore/utility/ImmutableString.h"
#include "mevcore/utility/Text.h"

namespace velders {

// References and blob names inside a project repository.
extern const mevcore::utility::ImmutableString kHead;                // "HEAD"
extern const mevcore::utility::ImmutableString kProductionBranch;    // "production"
extern const mevcore::utility::ImmutableString kPropertiesBlobName;  // "properties"

// File names inside a project folder.
extern const mevcore::utility::UTF16String kDeletedFileName;              // "deleted"
extern const mevcore::utility::UTF16String kPreRecoveryDeletedFileName;   // "pre_recovery_deleted"
extern const mevcore::utility::UTF16String kPreRecoverySyncFileName;      // "pre_recovery_sync.sqlite3"
extern const mevcore::utility::UTF16String kPreRecoveryVersionFileName;   // "pre_recovery_version"
extern const mevcore::utility::UTF16String kRecoveryInfoFileName;         // "recovery_info.txt"
extern const mevcore::utility::UTF16String kSyncFileName;                 // "sync.sqlite3"
extern const mevcore::utility::UTF16String kVersionFileName;              // "version"

}  // namespace velders
