#pragma once

#include <string>

namespace bench {

// The object database work of one recovery, without Git: reads the head
// commit `headId` (40 hex digits) and its root tree from the database at
// `databasePath`, then inserts a new properties blob of about 200 bytes, a
// root tree of the head tree's size and a commit of about 300 bytes in one
// transaction with the recovery's durability (synchronous FULL, rollback
// journal). Returns the new commit's id in hex. The ids are random: the
// rows have the sizes of real objects, not their hashes. Throws
// std::runtime_error naming the database and SQLite's reason.
std::string CommitRecoveryObjects(const std::string& databasePath, const std::string& headId);

}  // namespace bench
