#pragma once

#include <optional>
#include <string>

#include "mevcore/filesupport/Dir.h"
#include "mevcore/filesupport/File.h"

namespace velders {
namespace project {

// The file operations of a project's steps. Each one either does what it
// says or throws a std::exception whose message names the file and the
// reason; none of them writes to the console.

mevcore::filesupport::Dir GitFolder(const mevcore::filesupport::Dir& project);
mevcore::filesupport::File ProjectFile(const mevcore::filesupport::Dir& project,
                                       const char* name);

// The whole content; none when the file is missing.
std::optional<std::string> ReadIfThere(const mevcore::filesupport::File& file);
// The whole content; none when the file is missing or is not a regular
// file (a folder, say).
std::optional<std::string> ReadIfRegular(const mevcore::filesupport::File& file);
// The whole content; a missing file is an error.
std::string ReadFileBytes(const mevcore::filesupport::File& file);
// Replaces the file whole, keeping its owner, group and mode: the old
// content or the new stays after a crash, never a part. The folder must be
// there; a file this process may not write is refused.
void WriteFileBytes(const mevcore::filesupport::File& file, const std::string& bytes);
// Makes the folder's entries durable.
void SyncFolder(const mevcore::filesupport::Dir& folder);
// Removes the file when it is there, and makes that durable.
void RemoveIfThere(const mevcore::filesupport::File& file);
// Renames the file within its folder when it is there and `to` is not;
// never replaces. True when it renamed.
bool RenameIfThere(const mevcore::filesupport::File& file, const char* to);
// Removes the temporaries that a run which crashed in a durable write left
// in the project folder or its "git" folder, so that the folder is again
// exactly as its files say. Never throws: one that cannot be listed or
// removed now stays for a later run.
void RemoveStaleTemporaries(const mevcore::filesupport::Dir& project);

}  // namespace project
}  // namespace velders
