#pragma once

#include <string>
#include <string_view>

namespace mevcore {
namespace serialization {

// The JSON text the writer gives a double: the shortest form that reads back
// as the same double, with ".0" on whole numbers ("1.0", "0.1", "1e+300").
// Throws std::invalid_argument for infinity and NaN.
std::string DoubleText(double value);

// Whether `text` is a JSON number: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool IsJSONNumberText(std::string_view text);

// Whether the JSON number `text` has exactly the decimal value that
// DoubleText(value) writes, so that keeping `value` in its place loses
// nothing. Zeros compare with their sign. False when `text` is not a JSON
// number.
bool DoubleKeepsNumber(double value, std::string_view text);

}  // namespace serialization
}  // namespace mevcore
