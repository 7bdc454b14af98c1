#include "mevcore/utility/ImmutableString.h"

#include <gtest/gtest.h>

#include <string>

namespace mevcore {
namespace utility {
namespace {

TEST(ImmutableString, EmptyPointsAtNullString) {
  EXPECT_EQ(ImmutableString().data(), sNullString);
  EXPECT_EQ(ImmutableString::CreateDynamic(UTF8String()).data(), sNullString);
  EXPECT_EQ(ImmutableString::CreateStatic("").data(), sNullString);
  EXPECT_STREQ(ImmutableString().c_str(), "");
  EXPECT_TRUE(ImmutableString().empty());
}

TEST(ImmutableString, StaticRefersToLiteral) {
  static const char kHead[] = "HEAD";
  const ImmutableString head = ImmutableString::CreateStatic(kHead);
  EXPECT_EQ(head.c_str(), kHead);
  EXPECT_EQ(head.size(), 4u);
}

TEST(ImmutableString, DynamicCopiesAndCopiesShare) {
  UTF8String source = ToUTF8("Alpha");
  const ImmutableString text = ImmutableString::CreateDynamic(source);
  source[0] = 'X';
  EXPECT_STREQ(text.c_str(), "Alpha");
  const ImmutableString copy = text;
  EXPECT_EQ(copy.data(), text.data());
  ImmutableString moved = ImmutableString(copy);
  EXPECT_EQ(moved.data(), text.data());
}

TEST(ImmutableString, KeepsZeroBytesAndTerminates) {
  const unsigned char bytes[] = {'a', 0, 'b'};
  const ImmutableString text = ImmutableString::CreateDynamic(bytes, 3);
  EXPECT_EQ(text.size(), 3u);
  EXPECT_EQ(text.data()[3], 0);
  EXPECT_EQ(text.str(), UTF8String(bytes, 3));
  EXPECT_EQ(text.UpToFirstZero(), ToUTF8("a"));
  EXPECT_EQ(ImmutableString::CreateStatic("abc").UpToFirstZero(), ToUTF8("abc"));
}

TEST(ImmutableString, EqualityComparesBytes) {
  const ImmutableString literal = ImmutableString::CreateStatic("properties");
  EXPECT_EQ(literal, ImmutableString::CreateDynamic(ToUTF8("properties")));
  EXPECT_NE(literal, ImmutableString::CreateStatic("propertie"));
  EXPECT_NE(ImmutableString::CreateDynamic(ToUTF8(std::string("a\0b", 3))),
            ImmutableString::CreateDynamic(ToUTF8(std::string("a\0c", 3))));
  EXPECT_EQ(ImmutableString(), ImmutableString::CreateDynamic(UTF8String()));
}

}  // namespace
}  // namespace utility
}  // namespace mevcore
