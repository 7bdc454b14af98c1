#include "mevcore/utility/UTF8StringStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <locale>

namespace mevcore {
namespace {

using utility::ImmutableString;
using utility::ToUTF8;

TEST(UTF8StringStream, EndlWritesCarriageReturnLineFeed) {
  oUTF8StringStream stream;
  stream << "Project: " << ImmutableString::CreateStatic("Alpha") << endl << "last";
  EXPECT_EQ(stream.str(), ToUTF8("Project: Alpha\r\nlast"));
}

TEST(UTF8StringStream, WritesTextsByteForByte) {
  oUTF8StringStream stream;
  const unsigned char zeroInside[] = {'a', 0, 'b'};
  stream << std::string("caf\xC3\xA9") << utility::UTF8String(zeroInside, 3)
         << ImmutableString::CreateDynamic(zeroInside, 3) << static_cast<const char*>(nullptr);
  EXPECT_EQ(stream.str(), ToUTF8(std::string("caf\xC3\xA9" "a\0b" "a", 9)));
}

// A locale that groups digits by threes, as many user locales do.
struct GroupingPunct : std::numpunct<char> {
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(UTF8StringStream, NumbersIgnoreTheGlobalLocale) {
  std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new GroupingPunct));
  oUTF8StringStream stream;
  stream << 1234567 << " " << std::numeric_limits<std::int64_t>::min() << " "
         << std::numeric_limits<std::uint64_t>::max();
  std::locale::global(previous);
  EXPECT_EQ(stream.str(), ToUTF8("1234567 -9223372036854775808 18446744073709551615"));
}

}  // namespace
}  // namespace mevcore
