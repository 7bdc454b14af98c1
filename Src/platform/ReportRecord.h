#pragma once

#include <initializer_list>

#include <boost/shared_ptr.hpp>

#include "mevcore/logging/Logging.h"
#include "platform/Diagnostics.h"

namespace velders {

// The structured record of a level 3 or level 4 report, filled in the
// record's field order; level 3 carries the calling stack. Null when no
// record could be allocated.
boost::shared_ptr<mevcore::logging::LogMessage> MakeReportRecord(
    const ReportSite& site, std::initializer_list<ReportValue> values);

}  // namespace velders
