#pragma once

namespace CLI {
class App;
}

namespace velders {
namespace hub {

// Adds the subcommand "status [--hub DIR] [--json]" to the program. When it
// runs it previews every entry of the hub (project::PreviewEntry), reading only,
// and prints one line an entry, then one count line a kind that occurred;
// with --json, one JSON document instead. It sets `exitCode` to kExitOk, or
// kExitFailed when the hub is missing or cannot be listed. The storage
// library must be started by then.
void AddStatusCommand(CLI::App& program, int& exitCode);

}  // namespace hub
}  // namespace velders
