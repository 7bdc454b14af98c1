#include "mevcore/filesupport/FaultInjectingDisk.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "FileTesting.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/File.h"

namespace mevcore {
namespace filesupport {
namespace {

using testing::IsThere;
using testing::TempFolder;
using testing::U;
using testing::WriteBytes;

// Counts the calls that reach the real disk.
class CountingDisk : public RealDiskInterface {
 public:
  int Lstat(const std::string& path, struct stat* info) override {
    ++reached;
    return RealDiskInterface::Lstat(path, info);
  }
  int RenameNoReplace(const std::string& from, const std::string& to) override {
    ++reached;
    return RealDiskInterface::RenameNoReplace(from, to);
  }
  int reached = 0;
};

TEST(FaultInjectingDisk, FailsTheNthCallWithoutReachingTheInnerDisk) {
  TempFolder temp;
  WriteBytes(temp / "f", "x");
  CountingDisk inner;
  FaultInjectingDisk faulty(inner);
  faulty.FailCall(2, EACCES);
  ScopedDisk scoped(faulty);
  const File file = File::FromNativePath(temp / "f");

  EXPECT_TRUE(file.Exists());
  try {
    file.Exists();
    FAIL() << "the second call went through";
  } catch (const config::mev_exception& error) {
    EXPECT_EQ(error.error(), EACCES);
    EXPECT_EQ(std::string(error.what()), "Unable to examine " + (temp / "f") + ": Permission denied");
  }
  EXPECT_TRUE(file.Exists());
  EXPECT_EQ(faulty.CallCount(), 3u);
  EXPECT_EQ(faulty.Failures(), 1u);
  EXPECT_EQ(inner.reached, 2);
}

TEST(FaultInjectingDisk, PathFaultHitsEitherSideOfARename) {
  TempFolder temp;
  WriteBytes(temp / "a", "x");
  RealDiskInterface real;
  FaultInjectingDisk faulty(real);
  ScopedDisk scoped(faulty);
  File file = File::FromNativePath(temp / "a");

  faulty.FailPath(temp / "b", EROFS);
  EXPECT_THROW(file.Rename(U("b")), config::mev_exception);
  faulty.FailPath(temp / "a", EROFS);
  EXPECT_THROW(file.Rename(U("b")), config::mev_exception);
  EXPECT_THROW(file.Exists(), config::mev_exception);
  EXPECT_EQ(faulty.Failures(), 3u);
  EXPECT_TRUE(IsThere(temp / "a"));

  faulty.Clear();
  file.Rename(U("b"));
  EXPECT_TRUE(IsThere(temp / "b"));
}

TEST(FaultInjectingDisk, RenameThatSucceedsButCannotSyncStillFollowsTheNewName) {
  TempFolder temp;
  WriteBytes(temp / "a", "x");
  RealDiskInterface real;
  FaultInjectingDisk faulty(real);
  faulty.FailCall(2, EIO);
  ScopedDisk scoped(faulty);
  File file = File::FromNativePath(temp / "a");
  try {
    file.Rename(U("b"));
    FAIL() << "a failed sync was ignored";
  } catch (const config::mev_exception& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to sync " + temp.Path() + ": Input/output error");
  }
  EXPECT_EQ(file.NativePath(), temp / "b");
}

TEST(ScopedDisk, RestoresThePreviousDisk) {
  DiskInterface& before = Disk();
  RealDiskInterface real;
  FaultInjectingDisk outer(real);
  {
    ScopedDisk first(outer);
    FaultInjectingDisk inner(real);
    {
      ScopedDisk second(inner);
      EXPECT_EQ(&Disk(), &inner);
    }
    EXPECT_EQ(&Disk(), &outer);
  }
  EXPECT_EQ(&Disk(), &before);
  SetDisk(&outer);
  SetDisk(nullptr);
  EXPECT_EQ(&Disk(), &before);
}

}  // namespace
}  // namespace filesupport
}  // namespace mevcore
