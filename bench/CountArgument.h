#pragma once

#include <cstddef>
#include <string>

namespace bench {

// A count given on the command line: decimal digits only. Throws
// std::invalid_argument naming `what` otherwise.
std::size_t ParseCount(const std::string& text, const std::string& what);

}  // namespace bench
