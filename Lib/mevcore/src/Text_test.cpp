#include "mevcore/utility/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace mevcore {
namespace utility {
namespace {

UTF8String Bytes(const std::string& text) { return ToUTF8(text); }
UTF16String Units(std::u16string_view units) { return UTF16String(units.data(), units.size()); }

TEST(Text, AsciiWidensEachByte) {
  EXPECT_EQ(AsciiToUTF16("sync.sqlite3"), Units(u"sync.sqlite3"));
  EXPECT_EQ(AsciiToUTF16("ab\0cd", 5), Units(std::u16string_view(u"ab\0cd", 5)));
  EXPECT_TRUE(AsciiToUTF16(nullptr).empty());
}

TEST(Text, ValidTextRoundTrips) {
  const std::string samples[] = {
      "",
      "plain ascii",
      "caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC",  // 2- and 3-byte forms
      "\xF0\x9F\x98\x80 and \xF4\x8F\xBF\xBF",              // astral, U+10FFFF
      std::string("nul\0inside", 10),
  };
  for (const std::string& sample : samples) {
    EXPECT_EQ(UTF16to8(UTF8to16(Bytes(sample))), Bytes(sample)) << sample;
  }
}

TEST(Text, DecodesToExpectedUnits) {
  EXPECT_EQ(UTF8to16(Bytes("\xC3\xA9")), Units(u"\u00E9"));
  EXPECT_EQ(UTF8to16(Bytes("\xEF\xBF\xBD")), Units(u"\uFFFD"));
  EXPECT_EQ(UTF8to16(Bytes("\xF0\x9F\x98\x80")), Units(u"\xD83D\xDE00"));
  EXPECT_EQ(UTF16to8(Units(u"\xD83D\xDE00")), Bytes("\xF0\x9F\x98\x80"));
}

TEST(Text, InvalidBytesBecomeEscapesAndComeBack) {
  const std::string invalid[] = {
      "\xFF",                 // never valid
      "a\x80z",               // stray continuation
      "\xC0\xAF",             // overlong '/'
      "\xE0\x80\xAF",         // overlong, 3 bytes
      "\xF0\x80\x80\xAF",     // overlong, 4 bytes
      "\xED\xA0\x80",         // encoded high surrogate
      "\xED\xB2\x80",         // encoded U+DC80 must not pass as an escape
      "\xF4\x90\x80\x80",     // above U+10FFFF
      "\xE2\x82",             // truncated at the end
      "\xE2\x82z",            // truncated in the middle
  };
  for (const std::string& sample : invalid) {
    const UTF16String wide = UTF8to16(Bytes(sample));
    for (char16_t unit : wide) {
      EXPECT_FALSE(unit >= 0xD800 && unit < 0xDC80) << sample;
      EXPECT_FALSE(unit > 0xDCFF && unit <= 0xDFFF) << sample;
    }
    EXPECT_EQ(UTF16to8(wide), Bytes(sample)) << sample;
  }
  EXPECT_EQ(UTF8to16(Bytes("a\xFFz")), Units(u"a\xDCFFz"));
  EXPECT_EQ(UTF8to16(Bytes("\xC0\xAF")), Units(u"\xDCC0\xDCAF"));
}

TEST(Text, LoneSurrogatesWriteAsReplacement) {
  EXPECT_EQ(UTF16to8(Units(u"a\xD800z")), Bytes("a\xEF\xBF\xBDz"));
  EXPECT_EQ(UTF16to8(Units(u"\xDE00")), Bytes("\xEF\xBF\xBD"));
  EXPECT_EQ(UTF16to8(Units(u"\xDC7F")), Bytes("\xEF\xBF\xBD"));
  EXPECT_EQ(UTF16to8(Units(u"\xD83D")), Bytes("\xEF\xBF\xBD"));  // high at the end
  EXPECT_EQ(UTF16to8(Units(u"\xDC80\xDCFF")), Bytes("\x80\xFF"));
}

TEST(Text, NarrowBridgeKeepsBytes) {
  const std::string narrow("x\xFF\0y", 4);
  EXPECT_EQ(ToNarrow(ToUTF8(narrow)), narrow);
}

}  // namespace
}  // namespace utility
}  // namespace mevcore
