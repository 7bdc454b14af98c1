#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "mevcore/utility/SmallBlockAllocator.h"

namespace mevcore {
namespace utility {

// UTF-16 text: names and paths handed to the library.
using UTF16String =
    std::basic_string<char16_t, std::char_traits<char16_t>, SmallBlockAllocator<char16_t>>;

// UTF-8 text: file contents, JSON and the texts of a recovery.
using UTF8String = std::basic_string<unsigned char, std::char_traits<unsigned char>,
                                     SmallBlockAllocator<unsigned char>>;

// Widens `count` ASCII characters (each byte becomes one code unit).
UTF16String AsciiToUTF16(const char* chars, std::size_t count);
// Widens a zero-terminated ASCII text.
UTF16String AsciiToUTF16(const char* chars);

// Conversions between UTF-8 and UTF-16. They are lossless for any byte
// sequence: a byte that is not part of valid UTF-8 becomes the lone surrogate
// U+DC80 + byte, and such a surrogate becomes that byte again. File names that
// are not valid UTF-8 so survive a round trip through UTF-16.
UTF8String UTF16to8(const UTF16String& text);
UTF16String UTF8to16(const UTF8String& text);
UTF16String UTF8to16(const unsigned char* bytes, std::size_t count);

// Bridges to and from plain narrow text (the same bytes).
UTF8String ToUTF8(std::string_view narrow);
std::string ToNarrow(const UTF8String& text);

}  // namespace utility
}  // namespace mevcore
