#pragma once

#include <cstdint>
#include <string>

namespace samplehub {

// What a project's synchronisation database records.
struct SyncState {
  std::string lastSyncedCommit;  // hex id; empty for a project never synchronised
  std::int64_t lastSyncTime = 0;  // seconds since 1970
  std::int64_t serverRevision = 0;
};

// Makes the SQLite database `path`, a new file, with the table
// sync_state(key, value) holding the rows "lastSyncedCommit",
// "lastSyncTime" (as "YYYY-MM-DD HH:MM:SS" UTC) and "serverRevision".
void MakeSyncDatabase(const std::string& path, const SyncState& state);

}  // namespace samplehub
