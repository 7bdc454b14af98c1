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
