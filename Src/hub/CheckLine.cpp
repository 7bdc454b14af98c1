#include "hub/CheckLine.h"

#include <algorithm>

#include "records/ConsoleText.h"

namespace velders {
namespace hub {

namespace {

std::string CountOf(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " problem" : " problems");
}

}  // namespace

std::string CheckLine(const std::string& shown, const mevstorage::git::VerifyResult& result) {
  if (result.Ok()) return ConsoleSafe(shown) + ": ok";
  std::string line = ConsoleSafe(shown) + ": " + CountOf(result.problemCount) + ": ";
  const std::size_t named = std::min(kProblemsShown, result.problems.size());
  for (std::size_t i = 0; i < named; ++i) {
    line += (i ? "; " : "") + ConsoleSafe(result.problems[i]);
  }
  if (result.problemCount > named) {
    line += "; " + std::to_string(result.problemCount - named) + " more";
  }
  return line;
}

std::string FailedLine(const std::string& shown, const std::string& reason) {
  return ConsoleSafe(shown) + ": " + ConsoleSafe(reason);
}

}  // namespace hub
}  // namespace velders
