#include "platform/Diagnostics.h"

#include <csignal>
#include <mutex>

#include "mevcore/debug/Debug.h"
#include "mevcore/logging/Logging.h"
#include "mevcore/threads/Threads.h"
#include "platform/ReportRecord.h"

namespace velders {
namespace {

const char kLineEnd[] = "\r\n";

// A site's state is shared by the threads that report at it.
std::mutex& SitesLock() {
  static std::mutex lock;
  return lock;
}

void LogRecord(const ReportSite& site, std::initializer_list<ReportValue> values) {
  if (!mevcore::logging::LoggingIsEnabled()) return;
  boost::shared_ptr<mevcore::logging::LogMessage> record = MakeReportRecord(site, values);
  if (record) mevcore::logging::Log(std::move(record));
}

// The site asks TraceEnabled only when the trace settings moved since it
// last asked; the first report always asks.
bool SiteTraces(ReportSite& site) {
  const std::int32_t count = mevcore::debug::TraceChangeCount();
  if (count != site.lastTraceChangeCount) {
    site.traceEnabled = mevcore::debug::TraceEnabled(site.category, site.level, true);
  }
  site.lastTraceChangeCount = count;
  return site.traceEnabled;
}

void TraceReport(ReportSite& site, std::initializer_list<ReportValue> values) {
  if (!SiteTraces(site)) return;
  const std::string line =
      ComposeTraceLine(site, mevcore::threads::GetCurrentThreadID(), values);
  mevcore::debug::Trace(line.c_str());
}

// Raises the assertion report unless the site is muted, and breaks into an
// attached debugger when the report asks for it.
void AssertAtSite(ReportSite& site, const char* condition, const std::string& message,
                  bool isAssert) {
  if (site.assertMuted) return;
  const std::string assertMessage = message + kLineEnd;
  const bool wantsBreak = mevcore::debug::BreakAfterAssertDialog(
      site.assertMuted, condition, assertMessage.c_str(), site.file, site.line, site.function,
      isAssert);
  if (wantsBreak && mevcore::debug::IsDebuggerAttached()) std::raise(SIGTRAP);
}

}  // namespace

void Report(ReportSite& site, std::initializer_list<ReportValue> values) {
  const std::lock_guard<std::mutex> lock(SitesLock());
  LogRecord(site, values);
  TraceReport(site, values);
  if (site.level == 3) {
    AssertAtSite(site, "Logged an error.", site.message ? site.message : "", false);
  }
}

void ReportAssertion(ReportSite& site, const std::string& message) {
  const std::lock_guard<std::mutex> lock(SitesLock());
  AssertAtSite(site, "false", message, true);
}

}  // namespace velders
