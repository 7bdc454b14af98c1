#pragma once

#include "mevcore/utility/ImmutableString.h"
#include "mevcore/utility/Text.h"

namespace velders {

// References and blob names inside a project repository.
extern const mevcore::utility::ImmutableString kHead;                // "HEAD"
extern const mevcore::utility::ImmutableString kProductionBranch;    // "production"
extern const mevcore::utility::ImmutableString kPropertiesBlobName;  // "properties"

// Names inside a project folder, all ASCII.
extern const char kGitFolderName[];               // "git"
extern const char kDeletedFileName[];             // "deleted"
extern const char kPreRecoveryDeletedFileName[];  // "pre_recovery_deleted"
extern const char kPreRecoverySyncFileName[];     // "pre_recovery_sync.sqlite3"
extern const char kPreRecoveryVersionFileName[];  // "pre_recovery_version"
extern const char kRecoveryInfoFileName[];        // "recovery_info.txt"
extern const char kSyncFileName[];                // "sync.sqlite3"
extern const char kVersionFileName[];             // "version"

// Names inside its "git" folder.
extern const char kJournalFileName[];  // "recovery-in-progress.json"
extern const char kRecordFileName[];   // "recovery-record.json"

}  // namespace velders
