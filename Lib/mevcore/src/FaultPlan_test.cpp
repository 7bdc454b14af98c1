#include "mevcore/filesupport/FaultPlan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "FileTesting.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/FaultInjectingDisk.h"
#include "mevcore/filesupport/File.h"

namespace mevcore {
namespace filesupport {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// Installs a plan for one test.
class InstalledPlan {
 public:
  explicit InstalledPlan(FaultPlan* plan) { SetFaultPlan(plan); }
  ~InstalledPlan() { SetFaultPlan(nullptr); }
};

TEST(FaultPlan, CountsEveryCallAndFailsOnlyTheChosenOne) {
  FaultPlan counting = FaultPlan::Counting();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(counting.Ask(FaultKind::kWrite, "f"), 0);
  EXPECT_EQ(counting.Calls(), 5u);
  EXPECT_FALSE(counting.Fired());

  FaultPlan failing = FaultPlan::FailingAt(3);
  EXPECT_EQ(failing.Ask(FaultKind::kOpen, "/a"), 0);
  EXPECT_EQ(failing.Ask(FaultKind::kOpen, "/b"), 0);
  EXPECT_FALSE(failing.Fired());
  const int error = failing.Ask(FaultKind::kRead, "/c");
  EXPECT_EQ(error, EIO);
  EXPECT_TRUE(failing.Fired());
  EXPECT_EQ(failing.FiredCall(), "read /c: Input/output error");
  EXPECT_EQ(failing.Ask(FaultKind::kRead, "/c"), 0);
  EXPECT_EQ(failing.Calls(), 4u);
}

TEST(FaultPlan, AFullDiskFailsEveryWriteFromItsCallOnAndNothingElse) {
  FaultPlan full = FaultPlan::FullFrom(2);
  EXPECT_EQ(full.Ask(FaultKind::kWrite, "/a"), 0);
  EXPECT_EQ(full.Ask(FaultKind::kWrite, "/b"), ENOSPC);
  EXPECT_EQ(full.Ask(FaultKind::kRename, "/b"), 0);
  EXPECT_EQ(full.Ask(FaultKind::kMakeFolder, "/c"), ENOSPC);
  EXPECT_EQ(full.Ask(FaultKind::kWrite, "/d"), ENOSPC);
  EXPECT_EQ(full.FiredCall(), "write /b: No space left on device");
}

TEST(FaultPlan, ErrorsFitTheCallAndTakeTurns) {
  EXPECT_EQ(FittingError(FaultKind::kWrite, 0), ENOSPC);
  EXPECT_EQ(FittingError(FaultKind::kWrite, 1), EIO);
  EXPECT_EQ(FittingError(FaultKind::kLock, 0), EBUSY);
  for (std::uint64_t n = 0; n < 6; ++n) {
    EXPECT_EQ(FittingError(FaultKind::kRead, n), EIO);
    EXPECT_NE(FittingError(FaultKind::kOpen, n), EBUSY);
  }
}

TEST(FaultPlanDeathTest, CrashEndsTheProcessBeforeTheCall) {
  TempFolder temp;
  const std::string path = temp / "f";
  EXPECT_EXIT(
      {
        FaultPlan plan = FaultPlan::CrashingAt(2, 71);
        InstalledPlan installed(&plan);
        RealDiskInterface real;
        FaultInjectingDisk disk(real);
        ScopedDisk scoped(disk);
        File(File::FromNativePath(path)).Create(false);  // open: call 1, close: call 2
        WriteBytes(path + ".after", "reached");
      },
      ::testing::ExitedWithCode(71), "");
  EXPECT_EQ(ReadBytes(path), "");
  EXPECT_EQ(ReadBytes(path + ".after"), "");
}

TEST(FaultPlan, TheDiskAsksTheInstalledPlanAndFailsWithItsError) {
  TempFolder temp;
  WriteBytes(temp / "f", "x");
  FaultPlan plan = FaultPlan::FailingAt(2);
  InstalledPlan installed(&plan);
  RealDiskInterface real;
  FaultInjectingDisk disk(real);
  ScopedDisk scoped(disk);
  const File file = File::FromNativePath(temp / "f");
  EXPECT_TRUE(file.Exists());
  try {
    file.Exists();
    FAIL() << "the planned failure was not injected";
  } catch (const config::mev_exception& error) {
    EXPECT_EQ(error.error(), FittingError(FaultKind::kStat, 2));
  }
  EXPECT_EQ(plan.FiredCall().rfind("stat " + (temp / "f") + ": ", 0), 0u) << plan.FiredCall();
  EXPECT_EQ(disk.CallCount(), 2u);
  EXPECT_EQ(disk.Failures(), 1u);
}

TEST(FaultInjectingDisk, AFailedCloseStillReleasesTheDescriptor) {
  TempFolder temp;
  RealDiskInterface real;
  FaultInjectingDisk disk(real);
  const int fd = disk.Open(temp / "f", O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  disk.FailCall(2, EIO);
  EXPECT_EQ(disk.Close(fd), -1);
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(::fcntl(fd, F_GETFD), -1);
  EXPECT_EQ(errno, EBADF);
}

TEST(FaultInjectingDisk, ReplacingRenameAndRemoveAreCountedAndFailable) {
  TempFolder temp;
  WriteBytes(temp / "a", "a");
  WriteBytes(temp / "b", "b");
  RealDiskInterface real;
  FaultInjectingDisk disk(real);
  disk.FailPath(temp / "b", EACCES);
  EXPECT_EQ(disk.Rename(temp / "a", temp / "b"), -1);
  EXPECT_EQ(disk.Remove(temp / "b"), -1);
  EXPECT_EQ(ReadBytes(temp / "b"), "b");
  disk.Clear();
  EXPECT_EQ(disk.Rename(temp / "a", temp / "b"), 0);
  EXPECT_EQ(ReadBytes(temp / "b"), "a");
  EXPECT_EQ(disk.Remove(temp / "b"), 0);
  EXPECT_EQ(disk.CallCount(), 4u);
  EXPECT_EQ(disk.Failures(), 2u);
}

}  // namespace
}  // namespace filesupport
}  // namespace mevcore
