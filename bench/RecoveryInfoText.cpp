#include "RecoveryInfoText.h"

#include <boost/date_time/c_local_time_adjustor.hpp>
#include <boost/date_time/posix_time/posix_time.hpp>

namespace bench {

namespace {

using boost::posix_time::ptime;

std::string Local(const ptime& utc) {
  return boost::posix_time::to_iso_extended_string(
      boost::date_time::c_local_adjustor<ptime>::utc_to_local(utc));
}

std::string Stamp(const ptime& utc) {
  return Local(utc) + " (" + boost::posix_time::to_iso_extended_string(utc) + " UTC)";
}

}  // namespace

std::string RecoveryInfoText(const std::string& name, const ptime& recovery,
                             const ptime& lastModified) {
  const std::string note =
      "(Recovered: " + Stamp(recovery) + "; Last modified time at recovery: " + Stamp(lastModified) + ")";
  return "Project: " + name + "\r\n" + "New project name: " + name + " (Recovered " +
         Local(recovery) + ")\r\n" + note + "\r\nVelders Recovery: 1.0.1";
}

}  // namespace bench
