#include "mevcore/serialization/JSON.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

namespace mevcore {
namespace serialization {
namespace {

using Json = nlohmann::ordered_json;
// The ordered object is a vector of members; appending keeps the tree's
// byte-wise order without a search per member.
using MemberList = std::vector<std::pair<const std::string, Json>>;

Json ToJson(const SharedValue& value, std::size_t depth);

std::string Narrow(const utility::UTF8String& text) { return utility::ToNarrow(text); }

void CheckNesting(std::size_t depth) {
  if (depth > kMaxJSONDepth) {
    throw std::invalid_argument("JSON value nests deeper than " + std::to_string(kMaxJSONDepth) +
                                " levels");
  }
}

Json ObjectToJson(const JSONObject& object, std::size_t depth) {
  CheckNesting(depth);
  Json result = Json::object();
  auto& members = static_cast<MemberList&>(result.get_ref<Json::object_t&>());
  members.reserve(object.size());
  for (const auto& member : object) {
    members.emplace_back(Narrow(member.first), ToJson(member.second, depth));
  }
  return result;
}

Json ArrayToJson(const JSONArray& array, std::size_t depth) {
  CheckNesting(depth);
  Json result = Json::array();
  auto& elements = result.get_ref<Json::array_t&>();
  elements.reserve(array.size());
  for (const SharedValue& element : array) elements.push_back(ToJson(element, depth));
  return result;
}

Json NumberToJson(double number) {
  if (!std::isfinite(number)) {
    throw std::invalid_argument("JSON cannot hold the number " + std::to_string(number));
  }
  return Json(number);
}

// `depth` counts the containers around `value`.
Json ToJson(const SharedValue& value, std::size_t depth) {
  if (!value || value->empty()) throw std::invalid_argument("JSON value is empty");
  const boost::any& any = *value;
  if (const auto* text = boost::any_cast<utility::UTF8String>(&any)) return Json(Narrow(*text));
  if (const auto* integer = boost::any_cast<std::int64_t>(&any)) return Json(*integer);
  if (const auto* large = boost::any_cast<std::uint64_t>(&any)) return Json(*large);
  if (const auto* number = boost::any_cast<double>(&any)) return NumberToJson(*number);
  if (const auto* flag = boost::any_cast<bool>(&any)) return Json(*flag);
  if (boost::any_cast<JSONNull>(&any) != nullptr) return Json(nullptr);
  if (const auto* object = boost::any_cast<JSONObject>(&any)) return ObjectToJson(*object, depth + 1);
  if (const auto* array = boost::any_cast<JSONArray>(&any)) return ArrayToJson(*array, depth + 1);
  throw std::invalid_argument(std::string("JSON value holds a type outside the JSON tree: ") +
                              any.type().name());
}

}  // namespace

utility::UTF8String GetJSONUTF8String(const SharedValue& value, bool pretty) {
  const Json document = ToJson(value, 0);
  try {
    return utility::ToUTF8(document.dump(pretty ? 2 : -1, ' ', false));
  } catch (const nlohmann::json::type_error& error) {
    throw std::invalid_argument(std::string("JSON text is not valid UTF-8: ") + error.what());
  }
}

}  // namespace serialization
}  // namespace mevcore
