#pragma once

#include <string>

#include <boost/date_time/posix_time/posix_time_types.hpp>

namespace bench {

// The four lines the recovery writes to "recovery_info.txt" for a project
// named `name` (UTF-8), recovered at `recovery` and last modified at
// `lastModified` (both UTC), with CR LF between the lines and none after.
std::string RecoveryInfoText(const std::string& name, const boost::posix_time::ptime& recovery,
                             const boost::posix_time::ptime& lastModified);

}  // namespace bench
