#pragma once

#include <boost/date_time/posix_time/ptime.hpp>

#include "lifted/SessionProperties.h"
#include "mevstorage/git/Storage.h"

namespace velders {

// Reads the session properties of the commit "HEAD" names and that commit's
// time (UTC). False when they cannot be had; both outputs are then left as
// they were. Failures to resolve "HEAD" or to read the commit, its tree or
// its "properties" blob are reported to the diagnostics (a tree without that
// blob is not: the folder is no project); a blob that is not a properties
// object is reported by DeserializeFromBlob.
bool ReadSessionProperties(const mevstorage::git::RepositoryHandle& repository,
                           boost::posix_time::ptime& lastModified,
                           SessionProperties& properties);

// The same for the commit `commitId`, already resolved by the caller.
bool ReadSessionPropertiesAt(const mevstorage::git::RepositoryHandle& repository,
                             const git_oid& commitId, boost::posix_time::ptime& lastModified,
                             SessionProperties& properties);

}  // namespace velders
