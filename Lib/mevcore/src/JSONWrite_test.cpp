#include "mevcore/serialization/JSON.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace mevcore {
namespace serialization {
namespace {

using utility::ToNarrow;
using utility::ToUTF8;

std::string Write(const SharedValue& value) { return ToNarrow(GetJSONUTF8String(value, false)); }
std::string RoundTrip(const std::string& text) { return Write(JSONParse(ToUTF8(text))); }

TEST(JSONWrite, PropertiesBlobRoundTripsExactly) {
  // Compact form, members in byte order; every member survives.
  const std::string blob =
      R"({"":1,"Zeta":null,"commitId":"","description":"Caf)" "\xC3\xA9" R"( \"q\"\n",)"
      R"("double":1.5,"flag":true,"huge":18446744073709551615,"name":"Alpha \u0001",)"
      R"("negative":-9223372036854775808,"nested":{"list":[1,"two",[],{}]},)"
      R"("small":0.001,"tags":["a","b"],"z)" "\xE2\x82\xAC" R"(":false})";
  EXPECT_EQ(RoundTrip(blob), blob);
}

TEST(JSONWrite, CompactAndPrettyText) {
  JSONObject object;
  AddToObject(object, "b", MakeValue(JSONArray()));
  AddToObject(object, "a", MakeValue(std::int64_t{1}));
  const SharedValue value = MakeValue(object);
  EXPECT_EQ(Write(value), R"({"a":1,"b":[]})");
  EXPECT_EQ(ToNarrow(GetJSONUTF8String(value, true)), "{\n  \"a\": 1,\n  \"b\": []\n}");
}

TEST(JSONWrite, MembersInByteOrder) {
  JSONObject object;
  for (const char* key : {"\xC3\xA9", "b", "B", "a", "", "ab"}) {
    AddToObject(object, key, MakeValue(JSONNull{}));
  }
  EXPECT_EQ(Write(MakeValue(object)),
            "{\"\":null,\"B\":null,\"a\":null,\"ab\":null,\"b\":null,\"\xC3\xA9\":null}");
}

TEST(JSONWrite, NumbersKeepTheirKind) {
  EXPECT_EQ(Write(MakeValue(1.0)), "1.0");
  EXPECT_EQ(Write(MakeValue(0.1)), "0.1");
  EXPECT_EQ(Write(MakeValue(std::int64_t{-5})), "-5");
  EXPECT_EQ(Write(MakeValue(std::uint64_t{5})), "5");
  EXPECT_EQ(Write(MakeValue(1e300)), "1e+300");
}

TEST(JSONWrite, NumbersNoNativeTypeHoldsKeepTheirText) {
  const std::string blob =
      R"({"big":123456789012345678901234567890,"c":[18446744073709551616,)"
      R"(-9223372036854775809,1e-400,-1E-400,0.10000000000000000001,2.5e-2147483647]})";
  EXPECT_EQ(RoundTrip(blob), blob);
  // Doubles that lose nothing stay doubles, written in their own form.
  EXPECT_EQ(RoundTrip("[1.50,2e3,1E2,0.1,-0.0,0e-5,1e+300,5e-324]"),
            "[1.5,2000.0,100.0,0.1,-0.0,0.0,1e+300,5e-324]");
  EXPECT_THROW(Write(MakeValue(JSONRawNumber{"1e"})), std::invalid_argument);
  EXPECT_THROW(Write(MakeValue(JSONRawNumber{"01"})), std::invalid_argument);
  EXPECT_THROW(Write(MakeValue(JSONRawNumber{"1]"})), std::invalid_argument);
}

TEST(JSONWrite, TextMatchesTheJSONLibraryForm) {
  std::string large;
  while (large.size() < 200000) large += "\xE2\x82\xAC\"\\\n\x01 \xF0\x9F\x98\x80 abc";
  const std::string document = nlohmann::ordered_json{
      {"a", {{"deep", {1, {{"x", nullptr}}, nlohmann::json::array()}}}},
      {"b", nlohmann::json::object()},
      {"c", large}}.dump();
  const SharedValue root = JSONParse(ToUTF8(document));
  ASSERT_TRUE(root);
  const auto expected = nlohmann::ordered_json::parse(document);
  EXPECT_EQ(Write(root), expected.dump());
  EXPECT_EQ(ToNarrow(GetJSONUTF8String(root, true)), expected.dump(2));
}

TEST(JSONWrite, InvalidUTF8IsRefusedWhereverItLies) {
  // Around the places where a large string is cut into pieces.
  for (std::size_t at : {std::size_t{0}, std::size_t{65533}, std::size_t{65535},
                         std::size_t{65536}, std::size_t{131071}, std::size_t{150000}}) {
    for (const std::string bad : {"\xE2\x82", "\x82", "\xC0\xAF", "\x82\x82\x82\x82\x82"}) {
      std::string text(150001, 'a');
      text.replace(at, bad.size(), bad);
      EXPECT_THROW(Write(MakeValue(ToUTF8(text))), std::invalid_argument) << at << " " << bad.size();
    }
  }
}

TEST(JSONWrite, RefusesValuesOutsideTheTree) {
  EXPECT_THROW(Write(MakeValue(5)), std::invalid_argument);  // int, not int64
  EXPECT_THROW(Write(MakeValue(std::string("narrow"))), std::invalid_argument);
  EXPECT_THROW(Write(MakeValue(boost::any())), std::invalid_argument);
  EXPECT_THROW(Write(nullptr), std::invalid_argument);
  EXPECT_THROW(Write(MakeValue(std::numeric_limits<double>::quiet_NaN())), std::invalid_argument);
  EXPECT_THROW(Write(MakeValue(ToUTF8("\xFF"))), std::invalid_argument);
  JSONArray holdsBadElement;
  AppendToArray(holdsBadElement, MakeValue('c'));
  EXPECT_THROW(Write(MakeValue(holdsBadElement)), std::invalid_argument);
}

SharedValue NestedArrays(std::size_t depth) {
  SharedValue value = MakeValue(std::int64_t{0});
  for (std::size_t i = 0; i < depth; ++i) {
    JSONArray wrapper;
    AppendToArray(wrapper, value);
    value = MakeValue(wrapper);
  }
  return value;
}

TEST(JSONWrite, NestingLimit) {
  const std::string deepest = Write(NestedArrays(kMaxJSONDepth));
  EXPECT_EQ(deepest.size(), 2 * kMaxJSONDepth + 1);
  EXPECT_THROW(Write(NestedArrays(kMaxJSONDepth + 1)), std::invalid_argument);
}

TEST(JSONWrite, CyclicTreeIsRefused) {
  const SharedValue array = MakeValue(JSONArray());
  boost::any_cast<JSONArray&>(*array).push_back(array);
  EXPECT_THROW(Write(array), std::invalid_argument);
  boost::any_cast<JSONArray&>(*array).clear();  // break the cycle
}

}  // namespace
}  // namespace serialization
}  // namespace mevcore
