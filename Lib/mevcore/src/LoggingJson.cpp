#include "LoggingJson.h"

#include <cstdint>
#include <cstring>
#include <sstream>

#include <boost/date_time/posix_time/posix_time.hpp>
#include <nlohmann/json.hpp>

#include "mevcore/utility/Text.h"

namespace mevcore {
namespace logging {
namespace {

using Json = nlohmann::ordered_json;

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

Json ValueJson(const boost::any& value) {
  if (const auto* number = boost::any_cast<std::int64_t>(&value)) return *number;
  if (const auto* number = boost::any_cast<std::uint64_t>(&value)) return *number;
  if (const auto* number = boost::any_cast<std::int32_t>(&value)) return *number;
  if (const auto* number = boost::any_cast<double>(&value)) return *number;
  if (const auto* flag = boost::any_cast<bool>(&value)) return *flag;
  if (const auto* text = boost::any_cast<utility::UTF8String>(&value)) {
    return utility::ToNarrow(*text);
  }
  if (const auto* text = boost::any_cast<std::string>(&value)) return *text;
  return nullptr;
}

Json ValuesJson(const LogValue (&values)[kLogValueCount]) {
  Json object = Json::object();
  for (const LogValue& entry : values) {
    std::string name = FieldText(entry.name);
    if (!name.empty()) object[name] = ValueJson(entry.value);
  }
  return object;
}

Json StackJson(void* const (&stack)[kLogStackDepth]) {
  Json frames = Json::array();
  for (void* address : stack) {
    if (!address) continue;
    std::ostringstream hex;
    hex << "0x" << std::hex << reinterpret_cast<std::uintptr_t>(address);
    frames.push_back(hex.str());
  }
  return frames;
}

std::string TimeText(const boost::posix_time::ptime& time) {
  std::string text = boost::posix_time::to_iso_extended_string(time);
  return time.is_special() ? text : text + "Z";
}

std::string JsonLine(const Json& object) {
  return object.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string LogRecordJsonLine(const LogMessage& record) {
  Json object;
  object["level"] = record.level;
  object["category"] = FieldText(record.category);
  object["message"] = FieldText(record.message);
  object["values"] = ValuesJson(record.values);
  object["file"] = FieldText(record.file);
  object["line"] = record.line;
  object["function"] = FieldText(record.function);
  object["time"] = TimeText(record.time);
  object["thread"] = record.thread;
  object["stack"] = StackJson(record.stack);
  return JsonLine(object);
}

std::string AssertReportJsonLine(const debug::AssertReport& report,
                                 const boost::posix_time::ptime& time, std::uint32_t thread) {
  Json object;
  object["assertion"] = true;
  object["condition"] = report.condition;
  object["message"] = report.message;
  object["file"] = report.file;
  object["line"] = report.line;
  object["function"] = report.function;
  object["time"] = TimeText(time);
  object["thread"] = thread;
  return JsonLine(object);
}

}  // namespace logging
}  // namespace mevcore
