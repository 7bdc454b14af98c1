#pragma once

#include <optional>

#include "console/Console.h"
#include "mevcore/filesupport/Dir.h"

namespace velders {

// The whole run: start-up, the dialogue on `console`, the walk over the
// hub's project folders, the summary and shutdown. The hub is "Velders Local
// Hub" in the user's shared documents folder unless one is given. Returns
// the exit code, 0.
int RunRecovery(Console& console,
                const std::optional<mevcore::filesupport::Dir>& hub = std::nullopt);

// The program's run: the dialogue on the standard error stream and standard
// input.
int RunRecovery();

}  // namespace velders
