#include "console/ReadAnswer.h"

#include <iostream>
#include <string>

namespace velders {
namespace {

struct Letters {
  bool quit = false;
  bool yes = false;

  void See(char c) {
    quit = quit || c == 'q' || c == 'Q';
    yes = yes || c == 'y' || c == 'Y';
  }
  Answer Result() const { return quit ? Answer::kQuit : yes ? Answer::kYes : Answer::kNo; }
};

}  // namespace

Answer ClassifyAnswer(const std::string& line) {
  Letters letters;
  for (char c : line) letters.See(c);
  return letters.Result();
}

// As the standard line reader reads: up to the delimiter, which is taken and
// not kept, or the end of input; a stream already failed gives an empty line.
Answer ReadAnswer(std::istream& in) {
  Letters letters;
  const std::istream::sentry ready(in, true);
  if (!ready) return Answer::kNo;
  std::streambuf* buffer = in.rdbuf();
  const auto newline = std::istream::traits_type::to_int_type(in.widen('\n'));
  std::size_t count = 0;
  for (;;) {
    const auto c = buffer->sbumpc();
    if (std::istream::traits_type::eq_int_type(c, std::istream::traits_type::eof())) {
      in.setstate(count == 0 ? std::ios::eofbit | std::ios::failbit : std::ios::eofbit);
      break;
    }
    if (std::istream::traits_type::eq_int_type(c, newline)) break;
    letters.See(std::istream::traits_type::to_char_type(c));
    ++count;
  }
  return letters.Result();
}

Answer ReadAnswer() { return ReadAnswer(std::cin); }

}  // namespace velders
