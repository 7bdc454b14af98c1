#include "mevcore/serialization/JSON.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "JSONNumberText.h"

namespace mevcore {
namespace serialization {
namespace {

using Json = nlohmann::json;

// Strings are escaped through the JSON library a piece at a time, so that a
// large string is never copied whole.
constexpr std::size_t kEscapePiece = 64 * 1024;

void CheckNesting(std::size_t depth) {
  if (depth > kMaxJSONDepth) {
    throw std::invalid_argument("JSON value nests deeper than " + std::to_string(kMaxJSONDepth) +
                                " levels");
  }
}

bool IsContinuationByte(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Where the piece from `start` ends: a character boundary when the text is
// valid UTF-8. Invalid text may be cut inside a sequence; the piece after the
// cut then begins with a stray continuation byte and is refused, as the
// whole text would be.
std::size_t PieceEnd(const utility::UTF8String& text, std::size_t start) {
  if (text.size() - start <= kEscapePiece) return text.size();
  std::size_t end = start + kEscapePiece;
  for (int back = 0; back < 3 && IsContinuationByte(text[end]); ++back) --end;
  return end;
}

// Writes the text into `out`, or, with no `out`, only counts its length.
class TextWriter {
 public:
  TextWriter(utility::UTF8String* out, bool pretty) : out_(out), pretty_(pretty) {}

  std::size_t Length() const { return length_; }

  // `depth` counts the containers around `value`.
  void Value(const SharedValue& value, std::size_t depth) {
    if (!value || value->empty()) throw std::invalid_argument("JSON value is empty");
    const boost::any& any = *value;
    if (const auto* text = boost::any_cast<utility::UTF8String>(&any)) return String(*text);
    if (const auto* integer = boost::any_cast<std::int64_t>(&any)) return Scalar(Json(*integer));
    if (const auto* large = boost::any_cast<std::uint64_t>(&any)) return Scalar(Json(*large));
    if (const auto* number = boost::any_cast<double>(&any)) return Append(DoubleText(*number));
    if (const auto* raw = boost::any_cast<JSONRawNumber>(&any)) return RawNumber(*raw);
    if (const auto* flag = boost::any_cast<bool>(&any)) return Append(*flag ? "true" : "false");
    if (boost::any_cast<JSONNull>(&any) != nullptr) return Append("null");
    if (const auto* object = boost::any_cast<JSONObject>(&any)) return Object(*object, depth + 1);
    if (const auto* array = boost::any_cast<JSONArray>(&any)) return Array(*array, depth + 1);
    throw std::invalid_argument(std::string("JSON value holds a type outside the JSON tree: ") +
                                any.type().name());
  }

 private:
  void Append(std::string_view text) {
    length_ += text.size();
    if (out_) out_->append(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  }

  void AppendRepeated(std::size_t count, char c) {
    length_ += count;
    if (out_) out_->append(count, static_cast<unsigned char>(c));
  }

  void Scalar(const Json& value) { Append(value.dump()); }

  void RawNumber(const JSONRawNumber& raw) {
    if (!IsJSONNumberText(raw.text)) {
      throw std::invalid_argument("JSON raw number is not a number: " + raw.text);
    }
    Append(raw.text);
  }

  void String(const utility::UTF8String& text) {
    Append("\"");
    for (std::size_t start = 0; start < text.size();) {
      const std::size_t end = PieceEnd(text, start);
      const std::string escaped = EscapedPiece(text, start, end);
      Append(std::string_view(escaped).substr(1, escaped.size() - 2));
      start = end;
    }
    Append("\"");
  }

  // The piece as a JSON string, quotes included.
  static std::string EscapedPiece(const utility::UTF8String& text, std::size_t start,
                                  std::size_t end) {
    const Json piece(std::string(reinterpret_cast<const char*>(text.data()) + start, end - start));
    try {
      return piece.dump(-1, ' ', false);
    } catch (const Json::type_error& error) {
      throw std::invalid_argument(std::string("JSON text is not valid UTF-8: ") + error.what());
    }
  }

  void Object(const JSONObject& object, std::size_t depth) {
    CheckNesting(depth);
    if (object.empty()) return Append("{}");
    Append("{");
    bool first = true;
    for (const auto& member : object) {
      Separate(first, depth);
      String(member.first);
      Append(pretty_ ? ": " : ":");
      Value(member.second, depth);
    }
    Close('}', depth);
  }

  void Array(const JSONArray& array, std::size_t depth) {
    CheckNesting(depth);
    if (array.empty()) return Append("[]");
    Append("[");
    bool first = true;
    for (const SharedValue& element : array) {
      Separate(first, depth);
      Value(element, depth);
    }
    Close(']', depth);
  }

  // Before each member or element: a comma after the first, and in pretty
  // text a new line indented to the container's depth.
  void Separate(bool& first, std::size_t depth) {
    if (!first) Append(",");
    first = false;
    if (pretty_) NewLine(depth);
  }

  void Close(char bracket, std::size_t depth) {
    if (pretty_) NewLine(depth - 1);
    AppendRepeated(1, bracket);
  }

  void NewLine(std::size_t depth) {
    AppendRepeated(1, '\n');
    AppendRepeated(2 * depth, ' ');
  }

  utility::UTF8String* const out_;
  const bool pretty_;
  std::size_t length_ = 0;
};

}  // namespace

// The text's length is counted first, so that the text is allocated once at
// its size: grown by doubling, a large text would hold its old copy and a
// new one of twice the size at the same time.
utility::UTF8String GetJSONUTF8String(const SharedValue& value, bool pretty) {
  TextWriter counter(nullptr, pretty);
  counter.Value(value, 0);
  utility::UTF8String text;
  text.reserve(counter.Length());
  TextWriter(&text, pretty).Value(value, 0);
  return text;
}

}  // namespace serialization
}  // namespace mevcore
