#include "mevcore/serialization/JSON.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include <locale.h>

#include <boost/json/basic_parser_impl.hpp>
#include <boost/make_shared.hpp>

#include "JSONNumberText.h"

namespace mevcore {
namespace serialization {
namespace {

using boost::json::error_code;
using boost::json::string_view;

// The parser is fed this much at a time, so that the handler knows how much
// of the text is left, which bounds how long a string can still grow.
constexpr std::size_t kFeed = 1 << 20;

// A string handed over in parts grows by doubling until it reaches this;
// then it is given room for the longest it can still become.
constexpr std::size_t kLongString = 64 * 1024;

const unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

// Gathers a string or key handed over in parts. A long one is given its
// room once, for the rest of the text, so that it is never copied to grow:
// the system lends only the pages it fills. Room left far larger than the
// string is given back when it ends, by one copy that cannot then be more
// than the rest of the text.
class PartsBuffer {
 public:
  void Append(string_view part, std::size_t textLeft) {
    const std::size_t needed = text_.size() + part.size();
    if (needed > text_.capacity() && needed >= kLongString) text_.reserve(needed + textLeft);
    text_.append(reinterpret_cast<const unsigned char*>(part.data()), part.size());
  }

  utility::UTF8String Take() {
    if (text_.capacity() > 2 * text_.size() + kLongString) text_.shrink_to_fit();
    utility::UTF8String taken = std::move(text_);
    text_ = utility::UTF8String();
    return taken;
  }

 private:
  utility::UTF8String text_;
};

// A number's value from its text: an integer literal that fits int64 (or
// uint64 when positive) is an integer; any other number is a double when that
// loses nothing, and otherwise keeps its text. Empty for a number too large
// for a double, which is not accepted.
boost::any NumberValue(std::string text) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (text.find_first_of(".eE") == std::string::npos) {
    std::int64_t integer = 0;
    if (text[0] == '-' && std::from_chars(begin, end, integer).ec == std::errc()) return integer;
    std::uint64_t natural = 0;
    if (text[0] != '-' && std::from_chars(begin, end, natural).ec == std::errc()) {
      if (natural <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return static_cast<std::int64_t>(natural);
      }
      return natural;
    }
  }
  // strtod in the "C" locale, whatever the process's locale: JSON's decimal
  // point is always '.'.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t());
  const double value = strtod_l(begin, nullptr, cLocale);
  if (!std::isfinite(value)) return boost::any();
  if (DoubleKeepsNumber(value, text)) return value;
  return JSONRawNumber{std::move(text)};
}

// Receives the parser's events and builds the variant tree from them, with
// no intermediate document. The parser keeps no copy of a string's text
// (the JSON library used for writing keeps two, which for a record holding
// a large member doubled what parsing it cost), so a string costs its own
// size once, beside the text. Refuses to nest deeper than kMaxJSONDepth.
class TreeBuilder {
 public:
  static constexpr std::size_t max_array_size = static_cast<std::size_t>(-1);
  static constexpr std::size_t max_object_size = static_cast<std::size_t>(-1);
  static constexpr std::size_t max_string_size = static_cast<std::size_t>(-1);
  static constexpr std::size_t max_key_size = static_cast<std::size_t>(-1);

  // How much of the text is left from the part being parsed.
  void SetTextLeft(std::size_t left) { textLeft_ = left; }
  SharedValue TakeRoot() { return std::move(root_); }

  bool on_document_begin(error_code&) { return true; }
  bool on_document_end(error_code&) { return true; }
  bool on_array_begin(error_code& ec) { return Open(JSONArray(), ec); }
  bool on_array_end(std::size_t, error_code&) { return Close(); }
  bool on_object_begin(error_code& ec) { return Open(JSONObject(), ec); }
  bool on_object_end(std::size_t, error_code&) { return Close(); }

  bool on_string_part(string_view part, std::size_t, error_code&) {
    string_.Append(part, textLeft_);
    return true;
  }
  bool on_string(string_view last, std::size_t, error_code&) {
    string_.Append(last, textLeft_);
    return Put(string_.Take());
  }
  bool on_key_part(string_view part, std::size_t, error_code&) {
    string_.Append(part, textLeft_);
    return true;
  }
  bool on_key(string_view last, std::size_t, error_code&) {
    string_.Append(last, textLeft_);
    frames_.back().key = string_.Take();
    return true;
  }

  // Every number is read from its whole text, not from the parser's value,
  // so that doubles are rounded as strtod rounds them.
  bool on_number_part(string_view part, error_code&) {
    number_.append(part.data(), part.size());
    return true;
  }
  bool on_int64(std::int64_t, string_view last, error_code& ec) { return Number(last, ec); }
  bool on_uint64(std::uint64_t, string_view last, error_code& ec) { return Number(last, ec); }
  bool on_double(double, string_view last, error_code& ec) { return Number(last, ec); }

  bool on_bool(bool value, error_code&) { return Put(value); }
  bool on_null(error_code&) { return Put(JSONNull{}); }
  // Comments are not allowed, so these are never called.
  bool on_comment_part(string_view, error_code&) { return true; }
  bool on_comment(string_view, error_code&) { return true; }

 private:
  struct Frame {
    JSONObject* object;
    JSONArray* array;
    utility::UTF8String key;
  };

  bool Number(string_view last, error_code& ec) {
    number_.append(last.data(), last.size());
    boost::any value = NumberValue(std::move(number_));
    number_.clear();
    if (value.empty()) {
      ec = boost::json::error::exponent_overflow;
      return false;
    }
    Attach(boost::make_shared<boost::any>(std::move(value)));
    return true;
  }

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
  bool Open(Container&& empty, error_code& ec) {
    if (frames_.size() >= kMaxJSONDepth) {
      ec = boost::json::error::too_deep;
      return false;
    }
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
  PartsBuffer string_;
  std::string number_;
  std::size_t textLeft_ = 0;
};

boost::json::parse_options StrictOptions() {
  boost::json::parse_options options;
  // The builder refuses deeper nesting itself; the parser's own bound only
  // has to be above it.
  options.max_depth = kMaxJSONDepth + 1;
  return options;
}

}  // namespace

SharedValue JSONParse(const unsigned char* text, std::size_t length) {
  if (text == nullptr || length == 0) return nullptr;
  // JSON text never holds a zero byte.
  if (std::memchr(text, 0, length) != nullptr) return nullptr;
  // A byte order mark before the value is allowed, as it always was.
  if (length >= sizeof kByteOrderMark &&
      std::memcmp(text, kByteOrderMark, sizeof kByteOrderMark) == 0) {
    text += sizeof kByteOrderMark;
    length -= sizeof kByteOrderMark;
  }
  boost::json::basic_parser<TreeBuilder> parser(StrictOptions());
  error_code ec;
  for (std::size_t at = 0; at < length && !ec;) {
    const std::size_t feed = std::min(kFeed, length - at);
    parser.handler().SetTextLeft(length - at);
    const bool more = at + feed < length;
    const std::size_t used =
        parser.write_some(more, reinterpret_cast<const char*>(text) + at, feed, ec);
    if (used != feed) return nullptr;
    at += used;
  }
  if (ec || !parser.done()) return nullptr;
  return parser.handler().TakeRoot();
}

SharedValue JSONParse(const utility::UTF8String& text) {
  return JSONParse(text.data(), text.size());
}

}  // namespace serialization
}  // namespace mevcore
