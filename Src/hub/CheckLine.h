#pragma once

#include <cstddef>
#include <string>

#include "mevstorage/git/Verify.h"

namespace velders {
namespace hub {

// How many of a project's problems its line names.
constexpr std::size_t kProblemsShown = 3;

// The line `check` prints for a project whose store could be read:
// "<shown>: ok", or "<shown>: <n> problem(s): " and the first kProblemsShown
// of them joined by "; ", then "; <m> more" for the rest. Everything taken
// from the project goes through ConsoleSafe.
std::string CheckLine(const std::string& shown, const mevstorage::git::VerifyResult& result);

// The line for a project whose store could not be checked at all:
// "<shown>: <reason>", console-safe.
std::string FailedLine(const std::string& shown, const std::string& reason);

}  // namespace hub
}  // namespace velders
