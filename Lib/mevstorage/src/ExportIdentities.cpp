#include "ExportIdentities.h"

#include <cctype>
#include <cstdint>

namespace mevstorage {
namespace git {

namespace {

// The most digits a date below 2^63 has.
constexpr std::size_t kDateDigits = 19;
constexpr const char* kLargestDate = "9223372036854775807";

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool GitDate(const std::string& date) {
  if (!AllDigits(date) || (date.size() > 1 && date[0] == '0')) return false;
  return date.size() < kDateDigits || (date.size() == kDateDigits && date <= kLargestDate);
}

bool GitTimeZone(const std::string& zone) {
  return zone.size() == 5 && (zone[0] == '+' || zone[0] == '-') && AllDigits(zone.substr(1));
}

// Empty when the line, "<keyword> <name> <<email>> <date> <zone>", ends well.
std::string LineProblem(const std::string& keyword, const std::string& line) {
  const std::size_t end = line.rfind("> ");
  const std::string tail = end == std::string::npos ? "" : line.substr(end + 2);
  const std::size_t space = tail.find(' ');
  const std::string date = tail.substr(0, space);
  const std::string zone = space == std::string::npos ? "" : tail.substr(space + 1);
  if (GitDate(date) && GitTimeZone(zone)) return std::string();
  return "its " + keyword + " line ends in \"" + tail + "\", not in a date and time zone Git accepts";
}

}  // namespace

std::string IdentityProblem(git_object_t type, const std::string& data) {
  if (type != GIT_OBJECT_COMMIT && type != GIT_OBJECT_TAG) return std::string();
  std::size_t start = 0;
  while (start < data.size() && data[start] != '\n') {
    const std::size_t stop = data.find('\n', start);
    const std::string line = data.substr(start, stop == std::string::npos ? std::string::npos
                                                                          : stop - start);
    const std::string keyword = line.substr(0, line.find(' '));
    if (keyword == "author" || keyword == "committer" || keyword == "tagger") {
      const std::string problem = LineProblem(keyword, line);
      if (!problem.empty()) return problem;
    }
    if (stop == std::string::npos) break;
    start = stop + 1;
  }
  return std::string();
}

}  // namespace git
}  // namespace mevstorage
