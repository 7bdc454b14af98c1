#pragma once

namespace CLI {
class App;
}

namespace velders {
namespace hub {

// Adds the subcommand "check [--hub DIR] [FOLDER...]" to the program. When
// it runs it checks the store of each project (VerifyRepository) and prints
// one line a project on standard output, in the order of the folders given
// or of the hub's walk; it sets `exitCode` to kExitOk when every project is
// sound, else kExitFailed. The storage library must be started by then.
void AddCheckCommand(CLI::App& program, int& exitCode);

}  // namespace hub
}  // namespace velders
