#include "mevcore/serialization/JSON.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>

namespace mevcore {
namespace serialization {
namespace {

using utility::ToUTF8;
using utility::UTF8String;

TEST(JSONObjectHelpers, AddReplacesExistingMember) {
  JSONObject object;
  AddToObject(object, "name", ToUTF8("old"));
  AddToObject(object, ToUTF8("name"), MakeValue(std::int64_t{2}));
  ASSERT_EQ(object.size(), 1u);
  EXPECT_EQ(boost::any_cast<std::int64_t>(*GetVariantInObject(object, "name")), 2);
  EXPECT_THROW(AddToObject(object, static_cast<const char*>(nullptr), ToUTF8("x")),
               std::invalid_argument);
}

TEST(JSONObjectHelpers, SharedValuesAreAttachedNotCopied) {
  const SharedValue shared = MakeValue(ToUTF8("v"));
  JSONObject object;
  AddToObject(object, "k", shared);
  JSONArray array;
  AppendToArray(array, shared);
  EXPECT_EQ(GetVariantInObject(object, "k").get(), shared.get());
  EXPECT_EQ(array.front().get(), shared.get());
}

TEST(JSONObjectHelpers, ArraysAndTextsBecomeValues) {
  JSONArray tags;
  AppendToArray(tags, ToUTF8("a"));
  JSONObject object;
  AddToObject(object, "tags", tags);
  const auto& stored = boost::any_cast<const JSONArray&>(*GetVariantInObject(object, "tags"));
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(boost::any_cast<const UTF8String&>(*stored[0]), ToUTF8("a"));
}

TEST(JSONObjectHelpers, LookUpAndCaseInsensitivePresence) {
  JSONObject object;
  AddToObject(object, "commitId", ToUTF8(""));
  AddToObject(object, "", ToUTF8("empty"));
  EXPECT_FALSE(GetVariantInObject(object, "missing"));
  EXPECT_FALSE(GetVariantInObject(object, nullptr));
  EXPECT_TRUE(GetVariantInObject(object, ""));
  EXPECT_TRUE(ObjectHasProperty(object, "commitId", false));
  EXPECT_FALSE(ObjectHasProperty(object, "COMMITID", false));
  EXPECT_TRUE(ObjectHasProperty(object, "COMMITID", true));
  EXPECT_FALSE(ObjectHasProperty(object, "commit", true));
  EXPECT_FALSE(ObjectHasProperty(object, "commitIds", true));
  EXPECT_TRUE(ObjectHasProperty(object, "", true));
  EXPECT_FALSE(ObjectHasProperty(object, nullptr, true));
}

}  // namespace
}  // namespace serialization
}  // namespace mevcore
