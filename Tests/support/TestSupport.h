#pragma once

// Helpers shared by the tests of the program's own code: diagnostics, the
// error stream, the local time zone and plain file access. Header only: it is
// never part of the program.

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include <boost/date_time/posix_time/posix_time.hpp>

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

// Five hours behind UTC, four in summer.
constexpr const char* kEastern = "EST5EDT,M3.2.0,M11.1.0";

// A UTC time from "YYYY-MM-DDTHH:MM:SS".
inline boost::posix_time::ptime Utc(const char* isoExtended) {
  std::string text(isoExtended);
  text[10] = ' ';
  return boost::posix_time::time_from_string(text);
}

inline std::string AsString(const mevcore::utility::UTF8String& text) {
  return mevcore::utility::ToNarrow(text);
}

// Plain file access, past the core library (and so past any fault injected
// into it).
inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
  if (!file.flush()) throw std::runtime_error("cannot write " + path);
}

// The file's bytes; nothing when there is no such file.
inline std::optional<std::string> ReadFile(const std::string& path) {
  if (!std::filesystem::is_regular_file(path)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The file's bytes; empty when there is no such file.
inline std::string ReadBytes(const std::string& path) { return ReadFile(path).value_or(""); }

}  // namespace testsupport
}  // namespace velders
