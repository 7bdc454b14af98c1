#pragma once

#include <istream>
#include <string>

namespace velders {

enum Answer : int { kQuit = -1, kNo = 0, kYes = 1 };

// Reads one line from standard input and classifies it: a line holding q or Q
// is quit, else one holding y or Y is yes, anything else (the end of input
// too) is no.
int ReadAnswer();
int ReadAnswer(std::istream& in);

// The classification alone.
int ClassifyAnswer(const std::string& line);

}  // namespace velders
