#pragma once

#include <set>
#include <string>

namespace mevcore {
namespace debug {

// The trace categories that are switched on, as MEVCORE_TRACE lists them:
// comma-separated names (blanks around a name ignored), or "*" for all.
class TraceCategories {
 public:
  TraceCategories() = default;
  explicit TraceCategories(const std::string& list);

  // Whether `category` is on; with `inherit`, also when one of its dotted
  // parents ("a" and "a.b" for "a.b.c") is on.
  bool Enabled(const std::string& category, bool inherit) const;

 private:
  bool all_ = false;
  std::set<std::string> names_;
};

}  // namespace debug
}  // namespace mevcore
