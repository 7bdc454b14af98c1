#pragma once

// What the fuzz targets share: stopping with the input that broke a
// property, and plain file access for the folders they set up. The harness
// reads and writes its own files directly, not through the core library, so
// that only the reader under test goes through the code being fuzzed.

#include <map>
#include <string>

namespace fuzz {

// Prints what went wrong and the bytes involved (escaped), then aborts so
// that libFuzzer saves the input.
[[noreturn]] void Fail(const std::string& what, const std::string& detail = std::string());

// The bytes, with every byte outside printable ASCII as \xHH.
std::string Escaped(const std::string& bytes);

// Replaces the file's content; aborts on failure.
void WriteFile(const std::string& path, const std::string& bytes);
// The file's content, or none (false) when it is missing.
bool ReadFile(const std::string& path, std::string* bytes);
void RemoveFile(const std::string& path);

// Every entry under the folder, by path relative to it, with the content of
// each regular file ("" for a folder, "<other>" for anything else).
std::map<std::string, std::string> FolderContents(const std::string& folder);

// The storage library is started once for the process; the scratch folders
// live under TMPDIR (scripts/fuzz points it at a memory file system).
void StartStorage();

// Aborts unless the console line holds no control byte and none of the
// invisible format characters ConsoleSafe escapes, wherever a terminal
// might decode one.
void CheckConsoleSafe(const std::string& line, const std::string& input);

}  // namespace fuzz
