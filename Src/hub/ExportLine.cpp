#include "hub/ExportLine.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <utility>

#include "records/ConsoleText.h"

namespace velders {
namespace hub {

namespace {

constexpr std::chrono::seconds kQuietStart{1};
constexpr std::chrono::milliseconds kBetweenLines{200};
// Back to the line's start, and after the text the rest of the line wiped.
constexpr const char* kLineStart = "\r";
constexpr const char* kWipeRest = "\033[K";

constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB"};

std::string Count(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string HumanSize(std::uint64_t bytes) {
  if (bytes < 1024) return Count(bytes, "byte", "bytes");
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  // 1023.95 and above would show as 1024.0.
  while (value >= 1023.95 && unit + 1 < sizeof kUnits / sizeof kUnits[0]) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string ExportedLine(const std::string& shown, const mevstorage::git::ExportSummary& summary) {
  return ConsoleSafe(shown + ": exported to " + summary.path + " (" +
                     Count(summary.objects, "object", "objects") + ", " +
                     HumanSize(summary.packBytes) + ")");
}

std::string ProgressLine(const std::string& shown, const mevstorage::git::ExportProgress& progress,
                         double seconds) {
  const double rate = seconds > 0 ? static_cast<double>(progress.bytesDone) / seconds : 0;
  return ConsoleSafe(shown + ": " + std::to_string(progress.objectsDone) + "/" +
                     std::to_string(progress.objectsTotal) + " objects, " +
                     HumanSize(progress.bytesDone) + "/" + HumanSize(progress.bytesTotal) + ", " +
                     HumanSize(static_cast<std::uint64_t>(rate)) + "/s");
}

ProgressLineWriter::ProgressLineWriter(std::string shown, bool wanted)
    : shown_(std::move(shown)),
      enabled_(wanted && ::isatty(STDERR_FILENO)),
      start_(Clock::now()),
      last_(start_) {}

void ProgressLineWriter::Show(const mevstorage::git::ExportProgress& progress) {
  if (!enabled_) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < kQuietStart || (showing_ && now - last_ < kBetweenLines)) return;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  std::cerr << kLineStart << ProgressLine(shown_, progress, seconds) << kWipeRest << std::flush;
  showing_ = true;
  last_ = now;
}

void ProgressLineWriter::Clear() {
  if (showing_) std::cerr << kLineStart << kWipeRest << std::flush;
  showing_ = false;
}

}  // namespace hub
}  // namespace velders
