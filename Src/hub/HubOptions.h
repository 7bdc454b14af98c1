#pragma once

#include <string>

#include "mevcore/filesupport/Dir.h"

namespace CLI {
class App;
}

namespace velders {
namespace hub {

// The program's exit codes, the same for every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// What --help says about them.
extern const char* const kExitCodesHelp;

// The options every subcommand takes.
struct HubOptions {
  std::string hub;  // --hub DIR; empty for the hub the recovery program uses
};

// Adds --hub to a subcommand, and `details` and the exit codes to the foot
// of its help.
void AddHubOptions(CLI::App& command, HubOptions& options, const std::string& details);

// The hub folder: the one given with --hub, else "Velders Local Hub" in the
// shared documents folder.
mevcore::filesupport::Dir HubFolder(const HubOptions& options);

}  // namespace hub
}  // namespace velders
