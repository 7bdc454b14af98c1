#pragma once

// The file-system steps of an export, all through Disk(). Each throws
// StorageError "Unable to <what> <path>: <reason>" on failure.

#include <string>

namespace mevstorage {
namespace git {

// The marker in the names of an export's temporaries.
constexpr const char* kExportingMarker = ".exporting-";

[[noreturn]] void ThrowDiskError(const std::string& what, const std::string& path, int error);

// Makes a new folder ".<name>.exporting-<pid>-<n>" in `folder`; its path.
std::string MakeExportTemporary(const std::string& folder, const std::string& name);

void MakeFolder(const std::string& path);
// Writes a file that must not exist yet; not synced.
void WriteNewFile(const std::string& path, const std::string& bytes);
// Removes `path` and everything under it, links not followed. 0, or the errno
// of the first call that failed with `failedPath` set; it goes on with the
// rest regardless.
int RemoveTree(const std::string& path, std::string* failedPath);

// Renames the finished temporary to `target`, never over an existing one
// (ExportTargetExists then, the temporary left to the caller); the folder
// is not synced.
void PutInPlace(const std::string& temporary, const std::string& target);

}  // namespace git
}  // namespace mevstorage
