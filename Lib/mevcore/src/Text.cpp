#include "mevcore/utility/Text.h"

#include <cstdint>
#include <cstring>

namespace mevcore {
namespace utility {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;  // a stray byte b becomes U+DC00 + b
constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one well-formed multi-byte sequence at `in` (lead byte >= 0x80).
// Returns its length, or 0 when the bytes are not well-formed UTF-8: no
// overlong forms, no encoded surrogates, nothing above U+10FFFF.
std::size_t DecodeSequence(const unsigned char* in, const unsigned char* end, char32_t& code) {
  const unsigned char lead = in[0];
  std::size_t length;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (static_cast<std::size_t>(end - in) < length) return 0;
  if (in[1] < low || in[1] > high) return 0;
  code = (code << 6) | (in[1] & 0x3F);
  for (std::size_t i = 2; i < length; ++i) {
    if (!IsContinuation(in[i])) return 0;
    code = (code << 6) | (in[i] & 0x3F);
  }
  return length;
}

char16_t* PutUTF16(char32_t code, char16_t* out) {
  if (code < 0x10000) {
    *out++ = static_cast<char16_t>(code);
  } else {
    code -= 0x10000;
    *out++ = static_cast<char16_t>(0xD800 + (code >> 10));
    *out++ = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
  }
  return out;
}

unsigned char* PutUTF8(char32_t code, unsigned char* out) {
  if (code < 0x80) {
    *out++ = static_cast<unsigned char>(code);
  } else if (code < 0x800) {
    *out++ = static_cast<unsigned char>(0xC0 | (code >> 6));
    *out++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    *out++ = static_cast<unsigned char>(0xE0 | (code >> 12));
    *out++ = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
    *out++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
  } else {
    *out++ = static_cast<unsigned char>(0xF0 | (code >> 18));
    *out++ = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
    *out++ = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
    *out++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
  }
  return out;
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsByteEscape(char32_t unit) { return unit >= 0xDC80 && unit <= 0xDCFF; }

// Writes one UTF-16 unit that is not part of a pair.
unsigned char* PutSingleUnit(char32_t unit, unsigned char* out) {
  if (IsByteEscape(unit)) {
    *out++ = static_cast<unsigned char>(unit - kEscapeBase);
    return out;
  }
  if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) return PutUTF8(kReplacement, out);
  return PutUTF8(unit, out);
}

}  // namespace

UTF16String AsciiToUTF16(const char* chars, std::size_t count) {
  UTF16String wide(count, u'\0');
  for (std::size_t i = 0; i < count; ++i) wide[i] = static_cast<unsigned char>(chars[i]);
  return wide;
}

UTF16String AsciiToUTF16(const char* chars) {
  if (chars == nullptr) return UTF16String();
  return AsciiToUTF16(chars, std::strlen(chars));
}

UTF8String UTF16to8(const UTF16String& text) {
  // At most three bytes per unit: a pair of two units makes four bytes.
  UTF8String result(text.size() * 3, '\0');
  unsigned char* const begin = &result[0];
  unsigned char* out = begin;
  const char16_t* in = text.data();
  const char16_t* const end = in + text.size();
  while (in != end) {
    const char32_t unit = *in++;
    if (unit < 0x80) {
      *out++ = static_cast<unsigned char>(unit);
    } else if (IsHighSurrogate(unit) && in != end && IsLowSurrogate(*in)) {
      const char32_t low = *in++;
      out = PutUTF8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
    } else {
      out = PutSingleUnit(unit, out);
    }
  }
  result.resize(static_cast<std::size_t>(out - begin));
  return result;
}

UTF16String UTF8to16(const unsigned char* bytes, std::size_t count) {
  UTF16String result(count, u'\0');  // never more units than bytes
  char16_t* const begin = &result[0];
  char16_t* out = begin;
  const unsigned char* in = bytes;
  const unsigned char* const end = bytes + count;
  while (in != end) {
    if (*in < 0x80) {
      *out++ = *in++;
      continue;
    }
    char32_t code = 0;
    const std::size_t length = DecodeSequence(in, end, code);
    if (length == 0) {
      *out++ = static_cast<char16_t>(kEscapeBase + *in++);
    } else {
      out = PutUTF16(code, out);
      in += length;
    }
  }
  result.resize(static_cast<std::size_t>(out - begin));
  return result;
}

UTF16String UTF8to16(const UTF8String& text) { return UTF8to16(text.data(), text.size()); }

UTF8String ToUTF8(std::string_view narrow) {
  return UTF8String(reinterpret_cast<const unsigned char*>(narrow.data()), narrow.size());
}

std::string ToNarrow(const UTF8String& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

}  // namespace utility
}  // namespace mevcore
