#pragma once

#include <string>
#include <vector>

#include "mevcore/filesupport/Dir.h"
#include "mevcore/filesupport/File.h"

namespace velders {
namespace project {

// A SQLite database of a project folder and the companions SQLite keeps
// beside it ("-journal", "-wal", "-shm"; mevstorage/git/DatabaseFiles.h)
// are renamed together, so that the set stays whole under its new name.

// The database's name and those of its companions that are there, the
// companions first.
std::vector<std::string> DatabaseFilesThere(const mevcore::filesupport::Dir& project,
                                            const std::string& database);

// Renames "<from>" and each "<from><suffix>" that is there to "<to>" and
// "<to><suffix>", the companions first, so that "<from>" goes last; what is
// not there is passed over. Refuses, before any rename, when a name it
// would rename to is taken: it never replaces. With FolderSync::kByCaller
// the folder is not synced. Throws a std::exception naming the file.
void MoveDatabase(const mevcore::filesupport::Dir& project, const std::string& from,
                  const std::string& to, mevcore::filesupport::FolderSync sync);

// Whether that move is complete: "<to>" is there and neither "<from>" nor
// any of its companions is.
bool DatabaseMoved(const mevcore::filesupport::Dir& project, const std::string& from,
                   const std::string& to);

}  // namespace project
}  // namespace velders
