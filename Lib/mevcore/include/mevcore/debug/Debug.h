#pragma once

#include <cstdint>

namespace mevcore {
namespace debug {

// Counts changes to the trace settings; while it stays the same, an earlier
// answer of TraceEnabled still holds.
std::int32_t TraceChangeCount();
// Whether trace lines of this category and level are wanted. Categories are
// switched on by the environment variable MEVCORE_TRACE (comma-separated
// names, or *). `inherit` true also asks the parent categories of a dotted
// name ("a.b" is then on when "a" is).
bool TraceEnabled(const char* category, std::int32_t level, bool inherit);
// Appends one trace line (its own line end included).
void Trace(const char* text);

// Fills up to `count` return addresses of the calling stack, skipping `skip`
// frames of the caller's own; returns how many it filled.
int GenerateStackTrace(void** frames, int count, int skip);

// A console program has no dialog: the assertion report is appended to the
// log and false (do not break) is returned. `mute`, when set, silences the
// site; the library never sets it on its own.
bool BreakAfterAssertDialog(bool& mute, const char* condition, const char* message,
                            const char* file, std::int32_t line, const char* function,
                            bool isAssert);
bool IsDebuggerAttached();

}  // namespace debug
}  // namespace mevcore
