#pragma once

#include <string>

namespace bench {

// The file operations of the floor, each as durable as the recovery makes
// it. Each throws std::runtime_error naming the path and the system's reason.

// Creates or replaces `path` with exactly `bytes`, then syncs the file.
void WriteFileSynced(const std::string& path, const std::string& bytes);
// Renames `from` to `to` in the same folder, refusing to replace an existing
// `to`, then syncs the folder.
void RenameAsideSynced(const std::string& from, const std::string& to);
// Renames `from` over `to` in the same folder, then syncs the folder.
void RenameOverSynced(const std::string& from, const std::string& to);
void SyncFolder(const std::string& folder);

bool PathExists(const std::string& path);
std::string ReadWholeFile(const std::string& path);
std::string ParentFolder(const std::string& path);

}  // namespace bench
