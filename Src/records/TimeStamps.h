#pragma once

#include <cstdint>
#include <string>

#include <boost/date_time/posix_time/posix_time_types.hpp>

#include "mevcore/utility/ImmutableString.h"
#include "mevcore/utility/Text.h"

namespace velders {

// Every time stamp the program holds is in UTC; local time exists only inside
// the text forms made here.

// The current UTC time in whole seconds: the recovery time of one project.
boost::posix_time::ptime RecoveryTimeNow();

// 1970-01-01T00:00:00 plus `seconds` (a commit time), over the whole 64-bit
// range: commits after 2038 keep their true time. Seconds beyond the calendar
// (before 1400 or after 9999) give -infinity or +infinity, which the local-time
// conversion then refuses.
boost::posix_time::ptime LastModifiedFromCommitTime(std::int64_t seconds);

// The same instant in the local time zone (TZ or the system's setting), with
// the offset in force at that instant; the fraction of a second is kept.
// Throws std::out_of_range "Cannot convert dates prior to Jan 1, 1970" before
// 1970, std::runtime_error "could not convert calendar time to local time"
// when the C library refuses the value; not-a-date-time and +infinity also
// end in an exception.
boost::posix_time::ptime ToLocalTime(const boost::posix_time::ptime& utc);

// "2017-11-20T10:44:32" (a fraction only when it is not zero).
std::string IsoExtended(const boost::posix_time::ptime& time);

// "2017-Nov-20 10:44:32": the stream form of a time stamp in the classic locale.
std::string ConsoleForm(const boost::posix_time::ptime& time);

// "<name> (Recovered <local recovery time, ISO extended>)"; the name up to its
// first zero byte.
mevcore::utility::UTF8String MakeRecoveredName(const mevcore::utility::ImmutableString& name,
                                               const boost::posix_time::ptime& recovery);

// "(Recovered: <R local> (<R> UTC); Last modified time at recovery: <M local>
// (<M> UTC))". Both times are converted before any text is made, so a failing
// conversion leaves no partial note.
mevcore::utility::UTF8String MakeRecoveryNote(const boost::posix_time::ptime& recovery,
                                              const boost::posix_time::ptime& lastModified);

}  // namespace velders
