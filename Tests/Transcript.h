#pragma once

#include <string>

namespace velders {
namespace testing {

// The exact console texts of a run, to compare standard error with.
std::string Banner();
std::string AppsQuestion();
std::string RecoverAllQuestion();
std::string UpgradeQuestion();
// The empty line that starts the walk.
std::string WalkStart();
std::string Summary(unsigned long long recovered);
// The three questions answered no / yes / no.
std::string Dialogue();

}  // namespace testing
}  // namespace velders
