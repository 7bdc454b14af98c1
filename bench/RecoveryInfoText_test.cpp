#include "RecoveryInfoText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include <boost/date_time/posix_time/posix_time.hpp>

namespace bench {
namespace {

using boost::posix_time::time_from_string;

// The file the recovery writes for Alpha on a machine on UTC: the floor
// writes files of exactly this form, so of the same size.
TEST(RecoveryInfoText, HasTheLinesAndSizeTheRecoveryWrites) {
  ::setenv("TZ", "UTC0", 1);
  ::tzset();
  const std::string text = RecoveryInfoText("Alpha", time_from_string("2017-11-20 15:44:32"),
                                            time_from_string("2017-11-19 13:00:00"));
  EXPECT_EQ(text,
            "Project: Alpha\r\n"
            "New project name: Alpha (Recovered 2017-11-20T15:44:32)\r\n"
            "(Recovered: 2017-11-20T15:44:32 (2017-11-20T15:44:32 UTC); Last modified time at "
            "recovery: 2017-11-19T13:00:00 (2017-11-19T13:00:00 UTC))\r\n"
            "Velders Recovery: 1.0.1");
}

}  // namespace
}  // namespace bench
