#include "mevcore/debug/Debug.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "DebugTraceCategories.h"
#include "DiagnosticSinkCurrent.h"
#include "mevcore/debug/DiagnosticSink.h"

namespace mevcore {
namespace debug {
namespace {

struct TraceSettings {
  std::mutex mutex;
  bool loaded = false;
  TraceCategories categories;
  std::int32_t changeCount = 0;
};

std::atomic<std::uint64_t> gTraceEnabledCalls{0};

// Never destroyed, so that a report raised while statics are torn down still
// finds its settings.
TraceSettings& TheSettings() {
  static TraceSettings* settings = new TraceSettings;
  return *settings;
}

// MEVCORE_TRACE is read once, on the first question, unless a test has
// already replaced the categories.
void LoadFromEnvironmentOnce(TraceSettings& settings) {
  if (settings.loaded) return;
  const char* list = std::getenv("MEVCORE_TRACE");
  settings.categories = TraceCategories(list ? list : "");
  settings.loaded = true;
}

// Sites keep -1 as "never asked", so the count steps over it when it wraps.
void MoveChangeCount(TraceSettings& settings) {
  auto next = static_cast<std::int32_t>(static_cast<std::uint32_t>(settings.changeCount) + 1u);
  settings.changeCount = next == -1 ? 0 : next;
}

}  // namespace

std::int32_t TraceChangeCount() {
  TraceSettings& settings = TheSettings();
  std::lock_guard<std::mutex> lock(settings.mutex);
  return settings.changeCount;
}

bool TraceEnabled(const char* category, std::int32_t /*level: every level is traced*/,
                  bool inherit) {
  ++gTraceEnabledCalls;
  TraceSettings& settings = TheSettings();
  std::lock_guard<std::mutex> lock(settings.mutex);
  LoadFromEnvironmentOnce(settings);
  return settings.categories.Enabled(category ? category : "", inherit);
}

void Trace(const char* text) {
  if (text) CurrentDiagnosticSink().OnTrace(text);
}

void BumpTraceChangeCount() {
  TraceSettings& settings = TheSettings();
  std::lock_guard<std::mutex> lock(settings.mutex);
  MoveChangeCount(settings);
}

void SetTraceCategories(const std::string& categories) {
  TraceSettings& settings = TheSettings();
  std::lock_guard<std::mutex> lock(settings.mutex);
  settings.categories = TraceCategories(categories);
  settings.loaded = true;
  MoveChangeCount(settings);
}

std::uint64_t TraceEnabledCallCount() {
  return gTraceEnabledCalls.load();
}

}  // namespace debug
}  // namespace mevcore
