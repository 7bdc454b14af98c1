#pragma once

#include <cstddef>
#include <string>

namespace bench {

// The name every project of a bench hub carries in its session properties.
extern const char* const kBenchProjectName;

// The layout of project `index` (0-based) of a hub of `count` projects:
// every tenth folder is of the older data model (".vd", older "version"),
// the others end in ".vd2"; every second one carries a "deleted" marker.
std::string BenchFolderName(std::size_t index, std::size_t count);
bool IsOlderModel(std::size_t index);
bool HasDeletedMarker(std::size_t index);

// Makes `count` project folders in `hubFolder` (missing or empty; made when
// missing), each with a repository of `objects` media blobs besides its own
// few objects, "sync.sqlite3" and "version". The first is made with the
// sample hub builder, the others are copies of it. The storage library must
// be started. Throws std::runtime_error naming what failed.
void MakeBenchHub(const std::string& hubFolder, std::size_t count, std::size_t objects);

}  // namespace bench
