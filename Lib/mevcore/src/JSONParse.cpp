#include "mevcore/serialization/JSON.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include <boost/make_shared.hpp>
#include <nlohmann/json.hpp>

#include "JSONNumberText.h"

namespace mevcore {
namespace serialization {
namespace {

using Json = nlohmann::json;

// Receives the parser's events and builds the variant tree from them, with
// no intermediate document. Refuses to nest deeper than kMaxJSONDepth.
class TreeBuilder {
 public:
  bool null() { return Put(JSONNull{}); }
  bool boolean(bool value) { return Put(value); }
  bool number_integer(Json::number_integer_t value) { return Put(std::int64_t{value}); }
  bool number_unsigned(Json::number_unsigned_t value) {
    if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      return Put(static_cast<std::int64_t>(value));
    }
    return Put(std::uint64_t{value});
  }
  // A number that does not fit an integer type reaches here too, with its
  // text: it stays a double only when that loses nothing.
  bool number_float(Json::number_float_t value, const Json::string_t& text) {
    if (DoubleKeepsNumber(value, text)) return Put(value);
    return Put(JSONRawNumber{text});
  }
  bool string(Json::string_t& value) { return Put(utility::ToUTF8(value)); }
  bool binary(Json::binary_t&) { return false; }

  bool start_object(std::size_t) { return Open(JSONObject()); }
  bool key(Json::string_t& name) {
    frames_.back().key = utility::ToUTF8(name);
    return true;
  }
  bool end_object() { return Close(); }
  bool start_array(std::size_t) { return Open(JSONArray()); }
  bool end_array() { return Close(); }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
    return false;
  }

  SharedValue TakeRoot() { return std::move(root_); }

 private:
  struct Frame {
    JSONObject* object;
    JSONArray* array;
    utility::UTF8String key;
  };

  template <class T>
  bool Put(T&& value) {
    Attach(boost::make_shared<boost::any>(std::forward<T>(value)));
    return true;
  }

  // A repeated member name replaces the earlier value.
  void Attach(SharedValue value) {
    if (frames_.empty()) {
      root_ = std::move(value);
      return;
    }
    Frame& frame = frames_.back();
    if (frame.object != nullptr) {
      frame.object->insert_or_assign(std::move(frame.key), std::move(value));
    } else {
      frame.array->push_back(std::move(value));
    }
  }

  template <class Container>
  bool Open(Container&& empty) {
    if (frames_.size() >= kMaxJSONDepth) return false;
    SharedValue container = boost::make_shared<boost::any>(std::move(empty));
    Frame frame{boost::any_cast<JSONObject>(container.get()),
                boost::any_cast<JSONArray>(container.get()), {}};
    Attach(std::move(container));
    frames_.push_back(std::move(frame));
    return true;
  }

  bool Close() {
    frames_.pop_back();
    return true;
  }

  std::vector<Frame> frames_;
  SharedValue root_;
};

}  // namespace

SharedValue JSONParse(const unsigned char* text, std::size_t length) {
  if (text == nullptr || length == 0) return nullptr;
  // The parser would take a zero byte for the end of the text and accept
  // what follows it; JSON text never holds one.
  if (std::memchr(text, 0, length) != nullptr) return nullptr;
  TreeBuilder builder;
  const bool parsed =
      Json::sax_parse(text, text + length, &builder, nlohmann::detail::input_format_t::json, true);
  return parsed ? builder.TakeRoot() : nullptr;
}

SharedValue JSONParse(const utility::UTF8String& text) {
  return JSONParse(text.data(), text.size());
}

}  // namespace serialization
}  // namespace mevcore
