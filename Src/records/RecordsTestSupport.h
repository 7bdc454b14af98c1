#pragma once

// Helpers shared by the records tests: a local time zone for one test, whole
// files as raw bytes, and a diagnostics recorder.

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include <boost/date_time/posix_time/posix_time.hpp>

#include "mevcore/config/Config.h"
#include "mevcore/debug/DiagnosticSink.h"
#include "mevcore/utility/Text.h"
#include "platform/ReportSites.h"

namespace velders {
namespace testing {

// Sets TZ (a POSIX rule such as "EST5EDT,M3.2.0,M11.1.0") and puts the old
// value back afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* rule) {
    if (const char* old = std::getenv("TZ")) previous_ = old;
    Apply(rule);
  }
  ~ScopedTimeZone() {
    if (previous_) {
      Apply(previous_->c_str());
    } else {
      unsetenv("TZ");
      tzset();
    }
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  static void Apply(const char* rule) {
    setenv("TZ", rule, 1);
    tzset();
  }
  std::optional<std::string> previous_;
};

constexpr const char* kEastern = "EST5EDT,M3.2.0,M11.1.0";

inline boost::posix_time::ptime Utc(const char* isoExtended) {
  std::string text(isoExtended);
  text[10] = ' ';
  return boost::posix_time::time_from_string(text);
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string AsString(const mevcore::utility::UTF8String& text) {
  return mevcore::utility::ToNarrow(text);
}

// Records every diagnostic report made while it lives, with logging and every
// trace category on, and the report sites fresh.
class RecordedDiagnostics {
 public:
  RecordedDiagnostics() {
    sites::ResetAllSites();
    mevcore::config::SetApplicationName(mevcore::utility::AsciiToUTF16("Velders Records Tests"));
    mevcore::debug::SetTraceCategories("*");
    mevcore::debug::SetDiagnosticSink(&sink);
  }
  ~RecordedDiagnostics() {
    mevcore::debug::SetDiagnosticSink(nullptr);
    mevcore::debug::SetTraceCategories("");
    mevcore::config::SetApplicationName(mevcore::utility::UTF16String());
    sites::ResetAllSites();
  }
  RecordedDiagnostics(const RecordedDiagnostics&) = delete;
  RecordedDiagnostics& operator=(const RecordedDiagnostics&) = delete;

  mevcore::debug::RecordingSink sink;
};

}  // namespace testing
}  // namespace velders
