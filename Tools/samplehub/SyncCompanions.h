#pragma once

#include <string>

namespace samplehub {

// The rows of "pending_changes" that a database of a project with
// companions holds once whole: ids 1 to kPendingRows.
constexpr int kPendingRows = 24;

// What a program using a synchronisation database left beside it.
enum class SyncCompanions {
  kNone,
  // "-wal" and "-shm": every row of "pending_changes" is committed to the
  // log and none copied into the database file.
  kWal,
  // A hot "-journal": the rows were committed in rollback mode, then a
  // process killed in the middle of a transaction that replaces them had
  // already written part of it into the database file. Rolling the journal
  // back gives the committed rows again.
  kHotJournal,
};

// Leaves the companions on the existing database `path`. kHotJournal runs
// the killed transaction in a child process. Throws SampleHubError naming
// the file.
void LeaveSyncCompanions(const std::string& path, SyncCompanions companions);

}  // namespace samplehub
