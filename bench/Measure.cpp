#include "Measure.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace bench {

namespace {

[[noreturn]] void ExecChild(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  ::execvp(argv[0], argv.data());
  const std::string message = "Unable to run " + command[0] + ": " + std::strerror(errno) + "\n";
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, message.data(), message.size());
  ::_exit(127);
}

double Seconds(const struct timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

int ExitCodeOf(int status) {
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

}  // namespace

Measurement RunMeasured(const std::vector<std::string>& command) {
  if (command.empty()) throw std::runtime_error("No program to run");
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error(std::string("Unable to start a process: ") + std::strerror(errno));
  if (child == 0) ExecChild(command);
  int status = 0;
  struct rusage usage;
  while (::wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) throw std::runtime_error(std::string("Unable to wait for ") + command[0] + ": " + std::strerror(errno));
  }
  Measurement measurement;
  measurement.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  measurement.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  measurement.peakRssKiB = usage.ru_maxrss;
  measurement.exitCode = ExitCodeOf(status);
  return measurement;
}

std::string FormatMeasurement(const Measurement& measurement) {
  char line[128];
  std::snprintf(line, sizeof line, "wall_s=%.3f cpu_s=%.3f peak_rss_kib=%ld exit=%d",
                measurement.wallSeconds, measurement.cpuSeconds, measurement.peakRssKiB,
                measurement.exitCode);
  return line;
}

}  // namespace bench
