#include "CountArgument.h"

#include <limits>
#include <stdexcept>

namespace bench {

std::size_t ParseCount(const std::string& text, const std::string& what) {
  const std::size_t limit = std::numeric_limits<std::size_t>::max();
  if (text.empty()) throw std::invalid_argument("The " + what + " is empty");
  std::size_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      throw std::invalid_argument("The " + what + " \"" + text + "\" is not a count");
    const std::size_t digit = static_cast<std::size_t>(c - '0');
    if (value > (limit - digit) / 10)
      throw std::invalid_argument("The " + what + " \"" + text + "\" is too large");
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace bench
