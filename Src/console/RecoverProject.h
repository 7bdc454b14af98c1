#pragma once

#include <future>
#include <optional>
#include <string>

#include "console/Console.h"
#include "mevcore/filesupport/Dir.h"
#include "project/Outcome.h"
#include "project/Recovery.h"

namespace velders {

// Decides about one sub-folder of the hub, asks the user about it when it is
// offered, and recovers it on yes, all or nothing: kRecovered, kNotRecovered
// (the walk goes on) or kStopWalk. Every failure within the project is
// caught here and said in one line on the console.
Outcome AskAndRecoverProject(bool upgrade, const mevcore::filesupport::Dir& project,
                             Console& console);

// A folder of a recover-all walk, looked at before its turn: examined and,
// when offered, its recovery prepared (PrepareRecovery), with nothing said
// yet. So the walk looks at the next folder while the project before it is
// recovered.
struct LookedAt {
  mevcore::filesupport::Dir project;
  std::optional<std::string> name;  // offered: the name "Recovering:" gives
  std::optional<project::PreparedRecovery> prepared;
  std::string said;  // not prepared: the exception line's text, if any
};

// Looks at a folder. When `mayStore` is given, its recovery commit is stored
// only once it says true, and not at all on false: it tells whether the walk
// goes on to this folder. Never throws and writes nothing to the console,
// so that it may run on another thread than the walk's.
LookedAt LookAt(const mevcore::filesupport::Dir& project, bool upgrade,
                std::shared_future<bool> mayStore = {});

// Recovers a folder looked at, saying on the console what
// AskAndRecoverProject says after a yes, or about a folder not offered.
// When given, `walkGoesOn` is told, as soon as that is known, whether the
// walk goes on past this folder.
Outcome RecoverLookedAt(LookedAt looked, Console& console,
                        std::promise<bool>* walkGoesOn = nullptr);

}  // namespace velders
