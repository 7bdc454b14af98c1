// bench_recovery_floor HUB_FOLDER: does, for every project of the hub, only
// the disk writes a recovery cannot avoid, and prints what that cost.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>

#include "FloorRecovery.h"

namespace {

const char* const kUsage =
    "Usage: bench_recovery_floor HUB_FOLDER\n"
    "Does in HUB_FOLDER only the disk writes of recovering every project, with the\n"
    "recovery's durability, and prints the projects, the time and the peak memory.\n";

long PeakRssKiB() {
  struct rusage usage;
  return ::getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : 0;
}

void PrintFigures(std::size_t projects, double seconds) {
  const double perProjectMs = projects ? 1000.0 * seconds / static_cast<double>(projects) : 0.0;
  std::printf("projects=%zu total_s=%.3f per_project_ms=%.3f peak_rss_mib=%.1f\n", projects, seconds,
              perProjectMs, static_cast<double>(PeakRssKiB()) / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    const auto start = std::chrono::steady_clock::now();
    const std::size_t projects = bench::FloorRecoverHub(argv[1]);
    PrintFigures(projects, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "bench_recovery_floor: " << error.what() << std::endl;
    return 1;
  }
}
