#include "ProgramRunner.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace velders {
namespace testing {
namespace {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteWholeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

// Waits for the child; with a limit, kills it once the limit has passed.
int WaitForChild(pid_t child, int limitSeconds, bool* timedOut) {
  int status = 0;
  if (limitSeconds <= 0) {
    waitpid(child, &status, 0);
    return status;
  }
  for (int waited = 0; waitpid(child, &status, WNOHANG) == 0; ++waited) {
    if (waited == limitSeconds * 100) {
      *timedOut = true;
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      break;
    }
    usleep(10000);
  }
  return status;
}

}  // namespace

std::vector<std::string> EnvironmentEntries(const std::map<std::string, std::string>& env) {
  std::vector<std::string> entries;
  for (const auto& [name, value] : env) entries.push_back(name + "=" + value);
  return entries;
}

void ExecProgram(const std::string& program, const std::vector<std::string>& env, int input,
                 int output, int errors, const std::vector<std::string>& arguments) {
  if (input < 0 || output < 0 || errors < 0 || dup2(input, 0) < 0 || dup2(output, 1) < 0 ||
      dup2(errors, 2) < 0) {
    _exit(127);
  }
  std::vector<char*> envp;
  for (const std::string& entry : env) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  execve(program.c_str(), argv.data(), envp.data());
  _exit(127);
}

RunResult RunProgram(const std::string& program, const std::map<std::string, std::string>& env,
                     const std::string& input, const std::vector<std::string>& arguments,
                     int limitSeconds) {
  const mevstorage::testing::TempFolder folder;
  const std::string in = folder.Child("in"), out = folder.Child("out"), err = folder.Child("err");
  WriteWholeFile(in, input);
  const std::vector<std::string> entries = EnvironmentEntries(env);

  pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    ExecProgram(program, entries, open(in.c_str(), O_RDONLY),
                open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
                open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), arguments);
  }
  RunResult result;
  const int status = WaitForChild(child, limitSeconds, &result.timedOut);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.standardOutput = ReadWholeFile(out);
  result.standardError = ReadWholeFile(err);
  return result;
}

ScratchHome::ScratchHome() { std::filesystem::create_directory(Home() + "/Documents"); }

// Opens again any folder a test closed, so that the whole home can go.
ScratchHome::~ScratchHome() {
  std::system(("chmod -R u+rwx '" + Home() + "' 2>/dev/null").c_str());
}

std::map<std::string, std::string> ScratchHome::Environment(const std::string& tz) const {
  std::map<std::string, std::string> env = {
      {"HOME", Home()}, {"XDG_STATE_HOME", StateFolder()}, {"TZ", tz}, {"PATH", "/usr/bin:/bin"}};
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
    if (const char* value = getenv(name)) env[name] = value;
  return env;
}

RunResult ScratchHome::Recover(const std::string& answers, const std::string& tz) const {
  return RunProgram(VELDERS_RECOVERY_BINARY, Environment(tz), answers);
}

RunResult ScratchHome::RecoverWithin(const std::string& answers, int limitSeconds) const {
  return RunProgram(VELDERS_RECOVERY_BINARY, Environment(), answers, {}, limitSeconds);
}

}  // namespace testing
}  // namespace velders
