#include "mevcore/serialization/JSON.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace mevcore {
namespace serialization {
namespace {

using utility::ToUTF8;
using utility::UTF8String;

SharedValue Parse(const std::string& text) { return JSONParse(ToUTF8(text)); }

template <class T>
const T& As(const SharedValue& value) {
  return boost::any_cast<const T&>(*value);
}

const SharedValue& Member(const SharedValue& object, const char* key) {
  return As<JSONObject>(object).at(ToUTF8(key));
}

TEST(JSONParse, BuildsEveryKindOfValue) {
  const SharedValue root = Parse(
      R"({"s":"caf\u00e9 \ud83d\ude00","i":-42,"u":7,"big":18446744073709551615,)"
      R"("edge":9223372036854775807,"d":1.5,"e":2e3,"t":true,"f":false,"n":null,)"
      R"("o":{"x":[1,[],{}]},"":"empty key"})");
  ASSERT_TRUE(root);
  EXPECT_EQ(As<UTF8String>(Member(root, "s")), ToUTF8("caf\xC3\xA9 \xF0\x9F\x98\x80"));
  EXPECT_EQ(As<std::int64_t>(Member(root, "i")), -42);
  EXPECT_EQ(As<std::int64_t>(Member(root, "u")), 7);
  EXPECT_EQ(As<std::uint64_t>(Member(root, "big")), UINT64_MAX);
  EXPECT_EQ(As<std::int64_t>(Member(root, "edge")), INT64_MAX);
  EXPECT_EQ(As<double>(Member(root, "d")), 1.5);
  EXPECT_EQ(As<double>(Member(root, "e")), 2000.0);
  EXPECT_TRUE(As<bool>(Member(root, "t")));
  EXPECT_FALSE(As<bool>(Member(root, "f")));
  EXPECT_NO_THROW(As<JSONNull>(Member(root, "n")));
  EXPECT_EQ(As<UTF8String>(Member(root, "")), ToUTF8("empty key"));
  const JSONArray& x = As<JSONArray>(Member(Member(root, "o"), "x"));
  ASSERT_EQ(x.size(), 3u);
  EXPECT_TRUE(As<JSONArray>(x[1]).empty());
  EXPECT_TRUE(As<JSONObject>(x[2]).empty());
}

TEST(JSONParse, TopLevelScalarsAndLengthBound) {
  EXPECT_EQ(As<std::int64_t>(Parse("3")), 3);
  EXPECT_EQ(As<UTF8String>(Parse("\"a\"")), ToUTF8("a"));
  const unsigned char text[] = "[1]garbage";
  EXPECT_EQ(As<JSONArray>(JSONParse(text, 3)).size(), 1u);
}

TEST(JSONParse, LastDuplicateMemberWins) {
  const SharedValue root = Parse(R"({"a":1,"b":2,"a":3})");
  ASSERT_TRUE(root);
  EXPECT_EQ(As<JSONObject>(root).size(), 2u);
  EXPECT_EQ(As<std::int64_t>(Member(root, "a")), 3);
}

TEST(JSONParse, NotWellFormedGivesNull) {
  const std::string bad[] = {
      "",
      " ",
      "{",
      "[1,]",
      "{\"a\":1,}",
      "{\"a\" 1}",
      "{} x",
      "{}{}",
      "nul",
      "1e999",
      "2.5e-99999999999999999999",  // exponent beyond a 32-bit integer
      "'single'",
      "{\"a\":1} // comment",
      "\"\xC3\"",              // truncated sequence in a string
      "\"\xC0\xAF\"",          // overlong
      "\"\xED\xA0\x80\"",      // encoded surrogate
      "\"\xFF\"",
      "\"\\ud800\"",           // escaped lone surrogate
      std::string("{}\0", 3),
      std::string("{}\0{\"", 5),
      std::string("\"a\0\"", 4),
  };
  for (const std::string& text : bad) EXPECT_FALSE(Parse(text)) << text;
  EXPECT_FALSE(JSONParse(nullptr, 5));
}

std::string Nested(std::size_t depth, const char* open, const char* close) {
  std::string text;
  for (std::size_t i = 0; i < depth; ++i) text += open;
  text += "0";
  for (std::size_t i = 0; i < depth; ++i) text += close;
  return text;
}

TEST(JSONParse, NestingLimit) {
  EXPECT_TRUE(Parse(Nested(kMaxJSONDepth, "[", "]")));
  EXPECT_FALSE(Parse(Nested(kMaxJSONDepth + 1, "[", "]")));
  EXPECT_TRUE(Parse(Nested(kMaxJSONDepth, "{\"k\":", "}")));
  EXPECT_FALSE(Parse(Nested(kMaxJSONDepth + 1, "{\"k\":", "}")));
  EXPECT_FALSE(Parse(std::string(100000, '[')));
  EXPECT_FALSE(Parse(Nested(100000, "[", "]")));
}

}  // namespace
}  // namespace serialization
}  // namespace mevcore
