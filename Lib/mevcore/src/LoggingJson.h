#pragma once

#include <string>

#include "mevcore/debug/DiagnosticSink.h"
#include "mevcore/logging/Logging.h"

namespace mevcore {
namespace logging {

// One line of log.jsonl (its "\n" included) for a structured record: level,
// category, message, values (named entries in entry order), file, line,
// function, time (UTC, ISO extended, "Z"), thread and stack (the non-null
// addresses as "0x..." texts). Text that is not valid UTF-8 is written with
// replacement characters.
std::string LogRecordJsonLine(const LogMessage& record);

// One line of log.jsonl for an assertion report: "assertion": true,
// condition, message, file, line, function, time and thread.
std::string AssertReportJsonLine(const debug::AssertReport& report,
                                 const boost::posix_time::ptime& time, std::uint32_t thread);

}  // namespace logging
}  // namespace mevcore
