#pragma once

namespace CLI {
class App;
}

namespace velders {
namespace hub {

// Adds the subcommand "export [--hub DIR] [--checkout] [--quiet]
// (FOLDER... | --all) --to DIR" to the program. When it runs it removes the
// temporaries of dead exports from the --to folder (made when missing),
// then exports the store of each project named, or of every project of the
// hub with --all, and prints one line a project on standard output once its
// export is in place (ExportGroupLines); on a terminal, and without --quiet,
// a progress line on standard error for an export that takes more than a
// second. It reads the hub only. It sets `exitCode` to kExitOk when every
// project was exported, else kExitFailed; neither FOLDER nor --all, and a
// --to folder inside the hub, are usage errors. The storage library must be
// started by then.
void AddExportCommand(CLI::App& program, int& exitCode);

}  // namespace hub
}  // namespace velders
