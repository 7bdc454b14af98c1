#include "mevcore/serialization/JSON.h"

#include <cstring>
#include <stdexcept>
#include <utility>

#include <boost/make_shared.hpp>

namespace mevcore {
namespace serialization {
namespace {

utility::UTF8String KeyText(const char* key) {
  if (key == nullptr) throw std::invalid_argument("JSON member name is null");
  return utility::UTF8String(reinterpret_cast<const unsigned char*>(key), std::strlen(key));
}

unsigned char AsciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

bool EqualsIgnoringAsciiCase(const utility::UTF8String& name, const char* key) {
  const auto* wanted = reinterpret_cast<const unsigned char*>(key);
  for (unsigned char c : name) {
    if (*wanted == 0 || AsciiLower(c) != AsciiLower(*wanted)) return false;
    ++wanted;
  }
  return *wanted == 0;
}

}  // namespace

SharedValue MakeValue(const boost::any& value) { return boost::make_shared<boost::any>(value); }

void AddToObject(JSONObject& object, const utility::UTF8String& key, SharedValue value) {
  object.insert_or_assign(key, std::move(value));
}

void AddToObject(JSONObject& object, const char* key, SharedValue value) {
  object.insert_or_assign(KeyText(key), std::move(value));
}

void AddToObject(JSONObject& object, const char* key, const utility::UTF8String& text) {
  AddToObject(object, key, MakeValue(text));
}

void AddToObject(JSONObject& object, const char* key, const JSONArray& array) {
  AddToObject(object, key, MakeValue(array));
}

void AppendToArray(JSONArray& array, SharedValue value) { array.push_back(std::move(value)); }

void AppendToArray(JSONArray& array, const utility::UTF8String& text) {
  array.push_back(MakeValue(text));
}

SharedValue GetVariantInObject(const JSONObject& object, const char* key) {
  if (key == nullptr) return nullptr;
  const auto found = object.find(KeyText(key));
  return found == object.end() ? nullptr : found->second;
}

bool ObjectHasProperty(const JSONObject& object, const char* key, bool caseInsensitive) {
  if (key == nullptr) return false;
  if (!caseInsensitive) return object.count(KeyText(key)) != 0;
  for (const auto& member : object) {
    if (EqualsIgnoringAsciiCase(member.first, key)) return true;
  }
  return false;
}

}  // namespace serialization
}  // namespace mevcore
