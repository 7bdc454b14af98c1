#include <ostream>
#include <sstream>

#include "platform/Diagnostics.h"

namespace velders {
namespace {

const char* TextOrEmpty(const char* text) {
  return text ? text : "";
}

void WriteValue(std::ostream& out, const boost::any& value) {
  if (const auto* number = boost::any_cast<std::int64_t>(&value)) {
    out << *number;
  } else if (const auto* text = boost::any_cast<mevcore::utility::UTF8String>(&value)) {
    out.write(reinterpret_cast<const char*>(text->data()),
              static_cast<std::streamsize>(text->size()));
  }
}

}  // namespace

std::string ComposeTraceLine(const ReportSite& site, std::uint32_t thread,
                             std::initializer_list<ReportValue> values) {
  std::ostringstream line;
  line << "<" << thread << "> <" << TextOrEmpty(site.category) << "> <" << site.level << "> "
       << TextOrEmpty(site.message);
  for (const ReportValue& value : values) {
    line << ", " << TextOrEmpty(value.name) << ": ";
    WriteValue(line, value.value);
  }
  line << "\r\n" << std::flush;
  return line.str();
}

}  // namespace velders
