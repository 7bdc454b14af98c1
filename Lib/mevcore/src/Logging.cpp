#include "mevcore/logging/Logging.h"

#include <atomic>

#include "DiagnosticSinkCurrent.h"
#include "mevcore/config/Config.h"
#include "mevcore/debug/DiagnosticSink.h"

namespace mevcore {
namespace logging {
namespace {

std::atomic<bool> gLoggingMuted{false};

}  // namespace

bool LoggingIsEnabled() {
  return !gLoggingMuted.load() && !config::GetApplicationName().empty();
}

void Log(boost::shared_ptr<LogMessage> record) {
  if (record) debug::CurrentDiagnosticSink().OnLog(*record);
}

}  // namespace logging

namespace debug {

void SetLoggingMuted(bool muted) {
  logging::gLoggingMuted.store(muted);
}

}  // namespace debug
}  // namespace mevcore
