#include <mutex>

#include <boost/date_time/posix_time/posix_time.hpp>

#include "DiagnosticSinkCurrent.h"
#include "LoggingJson.h"
#include "StateFolder.h"
#include "mevcore/threads/Threads.h"

namespace mevcore {
namespace debug {
namespace {

// Appends the line that `makeLine` gives to the state file `name`. Whatever
// fails, making the line included, is dropped: the diagnostics never disturb
// the run and never reach the console. One line at a time, whichever
// thread reports.
template <class MakeLine>
void AppendQuietly(const char* name, MakeLine makeLine) noexcept {
  static std::mutex appending;
  try {
    const std::lock_guard<std::mutex> lock(appending);
    diagnostics::AppendToStateFile(name, makeLine());
  } catch (...) {
  }
}

// Appends records and assertion reports to log.jsonl and traces to trace.log.
class FileSink : public DiagnosticSink {
 public:
  void OnLog(const logging::LogMessage& record) override {
    AppendQuietly("log.jsonl", [&] { return logging::LogRecordJsonLine(record); });
  }

  void OnTrace(const std::string& line) override {
    AppendQuietly("trace.log", [&] { return line; });
  }

  bool OnAssert(const AssertReport& report, bool& /*mute*/) override {
    AppendQuietly("log.jsonl", [&] {
      return logging::AssertReportJsonLine(report,
                                           boost::posix_time::microsec_clock::universal_time(),
                                           threads::GetCurrentThreadID());
    });
    return false;
  }
};

}  // namespace

DiagnosticSink& FileDiagnosticSink() {
  static FileSink* sink = new FileSink;
  return *sink;
}

}  // namespace debug
}  // namespace mevcore
