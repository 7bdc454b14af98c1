#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "mevstorage/git/Export.h"

namespace velders {
namespace hub {

// A size as people read it: "<n> bytes" below 1 KiB ("1 byte" for one),
// else with one decimal in the largest binary unit that keeps it below 1024
// after rounding: "2.1 MiB", "1023.9 KiB", "1.0 GiB"; units KiB, MiB, GiB,
// TiB.
std::string HumanSize(std::uint64_t bytes);

// "<shown>: exported to <path> (<n> objects, <HumanSize>)" ("1 object" for
// one), console-safe.
std::string ExportedLine(const std::string& shown, const mevstorage::git::ExportSummary& summary);

// "<shown>: <done>/<total> objects, <HumanSize done>/<HumanSize total>,
// <HumanSize rate>/s", console-safe: the progress of an export that has run
// `seconds`.
std::string ProgressLine(const std::string& shown, const mevstorage::git::ExportProgress& progress,
                         double seconds);

// The progress line of one project's export on standard error: shown only
// when `wanted` and standard error is a terminal, from one second after the
// export began, at most five times a second, each time over the one before.
class ProgressLineWriter {
 public:
  ProgressLineWriter(std::string shown, bool wanted);
  void Show(const mevstorage::git::ExportProgress& progress);
  // Wipes the line, when one was shown.
  void Clear();

 private:
  using Clock = std::chrono::steady_clock;

  std::string shown_;
  bool enabled_;
  bool showing_ = false;
  Clock::time_point start_;
  Clock::time_point last_;
};

}  // namespace hub
}  // namespace velders
