#pragma once

// Helpers shared by the tests of session properties and the data model
// upgrade. Header only: it is never part of the program.

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <sstream>
#include <string>

#include "mevcore/config/Config.h"
#include "mevcore/debug/DiagnosticSink.h"
#include "mevcore/utility/Text.h"
#include "platform/ReportSites.h"

namespace velders {
namespace testsupport {

// Sends every report to a RecordingSink, with logging and all trace
// categories on and every report site fresh; puts things back afterwards.
class RecordedDiagnostics {
 public:
  RecordedDiagnostics() : previousName_(mevcore::config::GetApplicationName()) {
    sites::ResetAllSites();
    mevcore::config::SetApplicationName(mevcore::utility::AsciiToUTF16("Velders Recovery"));
    mevcore::debug::SetTraceCategories("*");
    mevcore::debug::SetDiagnosticSink(&sink);
  }
  ~RecordedDiagnostics() {
    mevcore::debug::SetDiagnosticSink(nullptr);
    mevcore::debug::SetTraceCategories("");
    mevcore::config::SetApplicationName(previousName_);
    sites::ResetAllSites();
  }
  RecordedDiagnostics(const RecordedDiagnostics&) = delete;
  RecordedDiagnostics& operator=(const RecordedDiagnostics&) = delete;

  mevcore::debug::RecordingSink sink;

 private:
  mevcore::utility::UTF16String previousName_;
};

// Collects what is written to std::cerr while it lives.
class CapturedStderr {
 public:
  CapturedStderr() : previous_(std::cerr.rdbuf(text_.rdbuf())) {}
  ~CapturedStderr() { std::cerr.rdbuf(previous_); }
  CapturedStderr(const CapturedStderr&) = delete;
  CapturedStderr& operator=(const CapturedStderr&) = delete;

  std::string Text() const { return text_.str(); }

 private:
  std::ostringstream text_;
  std::streambuf* previous_;
};

// Sets the local time zone (a POSIX rule such as "EST5EDT,M3.2.0,M11.1.0")
// while it lives.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    const char* previous = std::getenv("TZ");
    hadPrevious_ = previous != nullptr;
    if (hadPrevious_) previous_ = previous;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (hadPrevious_) {
      setenv("TZ", previous_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  bool hadPrevious_ = false;
  std::string previous_;
};

}  // namespace testsupport
}  // namespace velders
