#include "platform/Diagnostics.h"

namespace velders {

using mevcore::utility::UTF8String;

ReportValue::ReportValue(const char* name, std::int64_t value) : name(name), value(value) {}

ReportValue::ReportValue(const char* name, const char* text)
    : name(name), value(mevcore::utility::ToUTF8(text ? text : "")) {}

ReportValue::ReportValue(const char* name, const std::string& text)
    : name(name), value(mevcore::utility::ToUTF8(text)) {}

ReportValue::ReportValue(const char* name, const mevcore::utility::UTF16String& text)
    : name(name), value(mevcore::utility::UTF16to8(text)) {}

}  // namespace velders
