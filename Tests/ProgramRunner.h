#pragma once

#include <map>
#include <string>
#include <vector>

#include "TempFolder.h"

namespace velders {
namespace testing {

struct RunResult {
  int exitCode = -1;  // -1 when the program did not exit normally
  std::string standardOutput;
  std::string standardError;
  bool timedOut = false;  // killed after its time limit
};

// Runs a program with the given environment only (nothing inherited), the
// text as its standard input (closed at its end), and captures both outputs.
// "NAME=value" entries of an environment, for ExecProgram.
std::vector<std::string> EnvironmentEntries(const std::map<std::string, std::string>& env);

// In a forked child: makes the three descriptors standard input, output and
// error and runs the program with the arguments and only the given
// environment. Exits with 127 when that fails (a negative descriptor
// included); never returns.
[[noreturn]] void ExecProgram(const std::string& program, const std::vector<std::string>& env,
                              int input, int output, int errors,
                              const std::vector<std::string>& arguments = {});

// With a limit (seconds, > 0) a program still running then is killed.
RunResult RunProgram(const std::string& program, const std::map<std::string, std::string>& env,
                     const std::string& input, const std::vector<std::string>& arguments = {},
                     int limitSeconds = 0);

// A scratch home folder for one test: HOME with Documents, the hub path,
// XDG_STATE_HOME inside it; removed with the object.
class ScratchHome {
 public:
  ScratchHome();
  ~ScratchHome();
  ScratchHome(const ScratchHome&) = delete;
  ScratchHome& operator=(const ScratchHome&) = delete;

  const std::string& Home() const { return home_.Path(); }
  std::string Hub() const { return Home() + "/Documents/Velders Local Hub"; }
  std::string StateFolder() const { return Home() + "/state"; }
  // The environment of a run: HOME, XDG_STATE_HOME, TZ, PATH.
  std::map<std::string, std::string> Environment(const std::string& tz = "UTC0") const;
  // Runs the recovery program with the answers on standard input.
  RunResult Recover(const std::string& answers, const std::string& tz = "UTC0") const;
  // The same in UTC, killed if it still runs after `limitSeconds`.
  RunResult RecoverWithin(const std::string& answers, int limitSeconds) const;

 private:
  mevstorage::testing::TempFolder home_;
};

}  // namespace testing
}  // namespace velders
