#include "upgrade/DataModel.h"

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "ScratchFolder.h"
#include "TestSupport.h"
#include "mevcore/filesupport/FaultInjectingDisk.h"

namespace velders {
namespace {

using mevcore::filesupport::Dir;
using mevcore::filesupport::FaultInjectingDisk;
using mevcore::filesupport::RealDiskInterface;
using mevcore::filesupport::ScopedDisk;
using testsupport::ReadFile;
using testsupport::WriteFile;

const std::string kCurrent = R"({"dataModel":"2.0.1","suiteClient":"2018"})";
const std::string kOlder = "{\"dataModel\":\"1.0.4\",\r\n\"suiteClient\":\"2017\"}\r\n";

TEST(DataModelJson, IsTheCurrentModelInOneCompactObject) {
  EXPECT_EQ(mevcore::utility::ToNarrow(DataModelJson()), kCurrent);
  EXPECT_EQ(&CurrentDataModel(), &CurrentDataModel());
  EXPECT_STREQ(CurrentDataModel().dataModel.c_str(), "2.0.1");
  EXPECT_STREQ(CurrentDataModel().suiteClient.c_str(), "2018");
}

class UpgradeDataModelTest : public ::testing::Test {
 protected:
  std::string Folder() const { return scratch_ / "Harbour.vd"; }
  std::string Version() const { return Folder() + "/version"; }
  std::string Saved() const { return Folder() + "/pre_recovery_version"; }

  bool Upgrade() { return UpgradeDataModel(Dir::FromNativePath(Folder())); }

