#pragma once

namespace velders {

// The whole run: start-up, the dialogue, the walk over the hub's project
// folders, the summary and shutdown. Returns the exit code, 0.
int RunRecovery();

}  // namespace velders
