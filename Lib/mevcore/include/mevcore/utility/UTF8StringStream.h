#pragma once

#include <cstdint>
#include <sstream>
#include <string>

#include "mevcore/utility/ImmutableString.h"
#include "mevcore/utility/Text.h"

namespace mevcore {

// An output stream that builds UTF-8 text. Its line end (mevcore::endl)
// writes CR LF and flushes.
class oUTF8StringStream {
 public:
  oUTF8StringStream& operator<<(const char* text);
  oUTF8StringStream& operator<<(const std::string& text);
  oUTF8StringStream& operator<<(const utility::UTF8String& text);
  oUTF8StringStream& operator<<(const utility::ImmutableString& text);  // up to its first zero
  oUTF8StringStream& operator<<(std::int64_t value);
  oUTF8StringStream& operator<<(std::uint64_t value);
  oUTF8StringStream& operator<<(int value) { return *this << static_cast<std::int64_t>(value); }
  oUTF8StringStream& operator<<(oUTF8StringStream& (*manipulator)(oUTF8StringStream&)) {
    return manipulator(*this);
  }

  oUTF8StringStream& flush();
  utility::UTF8String str() const;

 private:
  std::ostringstream stream_;
};

oUTF8StringStream& endl(oUTF8StringStream& stream);

}  // namespace mevcore
