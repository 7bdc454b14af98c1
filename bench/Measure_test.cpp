#include "Measure.h"

#include <gtest/gtest.h>

namespace bench {
namespace {

TEST(RunMeasured, GivesTheChildsExitCodeOrSignal) {
  EXPECT_EQ(RunMeasured({"sh", "-c", "exit 3"}).exitCode, 3);
  EXPECT_EQ(RunMeasured({"sh", "-c", "kill -9 $$"}).exitCode, 128 + 9);
  EXPECT_EQ(RunMeasured({"bench-no-such-program"}).exitCode, 127);
  EXPECT_THROW(RunMeasured({}), std::runtime_error);
}

TEST(RunMeasured, CountsTheChildsTimeAndMemory) {
  const Measurement sleeper = RunMeasured({"sleep", "0.2"});
  EXPECT_GE(sleeper.wallSeconds, 0.2);
  EXPECT_GT(sleeper.peakRssKiB, 0);
  EXPECT_LT(sleeper.cpuSeconds, sleeper.wallSeconds) << "a sleeping child used the CPU all along";
}

TEST(FormatMeasurement, IsOneLineOfNamedFigures) {
  Measurement measurement;
  measurement.wallSeconds = 1.23456;
  measurement.cpuSeconds = 0.5;
  measurement.peakRssKiB = 4096;
  measurement.exitCode = 0;
  EXPECT_EQ(FormatMeasurement(measurement), "wall_s=1.235 cpu_s=0.500 peak_rss_kib=4096 exit=0");
}

}  // namespace
}  // namespace bench
