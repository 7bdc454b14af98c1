#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include <boost/any.hpp>

#include "mevcore/utility/Text.h"

namespace velders {

// One place in the code that raises a report: its fixed constants and the
// state it keeps for the whole run.
struct ReportSite {
  // Constants.
  std::int32_t level;  // 3 or 4; 0 for a site of plain assertion reports
  const char* category;
  const char* message;
  const char* file;
  std::int32_t line;
  const char* function;
  // State.
  std::int32_t lastTraceChangeCount = -1;
  bool traceEnabled = false;
  bool assertMuted = false;
};

// A named value of a report: an integer, narrow text, or UTF-16 text (a path,
// carried as UTF-8).
struct ReportValue {
  ReportValue(const char* name, std::int64_t value);
  ReportValue(const char* name, int value) : ReportValue(name, static_cast<std::int64_t>(value)) {}
  ReportValue(const char* name, const char* text);
  ReportValue(const char* name, const std::string& text);
  ReportValue(const char* name, const mevcore::utility::UTF16String& text);

  const char* name;
  boost::any value;  // std::int64_t or mevcore::utility::UTF8String
};

// A level 3 or level 4 report: structured record (level 3 with a stack trace),
// trace line, and at level 3 the assertion report "Logged an error.".
void Report(ReportSite& site, std::initializer_list<ReportValue> values);

// A plain assertion report with the condition "false": the message followed
// by CR LF. Breaks into an attached debugger when the report asks to.
void ReportAssertion(ReportSite& site, const std::string& message);

// The composed trace line of a report (without sending it), for tests.
std::string ComposeTraceLine(const ReportSite& site, std::uint32_t thread,
                             std::initializer_list<ReportValue> values);

}  // namespace velders
