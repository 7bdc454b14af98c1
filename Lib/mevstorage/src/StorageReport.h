#pragma once

#include <string>

namespace mevstorage {
namespace git {

// A storage failure that the library's callers may pass over without a word
// (an object that cannot be read) still leaves a trace: a level 4 record of the category "mevstorage" in the
// core library's structured log, with the named values "path" and "reason",
// and a trace line when tracing is on for that category and level.
void ReportStorageFailure(const char* message, const std::string& path, const std::string& reason,
                          const char* function, int line);

}  // namespace git
}  // namespace mevstorage
