#include "platform/ReportRecord.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <boost/date_time/posix_time/posix_time.hpp>
#include <boost/make_shared.hpp>

#include "mevcore/debug/Debug.h"
#include "mevcore/threads/Threads.h"
#include "mevcore/utility/SmallBlockAllocator.h"

namespace velders {
namespace {

using mevcore::logging::LogMessage;
using mevcore::logging::LogValue;

// Copies at most N-1 characters of `text` and zero-pads the rest of the field.
template <std::size_t N>
void CopyCut(char (&field)[N], const char* text) {
  const std::size_t length = text ? strnlen(text, N - 1) : 0;
  std::memcpy(field, text ? text : "", length);
  std::memset(field + length, 0, N - length);
}

void FillValues(LogValue (&entries)[mevcore::logging::kLogValueCount],
                std::initializer_list<ReportValue> values) {
  auto value = values.begin();
  for (LogValue& entry : entries) {
    if (value == values.end()) {
      CopyCut(entry.name, "");
      entry.value = boost::any();
      continue;
    }
    CopyCut(entry.name, value->name);
    entry.value = value->value;
    ++value;
  }
}

boost::shared_ptr<LogMessage> AllocateRecord() {
  try {
    return boost::allocate_shared<LogMessage>(mevcore::utility::SmallBlockAllocator<LogMessage>());
  } catch (const std::bad_alloc&) {
    return boost::shared_ptr<LogMessage>();
  }
}

}  // namespace

boost::shared_ptr<LogMessage> MakeReportRecord(const ReportSite& site,
                                               std::initializer_list<ReportValue> values) {
  boost::shared_ptr<LogMessage> record = AllocateRecord();
  if (!record) return record;
  record->level = site.level;
  std::fill(std::begin(record->stack), std::end(record->stack), nullptr);
  record->line = site.line;
  CopyCut(record->category, site.category);
  record->time = boost::posix_time::microsec_clock::universal_time();
  record->thread = mevcore::threads::GetCurrentThreadID();
  std::fill(std::begin(record->reserved), std::end(record->reserved), 0);
  FillValues(record->values, values);
  CopyCut(record->message, site.message);
  if (site.level == 3) {
    mevcore::debug::GenerateStackTrace(record->stack, mevcore::logging::kLogStackDepth, 0);
  }
  CopyCut(record->file, site.file);
  CopyCut(record->function, site.function);
  return record;
}

}  // namespace velders
