#include "HostileSession.h"
#include "ProgramRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

namespace velders {
namespace testing {
namespace {

// A guard against a hung program, not a measure of speed.
constexpr int kSilenceLimitMs = 60000;

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

}  // namespace

ProgramSession::ProgramSession(const std::string& program,
                               const std::map<std::string, std::string>& env) {
  int in[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const std::vector<std::string> entries = EnvironmentEntries(env);
  child_ = fork();
  if (child_ < 0) throw std::runtime_error("fork failed");
  if (child_ == 0) ExecProgram(program, entries, in[0], open("/dev/null", O_WRONLY), err[1]);
  close(in[0]);
  close(err[1]);
  input_ = in[1];
  errors_ = err[0];
  signal(SIGPIPE, SIG_IGN);
}

ProgramSession::~ProgramSession() {
  if (child_ > 0) {
    kill(child_, SIGKILL);
    waitpid(child_, nullptr, 0);
  }
  if (input_ >= 0) close(input_);
  if (errors_ >= 0) close(errors_);
}

bool ProgramSession::ReadSome() {
  pollfd ready{errors_, POLLIN, 0};
  if (poll(&ready, 1, kSilenceLimitMs) <= 0) return false;
  char buffer[4096];
  const ssize_t got = read(errors_, buffer, sizeof buffer);
  if (got <= 0) return false;
  standardError_.append(buffer, static_cast<std::size_t>(got));
  return true;
}

bool ProgramSession::WaitFor(const std::string& text, std::size_t count) {
  while (Occurrences(standardError_, text) < count) {
    if (!ReadSome()) return false;
  }
  return true;
}

void ProgramSession::Answer(const std::string& line) {
  const std::string text = line + "\n";
  if (write(input_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    throw std::runtime_error("the program no longer reads its answers");
  }
}

RunResult ProgramSession::Finish() {
  close(input_);
  input_ = -1;
  while (ReadSome()) {
  }
  int status = 0;
  waitpid(child_, &status, 0);
  child_ = -1;
  RunResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.standardError = standardError_;
  return result;
}

}  // namespace testing
}  // namespace velders
