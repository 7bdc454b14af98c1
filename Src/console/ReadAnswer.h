#pragma once

#include <istream>
#include <string>

namespace velders {

// A user's answer to a question.
enum class Answer { kQuit, kNo, kYes };

// Reads one line and classifies it: a line holding q or Q is quit, else one
// holding y or Y is yes, anything else (the end of input too) is no. The
// line is classified as it streams in, so memory stays the same whatever
// its length.
Answer ReadAnswer(std::istream& in);
Answer ReadAnswer();  // from standard input

// The classification alone.
Answer ClassifyAnswer(const std::string& line);

}  // namespace velders
