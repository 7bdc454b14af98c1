#include "JSONNumberText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace mevcore {
namespace serialization {
namespace {

// A decimal number as sign, significant digits (no leading or trailing
// zeros; empty for zero) and exponent: the value is 0.digits x 10^exponent.
struct Decimal {
  bool negative = false;
  std::string digits;
  std::int64_t exponent = 0;

  bool operator==(const Decimal& other) const {
    return negative == other.negative && digits == other.digits && exponent == other.exponent;
  }
};

// Beyond this, an exponent is held at the bound: no double comes near it,
// so the comparison with a double's text stays exact.
constexpr std::int64_t kExponentBound = 1'000'000'000'000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t DigitRun(std::string_view text, std::size_t at) {
  std::size_t end = at;
  while (end < text.size() && IsDigit(text[end])) ++end;
  return end - at;
}

// The exponent's digits, held within kExponentBound.
std::int64_t BoundedExponent(std::string_view digits) {
  std::int64_t value = 0;
  for (char c : digits) {
    value = std::min(value * 10 + (c - '0'), kExponentBound);
  }
  return value;
}

std::optional<Decimal> ReadDecimal(std::string_view text) {
  Decimal decimal;
  std::size_t at = 0;
  if (at < text.size() && text[at] == '-') decimal.negative = true, ++at;
  const std::size_t whole = DigitRun(text, at);
  if (whole == 0 || (whole > 1 && text[at] == '0')) return std::nullopt;
  std::string mantissa(text.substr(at, whole));
  at += whole;
  if (at < text.size() && text[at] == '.') {
    const std::size_t fraction = DigitRun(text, ++at);
    if (fraction == 0) return std::nullopt;
    mantissa += text.substr(at, fraction);
    at += fraction;
  }
  std::int64_t exponent = 0;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    const bool negativeExponent = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
    const std::size_t digits = DigitRun(text, at);
    if (digits == 0) return std::nullopt;
    exponent = BoundedExponent(text.substr(at, digits));
    if (negativeExponent) exponent = -exponent;
    at += digits;
  }
  if (at != text.size()) return std::nullopt;

  const std::size_t first = mantissa.find_first_not_of('0');
  if (first == std::string::npos) return decimal;
  const std::size_t last = mantissa.find_last_not_of('0');
  decimal.digits = mantissa.substr(first, last - first + 1);
  decimal.exponent = exponent + static_cast<std::int64_t>(whole) - static_cast<std::int64_t>(first);
  return decimal;
}

}  // namespace

std::string DoubleText(double value) {
  if (!std::isfinite(value)) {
    throw std::invalid_argument("JSON cannot hold the number " + std::to_string(value));
  }
  return nlohmann::json(value).dump();
}

bool IsJSONNumberText(std::string_view text) { return ReadDecimal(text).has_value(); }

bool DoubleKeepsNumber(double value, std::string_view text) {
  const std::optional<Decimal> read = ReadDecimal(text);
  return read && std::isfinite(value) && read == ReadDecimal(DoubleText(value));
}

}  // namespace serialization
}  // namespace mevcore
