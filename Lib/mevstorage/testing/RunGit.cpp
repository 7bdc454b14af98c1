#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "GitExport.h"

extern char** environ;

namespace mevstorage {
namespace testing {

namespace {

// A pipe whose ends are closed when the value goes.
struct Pipe {
  int ends[2] = {-1, -1};
  Pipe() {
    if (pipe(ends) != 0) ends[0] = ends[1] = -1;
  }
  ~Pipe() {
    CloseEnd(0);
    CloseEnd(1);
  }
  void CloseEnd(int i) {
    if (ends[i] >= 0) close(ends[i]);
    ends[i] = -1;
  }
  bool Valid() const { return ends[0] >= 0; }
};

pid_t SpawnGit(const std::vector<std::string>& arguments, Pipe& input, Pipe& output) {
  std::vector<std::string> words{"git"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(&word[0]);
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input.ends[0], 0);
  posix_spawn_file_actions_adddup2(&actions, output.ends[1], 1);
  posix_spawn_file_actions_adddup2(&actions, output.ends[1], 2);
  posix_spawn_file_actions_addclose(&actions, input.ends[1]);
  posix_spawn_file_actions_addclose(&actions, output.ends[0]);
  pid_t child = -1;
  if (posix_spawnp(&child, "git", &actions, nullptr, argv.data(), environ) != 0) child = -1;
  posix_spawn_file_actions_destroy(&actions);
  return child;
}

void WriteInput(int fd, const std::string& input) {
  std::size_t written = 0;
  while (written < input.size()) {
    const ssize_t n = write(fd, input.data() + written, input.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    written += static_cast<std::size_t>(n);
  }
}

std::string ReadOutput(int fd) {
  std::string output;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return output;
    output.append(buffer, static_cast<std::size_t>(n));
  }
}

int WaitFor(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

GitResult RunGit(const std::vector<std::string>& arguments, const std::string& input) {
  Pipe in;
  Pipe out;
  if (!in.Valid() || !out.Valid()) return {-1, "Unable to make a pipe for git"};
  const pid_t child = SpawnGit(arguments, in, out);
  if (child < 0) return {-1, "Unable to run git"};
  in.CloseEnd(0);
  out.CloseEnd(1);
  // A git that stops reading early must not end the test run.
  std::signal(SIGPIPE, SIG_IGN);
  // The inputs of tests are small, so writing all of it first cannot block
  // on a full output pipe.
  WriteInput(in.ends[1], input);
  in.CloseEnd(1);
  std::string output = ReadOutput(out.ends[0]);
  return {WaitFor(child), std::move(output)};
}

GitResult RunGitFsck(const mevcore::filesupport::Dir& folder) {
  return RunGit({"--git-dir=" + folder.NativePath(), "fsck", "--strict"});
}

}  // namespace testing
}  // namespace mevstorage
