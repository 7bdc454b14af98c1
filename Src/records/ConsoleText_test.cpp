#include "records/ConsoleText.h"

#include <gtest/gtest.h>

namespace velders {
namespace {

TEST(ConsoleSafe, EscapesControlBytesOneByOne) {
  EXPECT_EQ("\\x1b[2Jname", ConsoleSafe("\x1b[2Jname"));
  EXPECT_EQ("a\\x0d\\x0ab\\x09c\\x7f", ConsoleSafe("a\r\nb\tc\x7f"));
  EXPECT_EQ("\\x00\\x1f", ConsoleSafe(std::string_view("\0\x1f", 2)));
}

TEST(ConsoleSafe, EscapesBothBytesOfC1Controls) {
  EXPECT_EQ("x\\xc2\\x85y", ConsoleSafe("x\xc2\x85y"));
  EXPECT_EQ("\\xc2\\x80\\xc2\\x9b", ConsoleSafe("\xc2\x80\xc2\x9b"));
}

TEST(ConsoleSafe, EscapesEveryByteOfInvisibleFormatCharacters) {
  // U+202E, U+2066, U+200B, U+FEFF, U+061C, U+180E, U+E0041 and the ends of
  // each range.
  EXPECT_EQ("a\\xe2\\x80\\xaecba", ConsoleSafe("a\xe2\x80\xae" "cba"));
  EXPECT_EQ("\\xe2\\x81\\xa6x\\xe2\\x81\\xa9", ConsoleSafe("\xe2\x81\xa6x\xe2\x81\xa9"));
  EXPECT_EQ("\\xe2\\x80\\x8b\\xef\\xbb\\xbf\\xd8\\x9c\\xe1\\xa0\\x8e",
            ConsoleSafe("\xe2\x80\x8b\xef\xbb\xbf\xd8\x9c\xe1\xa0\x8e"));
  EXPECT_EQ("\\xf3\\xa0\\x81\\x81", ConsoleSafe("\xf3\xa0\x81\x81"));
  EXPECT_EQ("\\xe2\\x80\\x8f\\xe2\\x80\\xaa\\xe2\\x81\\xa0\\xe2\\x81\\xa4\\xe2\\x81\\xaf",
            ConsoleSafe("\xe2\x80\x8f\xe2\x80\xaa\xe2\x81\xa0\xe2\x81\xa4\xe2\x81\xaf"));
}

TEST(ConsoleSafe, KeepsVisibleNeighboursAndBrokenFormsOfFormatCharacters) {
  // U+200A, U+2010, U+202F, U+2065, U+FEFE and U+1F600 are shown as they are.
  const std::string visible =
      "\xe2\x80\x8a\xe2\x80\x90\xe2\x80\xaf\xe2\x81\xa5\xef\xbb\xbe\xf0\x9f\x98\x80";
  EXPECT_EQ(visible, ConsoleSafe(visible));
  // Cut short, overlong (U+202E in four bytes) or with a bad continuation:
  // not a character, so the bytes stay, and a control inside is still escaped.
  EXPECT_EQ("\xe2\x80", ConsoleSafe("\xe2\x80"));
  EXPECT_EQ("\xf0\x82\x80\xae", ConsoleSafe("\xf0\x82\x80\xae"));
  EXPECT_EQ("\xe2\x80\\x0a", ConsoleSafe("\xe2\x80\n"));
  EXPECT_EQ("\xed\xa0\x80", ConsoleSafe("\xed\xa0\x80"));
}

TEST(ConsoleSafe, KeepsPrintableTextAndInvalidBytes) {
  EXPECT_EQ("", ConsoleSafe(""));
  EXPECT_EQ("/home/a b/Proj ~!", ConsoleSafe("/home/a b/Proj ~!"));
  // U+00A0 and U+00E9 begin with 0xC2 / 0xC3 but are not controls.
  EXPECT_EQ("\xc2\xa0\xc3\xa9\xe2\x9c\x93", ConsoleSafe("\xc2\xa0\xc3\xa9\xe2\x9c\x93"));
  // A lone 0x85, a 0xC2 at the end and other broken UTF-8 stay as they are.
  EXPECT_EQ("\x85", ConsoleSafe("\x85"));
  EXPECT_EQ("a\xc2", ConsoleSafe("a\xc2"));
  EXPECT_EQ("\xc2\xc2\\x0a", ConsoleSafe("\xc2\xc2\n"));
  EXPECT_EQ("\xff\xfe", ConsoleSafe("\xff\xfe"));
}

}  // namespace
}  // namespace velders
