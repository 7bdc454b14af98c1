#pragma once

namespace CLI {
class App;
}

namespace velders {
namespace hub {

// Adds the subcommand "undo [--hub DIR] [--dry-run] [--force]
// (FOLDER... | --all)" to the program. When it runs it holds the folder
// that holds each folder named, wherever it is (the hub with --all), takes
// back the recovery of each folder named, or of every recovered project of
// the hub with --all (project::UndoRecovery), and prints one line a folder
// on standard output, with a warning line before it for a forced one. When
// another program holds one of those folders it changes nothing and says
// so on standard error. It sets `exitCode` to kExitOk when every folder was
// undone (or would be), else kExitFailed; neither FOLDER nor --all is a
// usage error. The storage library must be started by then.
void AddUndoCommand(CLI::App& program, int& exitCode);

}  // namespace hub
}  // namespace velders
