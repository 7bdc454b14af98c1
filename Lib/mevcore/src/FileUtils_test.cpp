#include "mevcore/utility/FileUtils.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "FileTesting.h"
#include "mevcore/filesupport/FaultInjectingDisk.h"

namespace mevcore {
namespace utility {
namespace {

using filesupport::testing::TempFolder;
using filesupport::testing::U;
using filesupport::testing::WriteBytes;

bool IsFolder(const std::string& path) { return std::filesystem::is_directory(path); }

TEST(EnsureDirectoryExists, MakesMissingParentsThenTheFolder) {
  TempFolder temp;
  EXPECT_TRUE(FileUtils::EnsureDirectoryExists(U(temp / "a/b/c/")));
  EXPECT_TRUE(IsFolder(temp / "a/b/c"));
  EXPECT_TRUE(FileUtils::EnsureDirectoryExists(U(temp / "a/b/c")));
  EXPECT_TRUE(FileUtils::EnsureDirectoryExists(U(temp.Path())));
}

TEST(EnsureDirectoryExists, AFileInTheWayIsNoFolder) {
  TempFolder temp;
  WriteBytes(temp / "file", "x");
  EXPECT_FALSE(FileUtils::EnsureDirectoryExists(U(temp / "file")));
  EXPECT_FALSE(FileUtils::EnsureDirectoryExists(U(temp / "file/below")));
  EXPECT_FALSE(FileUtils::EnsureDirectoryExists(U("")));
}

TEST(EnsureDirectoryExists, FailuresGiveFalseWithoutThrowing) {
  TempFolder temp;
  filesupport::RealDiskInterface real;
  filesupport::FaultInjectingDisk faulty(real);
  filesupport::ScopedDisk scoped(faulty);
  faulty.FailPath(temp / "a/b", EROFS);
  EXPECT_FALSE(FileUtils::EnsureDirectoryExists(U(temp / "a/b/c")));
  faulty.FailPath(temp / "x", EACCES);
  EXPECT_FALSE(FileUtils::EnsureDirectoryExists(U(temp / "x/y")));
  EXPECT_FALSE(IsFolder(temp / "x/y"));
}

}  // namespace
}  // namespace utility
}  // namespace mevcore
