#include "mevcore/utility/UTF8StringStream.h"

#include <charconv>

namespace mevcore {
namespace {

// Integers are written with to_chars, which ignores every locale.
template <class Integer>
void WriteInteger(std::ostringstream& stream, Integer value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  stream.write(digits, result.ptr - digits);
}

}  // namespace

oUTF8StringStream& oUTF8StringStream::operator<<(const char* text) {
  if (text != nullptr) stream_ << text;
  return *this;
}

oUTF8StringStream& oUTF8StringStream::operator<<(const std::string& text) {
  stream_ << text;
  return *this;
}

oUTF8StringStream& oUTF8StringStream::operator<<(const utility::UTF8String& text) {
  stream_.write(reinterpret_cast<const char*>(text.data()),
                static_cast<std::streamsize>(text.size()));
  return *this;
}

oUTF8StringStream& oUTF8StringStream::operator<<(const utility::ImmutableString& text) {
  return *this << text.c_str();
}

oUTF8StringStream& oUTF8StringStream::operator<<(std::int64_t value) {
  WriteInteger(stream_, value);
  return *this;
}

oUTF8StringStream& oUTF8StringStream::operator<<(std::uint64_t value) {
  WriteInteger(stream_, value);
  return *this;
}

oUTF8StringStream& oUTF8StringStream::flush() {
  stream_.flush();
  return *this;
}

utility::UTF8String oUTF8StringStream::str() const { return utility::ToUTF8(stream_.str()); }

oUTF8StringStream& endl(oUTF8StringStream& stream) {
  stream << "\r\n";
  return stream.flush();
}

}  // namespace mevcore
