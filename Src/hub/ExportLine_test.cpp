#include "hub/ExportLine.h"

#include <gtest/gtest.h>

namespace velders {
namespace hub {
namespace {

// Each unit ends where its rounded figure would reach 1024.0.
TEST(ExportLine, SizesAreShownInTheLargestUnitBelow1024AfterRounding) {
  EXPECT_EQ("0 bytes", HumanSize(0));
  EXPECT_EQ("1 byte", HumanSize(1));
  EXPECT_EQ("1023 bytes", HumanSize(1023));
  EXPECT_EQ("1.0 KiB", HumanSize(1024));
  EXPECT_EQ("1023.9 KiB", HumanSize(1024 * 1024 - 103));
  EXPECT_EQ("1.0 MiB", HumanSize(1024 * 1024 - 51));
  EXPECT_EQ("2.1 MiB", HumanSize(2202010));
  EXPECT_EQ("5.0 TiB", HumanSize(5ull << 40));
  EXPECT_EQ("2048.0 TiB", HumanSize(2ull << 50));
}

TEST(ExportLine, LinesNameTheFolderConsoleSafely) {
  mevstorage::git::ExportSummary summary;
  summary.path = "out/A\x07.vd2.git";
  summary.objects = 1;
  summary.packBytes = 3000;
  EXPECT_EQ("A\\x07.vd2: exported to out/A\\x07.vd2.git (1 object, 2.9 KiB)",
            ExportedLine("A\x07.vd2", summary));
  mevstorage::git::ExportProgress progress{12, 40, 3 << 20, 8 << 20};
  EXPECT_EQ("A.vd2: 12/40 objects, 3.0 MiB/8.0 MiB, 1.5 MiB/s", ProgressLine("A.vd2", progress, 2));
}

}  // namespace
}  // namespace hub
}  // namespace velders
