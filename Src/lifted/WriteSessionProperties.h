#pragma once

#include <boost/date_time/posix_time/ptime.hpp>

#include "lifted/SessionProperties.h"
#include "mevcore/utility/Text.h"
#include "mevstorage/git/Storage.h"

namespace velders {

// Commits the head tree with `properties` as its "properties" blob (every
// other entry kept) under `message`, and moves "production" to the new
// commit. True once "production" names it; every failure is reported to the
// diagnostics.
bool WriteSessionProperties(const mevstorage::git::RepositoryHandle& repository,
                            const SessionProperties& properties,
                            const mevcore::utility::UTF8String& message);

// All of WriteSessionProperties but the branch move, on `head`, the commit
// HEAD names as the caller read it (an empty handle fails as a HEAD that
// names no commit): the new commit, its parent `head` and its tree `head`'s
// with the new blob, its objects written but not yet durable
// (SetBranchToCommit or FlushWrites make them so); empty on failure,
// reported as WriteSessionProperties reports it. `properties` is taken, and
// its members let go once the blob's text is made: handed over by a caller
// that holds no other reference, a large record is then no longer in memory
// while the blob is stored.
mevstorage::git::CommitHandle CommitSessionProperties(
    const mevstorage::git::RepositoryHandle& repository,
    const mevstorage::git::CommitHandle& head, SessionProperties properties,
    const mevcore::utility::UTF8String& message);

// The commit WriteRecoveredProperties makes, on `head`, without moving the
// branch; takes `head` and `properties` as CommitSessionProperties does.
mevstorage::git::CommitHandle CommitRecoveredProperties(
    const mevstorage::git::RepositoryHandle& repository,
    const mevstorage::git::CommitHandle& head, SessionProperties properties,
    const boost::posix_time::ptime& recovery, const boost::posix_time::ptime& lastModified);

// Commits the recovered version of `properties`: the recovered name, the
// description extended by the recovery note, the commit message
// "Velders Recovery " + note. `properties` itself is not changed. A time
// that cannot be converted throws before anything is written.
bool WriteRecoveredProperties(const mevstorage::git::RepositoryHandle& repository,
                              const SessionProperties& properties,
                              const boost::posix_time::ptime& recovery,
                              const boost::posix_time::ptime& lastModified);

}  // namespace velders
