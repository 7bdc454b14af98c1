#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <boost/any.hpp>
#include <boost/shared_ptr.hpp>

#include "mevcore/utility/Text.h"

namespace mevcore {
namespace serialization {

// The JSON variant tree. A value is a boost::any holding one of:
//   utility::UTF8String  (string)
//   std::int64_t         (integer that fits; negative integers always)
//   std::uint64_t        (non-negative integer above INT64_MAX)
//   double               (number with a fraction or exponent)
//   JSONRawNumber        (number that neither integer type nor a double holds
//                         exactly)
//   bool
//   JSONNull             (null)
//   JSONObject           (members ordered by key, byte-wise)
//   JSONArray
struct JSONNull {
  bool operator==(const JSONNull&) const { return true; }
};
// A number kept as the text it was read as, because no int64, uint64 or
// double holds its value exactly (123456789012345678901234567890, 1e-400,
// 0.10000000000000000001). `text` must be a JSON number; the writer writes it
// as it is.
struct JSONRawNumber {
  std::string text;
  bool operator==(const JSONRawNumber& other) const { return text == other.text; }
};
using SharedValue = boost::shared_ptr<boost::any>;
using JSONObject = std::map<utility::UTF8String, SharedValue>;
using JSONArray = std::vector<SharedValue>;

// Deeper nesting than this is a parse error.
constexpr std::size_t kMaxJSONDepth = 512;

// Parses JSON text. Returns null when the text is not well-formed JSON (or
// nests deeper than kMaxJSONDepth, or is not valid UTF-8).
SharedValue JSONParse(const utility::UTF8String& text);
SharedValue JSONParse(const unsigned char* text, std::size_t length);

// Writes a value as JSON text: compact, on one line, non-ASCII as UTF-8.
// `pretty` true indents it over several lines instead. Throws
// std::invalid_argument for a value the tree does not allow (a raw number
// whose text is not a JSON number among them). Counts the text's length,
// then builds it in place at that size: the only memory besides the result
// is a small buffer per string.
utility::UTF8String GetJSONUTF8String(const SharedValue& value, bool pretty);

void AddToObject(JSONObject& object, const utility::UTF8String& key, SharedValue value);
void AddToObject(JSONObject& object, const char* key, SharedValue value);
void AddToObject(JSONObject& object, const char* key, const utility::UTF8String& text);
void AddToObject(JSONObject& object, const char* key, const JSONArray& array);
void AppendToArray(JSONArray& array, SharedValue value);
void AppendToArray(JSONArray& array, const utility::UTF8String& text);

// The member's value; null when the object has no such member.
SharedValue GetVariantInObject(const JSONObject& object, const char* key);
// Whether the object has the member. `caseInsensitive` compares ASCII
// letters without regard to case.
bool ObjectHasProperty(const JSONObject& object, const char* key, bool caseInsensitive);

// Shorthands for making values.
SharedValue MakeValue(const boost::any& value);

}  // namespace serialization
}  // namespace mevcore
