#include "mevcore/debug/Debug.h"

#include <fstream>
#include <limits>
#include <string>

#include "DiagnosticSinkCurrent.h"
#include "mevcore/debug/DiagnosticSink.h"

namespace mevcore {
namespace debug {
namespace {

std::string TextOrEmpty(const char* text) {
  return text ? std::string(text) : std::string();
}

}  // namespace

bool BreakAfterAssertDialog(bool& mute, const char* condition, const char* message,
                            const char* file, std::int32_t line, const char* function,
                            bool isAssert) {
  AssertReport report{TextOrEmpty(condition), TextOrEmpty(message), TextOrEmpty(file),
                      line, TextOrEmpty(function), isAssert};
  return CurrentDiagnosticSink().OnAssert(report, mute);
}

bool IsDebuggerAttached() {
  std::ifstream status("/proc/self/status");
  std::string field;
  while (status >> field) {
    if (field == "TracerPid:") {
      long tracer = 0;
      return static_cast<bool>(status >> tracer) && tracer != 0;
    }
    status.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  }
  return false;
}

}  // namespace debug
}  // namespace mevcore
