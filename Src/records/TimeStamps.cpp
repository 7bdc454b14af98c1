#include "records/TimeStamps.h"

#include <locale>
#include <sstream>

#include <boost/date_time/c_local_time_adjustor.hpp>
#include <boost/date_time/posix_time/posix_time.hpp>

namespace velders {

using boost::posix_time::ptime;
using mevcore::utility::ImmutableString;
using mevcore::utility::ToUTF8;
using mevcore::utility::UTF8String;

namespace {

const ptime& Epoch() {
  static const ptime epoch(boost::gregorian::date(1970, 1, 1));
  return epoch;
}

std::int64_t SecondsFromEpoch(const ptime& time) {
  return (time - Epoch()).total_seconds();
}

UTF8String LocalAndUtc(const ptime& local, const ptime& utc) {
  return ToUTF8(IsoExtended(local) + " (" + IsoExtended(utc) + " UTC)");
}

}  // namespace

ptime RecoveryTimeNow() {
  return boost::posix_time::second_clock::universal_time();
}

ptime LastModifiedFromCommitTime(std::int64_t seconds) {
  static const std::int64_t earliest = SecondsFromEpoch(ptime(boost::gregorian::date(1400, 1, 1)));
  static const std::int64_t latest =
      SecondsFromEpoch(ptime(boost::gregorian::date(9999, 12, 31), boost::posix_time::hours(24))) - 1;
  if (seconds < earliest) return ptime(boost::posix_time::neg_infin);
  if (seconds > latest) return ptime(boost::posix_time::pos_infin);
  return Epoch() + boost::posix_time::seconds(seconds);
}

ptime ToLocalTime(const ptime& utc) {
  return boost::date_time::c_local_adjustor<ptime>::utc_to_local(utc);
}

std::string IsoExtended(const ptime& time) {
  return boost::posix_time::to_iso_extended_string(time);
}

std::string ConsoleForm(const ptime& time) {
  std::ostringstream stream;
  stream.imbue(std::locale::classic());
  stream << time;
  return stream.str();
}

UTF8String MakeRecoveredName(const ImmutableString& name, const ptime& recovery) {
  const ptime local = ToLocalTime(recovery);
  return name.UpToFirstZero() + ToUTF8(" (Recovered " + IsoExtended(local) + ")");
}

UTF8String MakeRecoveryNote(const ptime& recovery, const ptime& lastModified) {
  const ptime recoveryLocal = ToLocalTime(recovery);
  const ptime lastModifiedLocal = ToLocalTime(lastModified);
  return ToUTF8("(Recovered: ") + LocalAndUtc(recoveryLocal, recovery) +
         ToUTF8("; Last modified time at recovery: ") +
         LocalAndUtc(lastModifiedLocal, lastModified) + ToUTF8(")");
}

}  // namespace velders
