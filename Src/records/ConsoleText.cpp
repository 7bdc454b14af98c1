#include "records/ConsoleText.h"

#include <cstddef>
#include <cstdint>

namespace velders {

namespace {

struct CodePointRange {
  std::uint32_t first;
  std::uint32_t last;
};

// The C1 controls and the invisible format characters.
constexpr CodePointRange kEscapedCodePoints[] = {
    {0x0080, 0x009F}, {0x061C, 0x061C}, {0x180E, 0x180E},   {0x200B, 0x200F},
    {0x202A, 0x202E}, {0x2060, 0x2064}, {0x2066, 0x206F},   {0xFEFF, 0xFEFF},
    {0xFFF9, 0xFFFB}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F},
};

bool IsControlByte(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F;
}

bool IsEscapedCodePoint(std::uint32_t codePoint) {
  for (const CodePointRange& range : kEscapedCodePoints) {
    if (codePoint >= range.first && codePoint <= range.last) return true;
  }
  return false;
}

struct Decoded {
  std::uint32_t codePoint;
  std::size_t length;  // 0 when the bytes at the place are not well-formed UTF-8
};

// The multi-byte UTF-8 character at `at`. Overlong forms, surrogates and
// code points above U+10FFFF are not well-formed.
Decoded DecodeMultiByte(std::string_view bytes, std::size_t at) {
  const auto lead = static_cast<unsigned char>(bytes[at]);
  std::size_t length = 0;
  std::uint32_t codePoint = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, codePoint = lead & 0x07;
  } else {
    return {0, 0};
  }
  if (bytes.size() - at < length) return {0, 0};
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(bytes[at + i]);
    if ((next & 0xC0) != 0x80) return {0, 0};
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  const std::uint32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (codePoint < smallest || codePoint > 0x10FFFF) return {0, 0};
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return {0, 0};
  return {codePoint, length};
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
    if (IsControlByte(byte)) {
      AppendEscape(out, byte);
      continue;
    }
    const Decoded decoded = DecodeMultiByte(bytes, at);
    if (decoded.length == 0) {
      out += bytes[at];
      continue;
    }
    const std::string_view character = bytes.substr(at, decoded.length);
    if (IsEscapedCodePoint(decoded.codePoint)) {
      for (const char part : character) AppendEscape(out, static_cast<unsigned char>(part));
    } else {
      out += character;
    }
    at += decoded.length - 1;
  }
  return out;
}

}  // namespace velders
