#include "console/ReadAnswer.h"

#include <iostream>
#include <string>

namespace velders {

int ClassifyAnswer(const std::string& line) {
  for (const char* letters : {"q", "Q"})
    if (line.find(letters) != std::string::npos) return kQuit;
  for (const char* letters : {"y", "Y"})
    if (line.find(letters) != std::string::npos) return kYes;
  return kNo;
}

int ReadAnswer(std::istream& in) {
  std::string line;
  std::getline(in, line, in.widen('\n'));
  return ClassifyAnswer(line);
}

int ReadAnswer() { return ReadAnswer(std::cin); }

}  // namespace velders
