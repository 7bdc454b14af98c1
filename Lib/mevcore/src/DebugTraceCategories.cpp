#include "DebugTraceCategories.h"

#include <sstream>

namespace mevcore {
namespace debug {
namespace {

std::string Trimmed(const std::string& text) {
  const char* blanks = " \t\r\n";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace

TraceCategories::TraceCategories(const std::string& list) {
  std::istringstream items(list);
  std::string item;
  while (std::getline(items, item, ',')) {
    std::string name = Trimmed(item);
    if (name == "*") all_ = true;
    if (!name.empty()) names_.insert(name);
  }
}

bool TraceCategories::Enabled(const std::string& category, bool inherit) const {
  if (all_ || names_.count(category) != 0) return true;
  if (!inherit) return false;
  for (std::size_t dot = category.rfind('.'); dot != std::string::npos && dot > 0;
       dot = category.rfind('.', dot - 1)) {
    if (names_.count(category.substr(0, dot)) != 0) return true;
  }
  return false;
}

}  // namespace debug
}  // namespace mevcore
