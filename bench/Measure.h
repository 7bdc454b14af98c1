#pragma once

#include <string>
#include <vector>

namespace bench {

// What one run of a program cost.
struct Measurement {
  double wallSeconds = 0;
  double cpuSeconds = 0;  // the child's user and system time
  long peakRssKiB = 0;    // the child's largest resident set
  int exitCode = 0;     // 128 + the signal's number when a signal ended it
};

// Runs `command` (program and arguments, the program looked up on PATH)
// with this process's standard streams and waits for it. Throws
// std::runtime_error when it cannot be started; a program that cannot be
// executed ends with exit code 127.
Measurement RunMeasured(const std::vector<std::string>& command);

// "wall_s=<seconds> cpu_s=<seconds> peak_rss_kib=<KiB> exit=<code>".
std::string FormatMeasurement(const Measurement& measurement);

}  // namespace bench
