#pragma once

#include <string>

namespace mevcore {
namespace diagnostics {

// The folder of the diagnostics files:
// ${XDG_STATE_HOME:-$HOME/.local/state}/<application name>. Empty when no
// application name is set or no home folder can be found.
std::string StateFolderPath();

// Appends `text` to the file `name` of the state folder with one write(),
// making the folder (with its parents) when it is missing. Returns whether
// the whole text was written; a failure leaves no trace anywhere else.
//
// The diagnostics files deliberately bypass the file-system seam
// (filesupport::DiskInterface): a log that fails must never affect a
// recovery, and fault-injection tests must not count log writes.
bool AppendToStateFile(const char* name, const std::string& text);

}  // namespace diagnostics
}  // namespace mevcore