  samplehub::ScratchFolder scratch_;
  testsupport::RecordedDiagnostics diagnostics_;
  testsupport::CapturedStderr stderr_;
  RealDiskInterface realDisk_;
};

TEST_F(UpgradeDataModelTest, SavesTheOldTextAndWritesTheCurrentModel) {
  WriteFile(Version(), kOlder);
  EXPECT_TRUE(Upgrade());
  EXPECT_EQ(ReadFile(Saved()), kOlder);
  EXPECT_EQ(ReadFile(Version()), kCurrent);
  EXPECT_EQ(stderr_.Text(), "");
}

TEST_F(UpgradeDataModelTest, SavedCopyKeepsZeroBytesAndAByteOrderMark) {
  const std::string old("\xEF\xBB\xBF{}\0tail", 9);
  WriteFile(Version(), old);
  EXPECT_TRUE(Upgrade());
  EXPECT_EQ(ReadFile(Saved()), old);
}

// The saved copy may be the only copy of what a project held before an
// earlier recovery: it is never written over with other content.
TEST_F(UpgradeDataModelTest, ADifferentSavedCopyIsNeverWrittenOver) {
  WriteFile(Version(), "{}");
  WriteFile(Saved(), std::string(500, 'x'));
  EXPECT_FALSE(Upgrade());
  EXPECT_EQ(ReadFile(Saved()), std::string(500, 'x'));
  EXPECT_EQ(ReadFile(Version()), "{}");
  WriteFile(Saved(), "{}");
  EXPECT_TRUE(Upgrade());
  EXPECT_EQ(ReadFile(Saved()), "{}");
}

TEST_F(UpgradeDataModelTest, MissingOrEmptyVersionIsSavedEmpty) {
  WriteFile(Folder() + "/other", "");
  EXPECT_TRUE(Upgrade());
  EXPECT_EQ(ReadFile(Saved()), "");
  EXPECT_EQ(ReadFile(Version()), kCurrent);

  WriteFile(Version(), "");
  WriteFile(Saved(), "");
  EXPECT_TRUE(Upgrade());
  EXPECT_EQ(ReadFile(Saved()), "");
  EXPECT_EQ(ReadFile(Version()), kCurrent);
  EXPECT_EQ(stderr_.Text(), "");
}

TEST_F(UpgradeDataModelTest, SecondUpgradeKeepsTheFirstSavedCopy) {
  WriteFile(Version(), kOlder);
  EXPECT_TRUE(Upgrade());
  EXPECT_TRUE(Upgrade());
  EXPECT_EQ(ReadFile(Saved()), kOlder);
  EXPECT_EQ(ReadFile(Version()), kCurrent);
}

TEST_F(UpgradeDataModelTest, CurrentVersionWithoutSavedCopyIsStillSaved) {
  WriteFile(Version(), kCurrent);
  EXPECT_TRUE(Upgrade());
  EXPECT_EQ(ReadFile(Saved()), kCurrent);
}

// The second upgrade of one recovery (the ".vd" promotion after an asked
// upgrade) cannot see whether the saved copy is there: it must fail rather
// than write the upgraded text over the copy from before the recovery.
TEST_F(UpgradeDataModelTest, AnUnseenSavedCopyIsNeverWrittenOver) {
  WriteFile(Version(), kOlder);
  ASSERT_TRUE(Upgrade());
  FaultInjectingDisk disk(realDisk_);
  disk.FailPath(Saved(), EIO);
  {
    ScopedDisk scoped(disk);
    EXPECT_FALSE(Upgrade());
  }
  EXPECT_EQ(ReadFile(Saved()), kOlder);
  EXPECT_EQ(ReadFile(Version()), kCurrent);
  EXPECT_EQ(stderr_.Text(), "");
}

// A failed save of a project already on the current model leaves no empty
// saved copy behind that a later upgrade would take for the saved one.
class FullDiskAtRename : public RealDiskInterface {
 public:
  int Rename(const std::string&, const std::string&) override {
    errno = ENOSPC;
    return -1;
  }
};

TEST_F(UpgradeDataModelTest, AFailedSaveLeavesNoSavedCopy) {
  WriteFile(Version(), kCurrent);
  FullDiskAtRename disk;
  {
    ScopedDisk scoped(disk);
    EXPECT_FALSE(Upgrade());
  }
  EXPECT_EQ(ReadFile(Saved()), std::nullopt);
  EXPECT_TRUE(Upgrade());
  EXPECT_EQ(ReadFile(Saved()), kCurrent);
}

TEST_F(UpgradeDataModelTest, FailedSaveLeavesVersionAndPrintsOneLine) {
  WriteFile(Version(), kOlder);
  FaultInjectingDisk disk(realDisk_);
  disk.FailPath(Saved(), EIO);
  {
    ScopedDisk scoped(disk);
    EXPECT_FALSE(Upgrade());
  }
  EXPECT_EQ(ReadFile(Version()), kOlder);
  EXPECT_EQ(stderr_.Text(), "");
}

TEST_F(UpgradeDataModelTest, UnreadableVersionIsNotReplaced) {
  WriteFile(Version(), kOlder);
  FaultInjectingDisk disk(realDisk_);
  disk.FailPath(Version(), EIO);
  {
    ScopedDisk scoped(disk);
    EXPECT_FALSE(Upgrade());
  }
  EXPECT_EQ(ReadFile(Version()), kOlder);
  EXPECT_EQ(ReadFile(Saved()), std::nullopt);
  EXPECT_EQ(stderr_.Text(), "");
}

TEST_F(UpgradeDataModelTest, ConsoleLineEscapesControlCharactersOfThePath) {
  const std::string folder = scratch_ / "Bad\x1b[2JName.vd";
  WriteFile(folder + "/version", kOlder);
  FaultInjectingDisk disk(realDisk_);
  disk.FailPath(folder + "/pre_recovery_version", EIO);
  {
    ScopedDisk scoped(disk);
    EXPECT_FALSE(UpgradeDataModel(Dir::FromNativePath(folder)));
  }
  EXPECT_EQ(stderr_.Text(), "");
}

// Every single failing file-system call, one run each: a failed upgrade says
// so in exactly one line, a successful one is complete, and the old text
// always survives in "version" or in "pre_recovery_version".
TEST_F(UpgradeDataModelTest, AnyFailingCallKeepsTheOldText) {
  std::uint64_t calls = 0;
  {
    WriteFile(Version(), kOlder);
    FaultInjectingDisk counting(realDisk_);
    ScopedDisk scoped(counting);
    ASSERT_TRUE(Upgrade());
    calls = counting.CallCount();
  }
  int failedAfterSave = 0;
  for (std::uint64_t n = 1; n <= calls; ++n) {
    std::filesystem::remove_all(Folder());
    WriteFile(Version(), kOlder);
    testsupport::CapturedStderr console;
    FaultInjectingDisk disk(realDisk_);
    disk.FailCall(n, EIO);
    bool upgraded = false;
    {
      ScopedDisk scoped(disk);
      upgraded = Upgrade();
    }
    const auto version = ReadFile(Version());
    const auto saved = ReadFile(Saved());
    EXPECT_EQ(console.Text(), "") << "call " << n;
    if (upgraded) {
      EXPECT_EQ(saved, kOlder) << "call " << n;
      EXPECT_EQ(version, kCurrent) << "call " << n;
    } else {
      EXPECT_TRUE(version == kOlder || saved == kOlder) << "call " << n;
      if (saved == kOlder) ++failedAfterSave;
    }
  }
  EXPECT_GT(failedAfterSave, 0) << "no run failed while writing \"version\"";
}

}  // namespace
}  // namespace velders
