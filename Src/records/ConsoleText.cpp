#include "records/ConsoleText.h"

namespace velders {

namespace {

bool IsControlByte(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F;
}

// A C1 control in UTF-8: 0xC2 followed by 0x80..0x9F.
bool IsC1Control(std::string_view bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]) == 0xC2 && at + 1 < bytes.size() &&
         static_cast<unsigned char>(bytes[at + 1]) >= 0x80 &&
         static_cast<unsigned char>(bytes[at + 1]) <= 0x9F;
}

void AppendEscape(std::string& out, unsigned char byte) {
  static const char kHexDigits[] = "0123456789abcdef";
  out += "\\x";
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0x0F];
}

}  // namespace

std::string ConsoleSafe(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (IsC1Control(bytes, at)) {
      AppendEscape(out, byte);
      AppendEscape(out, static_cast<unsigned char>(bytes[++at]));
    } else if (IsControlByte(byte)) {
      AppendEscape(out, byte);
    } else {
      out += bytes[at];
    }
  }
  return out;
}

}  // namespace velders
