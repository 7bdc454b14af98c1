#include "records/Constants.h"

namespace velders {

using mevcore::utility::ImmutableString;

const ImmutableString kHead = ImmutableString::CreateStatic("HEAD");
const ImmutableString kProductionBranch = ImmutableString::CreateStatic("production");
const ImmutableString kPropertiesBlobName = ImmutableString::CreateStatic("properties");

const char kGitFolderName[] = "git";
const char kDeletedFileName[] = "deleted";
const char kPreRecoveryDeletedFileName[] = "pre_recovery_deleted";
const char kPreRecoverySyncFileName[] = "pre_recovery_sync.sqlite3";
const char kPreRecoveryVersionFileName[] = "pre_recovery_version";
const char kRecoveryInfoFileName[] = "recovery_info.txt";
const char kSyncFileName[] = "sync.sqlite3";
const char kVersionFileName[] = "version";

const char kJournalFileName[] = "recovery-in-progress.json";
const char kRecordFileName[] = "recovery-record.json";

}  // namespace velders
