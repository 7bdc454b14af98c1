#include "StorageReport.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <boost/date_time/posix_time/posix_time.hpp>
#include <boost/make_shared.hpp>

#include "mevcore/debug/Debug.h"
#include "mevcore/logging/Logging.h"
#include "mevcore/threads/Threads.h"
#include "mevcore/utility/Text.h"

namespace mevstorage {
namespace git {
namespace {

using mevcore::logging::LogMessage;

constexpr const char* kCategory = "mevstorage";
constexpr int kLevel = 4;

template <std::size_t N>
void CopyCut(char (&field)[N], const char* text) {
  std::memset(field, 0, N);
  std::strncpy(field, text, N - 1);
}

boost::shared_ptr<LogMessage> MakeRecord(const char* message, const std::string& path,
                                         const std::string& reason, const char* function,
                                         int line) {
  boost::shared_ptr<LogMessage> record = boost::make_shared<LogMessage>();
  record->level = kLevel;
  std::fill(std::begin(record->stack), std::end(record->stack), nullptr);
  record->line = line;
  CopyCut(record->file, "mevstorage");
  CopyCut(record->function, function);
  CopyCut(record->category, kCategory);
  record->time = boost::posix_time::microsec_clock::universal_time();
  record->thread = mevcore::threads::GetCurrentThreadID();
  std::fill(std::begin(record->reserved), std::end(record->reserved), 0);
  CopyCut(record->values[0].name, "path");
  record->values[0].value = mevcore::utility::ToUTF8(path);
  CopyCut(record->values[1].name, "reason");
  record->values[1].value = mevcore::utility::ToUTF8(reason);
  CopyCut(record->message, message);
  return record;
}

}  // namespace

void ReportStorageFailure(const char* message, const std::string& path, const std::string& reason,
                          const char* function, int line) {
  try {
    if (mevcore::logging::LoggingIsEnabled()) {
      mevcore::logging::Log(MakeRecord(message, path, reason, function, line));
    }
    if (mevcore::debug::TraceEnabled(kCategory, kLevel, true)) {
      const std::string text = "<" + std::to_string(mevcore::threads::GetCurrentThreadID()) +
                               "> <" + kCategory + "> <" + std::to_string(kLevel) + "> " +
                               message + ", path: " + path + ", reason: " + reason + "\r\n";
      mevcore::debug::Trace(text.c_str());
    }
  } catch (const std::bad_alloc&) {
    // Out of memory: the report is dropped, the failure itself is not.
  }
}

}  // namespace git
}  // namespace mevstorage
