#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "FaultInjectionHub.h"
#include "FaultInjectionRun.h"

namespace velders {
namespace faults {

// What was found wrong, one line each, naming the folder.
using Findings = std::vector<std::string>;

// Adds each of `found` to `all`, after `tag`.
void AddTagged(Findings* all, const std::string& tag, const Findings& found);

// The invariants that hold after any run, with or without faults: nothing
// of the original "sync.sqlite3" (its companions included), "deleted" and
// "version" is lost; the old head is HEAD or an ancestor of it, every
// reference names a stored object, the object database passes its
// integrity check; folders that are no project, or were skipped, are
// byte-identical. `fsck` also exports every
// repository that changed and runs git fsck --strict on it.
Findings CheckHub(const PristineHub& hub, bool fsck);

// No temporary of a durable write is left anywhere in the hub: a run after
// a crash removes those the crashed run left.
Findings CheckNoStrayTemporaries(const PristineHub& hub);

// The run ended normally with exit code 0 and the summary.
Findings CheckRunEnded(const RunOutcome& run);

// The lines of a transcript that say something failed.
std::multiset<std::string> FailureLines(const std::string& transcript);
// The lines of `run` that say something failed and are not among `clean`.
std::vector<std::string> NewFailureLines(const std::string& run, const std::string& clean);

// Whether something is at `path`, links not followed.
bool IsThere(const std::string& path);

// The rest of the first line of the transcript that starts with `start`;
// empty when none does.
std::string LineAfter(const std::string& transcript, const std::string& start);
bool EndsWith(const std::string& text, const std::string& end);

// Whether a line of the transcript starts with `line`.
bool Says(const std::string& transcript, const std::string& line);

// The project was recovered completely: set aside ("sync.sqlite3" with
// each of its companions, byte for byte), information file written, data
// model upgraded as asked, new properties on top of the old head, the
// folder promoted. With `promotionUpgradeMayFail`, a promoted
// folder may keep its old "version": when the promotion's own upgrade fails,
// the folder is renamed and counted all the same.
bool FullyRecovered(const PristineHub& hub, const HubFolder& folder, bool upgrade,
                    std::string* why, bool promotionUpgradeMayFail = false);

// Every project a run recovers is recovered completely.
bool AllRecovered(const PristineHub& hub, bool upgrade);

// Counts the projects a run recovers that are neither recovered completely
// nor as they were, and names each in `findings`, after `when`.
std::uint64_t CountStuck(const PristineHub& hub, bool upgrade, bool promotionUpgradeMayFail,
                         const std::string& when, Findings* findings);

// The project is as it was before the run: every file byte-identical under
// its own name, references included, the object database aside (it may
// keep objects that nothing references).
bool AsItWas(const PristineHub& hub, const HubFolder& folder, std::string* why);

}  // namespace faults
}  // namespace velders
