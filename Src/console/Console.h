#pragma once

#include <istream>
#include <ostream>

namespace velders {

// Where the dialogue goes and where its answers come from: the standard
// error stream and standard input in the program, string streams in tests.
struct Console {
  std::ostream& out;
  std::istream& in;
};

}  // namespace velders
