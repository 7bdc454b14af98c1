#pragma once

#include <sys/types.h>

#include <map>
#include <string>

#include "ProgramRunner.h"

namespace velders {
namespace testing {

// A run of a program that the test talks to while it runs: answers go
// through a pipe one at a time, so the test can change the hub between
// them, and standard error is read as it comes.
class ProgramSession {
 public:
  ProgramSession(const std::string& program, const std::map<std::string, std::string>& env);
  ~ProgramSession();
  ProgramSession(const ProgramSession&) = delete;
  ProgramSession& operator=(const ProgramSession&) = delete;

  // Reads standard error until `text` has appeared `count` times in all;
  // false when the program ends (or stays silent for a minute) first.
  bool WaitFor(const std::string& text, std::size_t count = 1);
  void Answer(const std::string& line);
  // Closes standard input, reads the rest and waits for the program's end.
  RunResult Finish();
  pid_t Process() const { return child_; }

 private:
  bool ReadSome();

  pid_t child_ = -1;
  int input_ = -1;
  int errors_ = -1;
  std::string standardError_;
};

}  // namespace testing
}  // namespace velders
