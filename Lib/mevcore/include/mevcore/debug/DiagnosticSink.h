#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mevcore/logging/Logging.h"

namespace mevcore {
namespace debug {

struct AssertReport {
  std::string condition;
  std::string message;
  std::string file;
  std::int32_t line;
  std::string function;
  bool isAssert;
};

// Where the diagnostics go. The default sink appends to the files of the
// state folder; tests install a RecordingSink.
class DiagnosticSink {
 public:
  virtual ~DiagnosticSink() = default;
  virtual void OnLog(const logging::LogMessage& record) = 0;
  virtual void OnTrace(const std::string& line) = 0;
  // Returns what BreakAfterAssertDialog returns.
  virtual bool OnAssert(const AssertReport& report, bool& mute) = 0;
};

// Keeps everything in memory, and can count the TraceEnabled questions.
class RecordingSink : public DiagnosticSink {
 public:
  void OnLog(const logging::LogMessage& record) override;
  void OnTrace(const std::string& line) override;
  bool OnAssert(const AssertReport& report, bool& mute) override;

  std::vector<boost::shared_ptr<logging::LogMessage>> logs;
  std::vector<std::string> traces;
  std::vector<AssertReport> asserts;
  // What OnAssert answers; setMute makes it set the caller's mute flag too.
  bool breakAnswer = false;
  bool setMute = false;
};

// Installs a sink (not owned); null restores the file sink.
void SetDiagnosticSink(DiagnosticSink* sink);

// Test controls: move the trace change count, switch categories on or off
// (replacing what MEVCORE_TRACE said), count TraceEnabled calls, and turn
// logging off whatever the application name.
void BumpTraceChangeCount();
void SetTraceCategories(const std::string& categories);
std::uint64_t TraceEnabledCallCount();
void SetLoggingMuted(bool muted);

}  // namespace debug
}  // namespace mevcore
