#pragma once

#include <cstdint>

#include <boost/any.hpp>
#include <boost/date_time/posix_time/posix_time_types.hpp>
#include <boost/shared_ptr.hpp>

namespace mevcore {
namespace logging {

constexpr int kLogStackDepth = 10;
constexpr int kLogValueCount = 16;

// One named value of a record. The value is a JSON variant value: a signed
// 64-bit integer or UTF-8 text (serialization/JSON.h), or empty.
struct LogValue {
  char name[32];
  boost::any value;
};

// A structured log record. Fixed-size text fields are zero-terminated or
// zero-padded.
struct LogMessage {
  std::int32_t level;
  void* stack[kLogStackDepth];
  std::int32_t line;
  char file[256];
  char function[512];
  char category[64];
  boost::posix_time::ptime time;
  std::uint32_t thread;
  unsigned char reserved[5160];
  LogValue values[kLogValueCount];
  char message[128];
};

// True once an application name is set.
bool LoggingIsEnabled();
// Appends the record to the log; a log that cannot be written is dropped
// without disturbing the caller.
void Log(boost::shared_ptr<LogMessage> record);

}  // namespace logging
}  // namespace mevcore
