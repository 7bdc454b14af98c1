#pragma once

#include <string>

namespace samplehub {

// `folder` + "/" + `relative`.
std::string JoinPath(const std::string& folder, const std::string& relative);

// Throws SampleHubError unless `relative` is a path of one or more names
// separated by "/", none of them empty, "." or "..". `what` names its role.
void CheckRelativePath(const std::string& relative, const std::string& what);

// Makes the folder and its missing parents.
void MakeFolders(const std::string& folder);
// Makes the folder, which must not exist yet; its parent must exist.
void MakeNewFolder(const std::string& folder);
enum class FolderState { kMissing, kEmpty, kHoldsEntries, kNotAFolder };
// What is at `folder` (symbolic links followed); throws SampleHubError when
// that cannot be found out.
FolderState ExamineFolder(const std::string& folder);

// Removes the folder and all it holds, ignoring failures: for undoing what
// a failed step made.
void RemoveQuietly(const std::string& folder);

// Makes the file with exactly `bytes`, and its missing parent folders.
void WriteNewFile(const std::string& path, const std::string& bytes);

}  // namespace samplehub
