#include "upgrade/PromoteProjectFolder.h"

#include <cerrno>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "HashTree.h"
#include "ScratchFolder.h"
#include "TestSupport.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/FaultInjectingDisk.h"
#include "upgrade/DataModel.h"

namespace velders {
namespace {

using mevcore::filesupport::Dir;
using testsupport::ReadFile;
using testsupport::WriteFile;

const std::string kCurrentModel = R"({"dataModel":"2.0.1","suiteClient":"2018"})";
const std::string kOlderModel = R"({"dataModel":"1.0.4","suiteClient":"2017"})";

class PromoteProjectFolderTest : public ::testing::Test {
 protected:
  // A project folder of that name holding an older "version" and a file.
  std::string MakeFolder(const std::string& name) {
    const std::string folder = scratch_ / name;
    WriteFile(folder + "/version", kOlderModel);
    WriteFile(folder + "/git/HEAD", "ref: refs/heads/production\n");
    return folder;
  }

  void Promote(const std::string& folder) { PromoteProjectFolder(Dir::FromNativePath(folder)); }

  samplehub::ScratchFolder scratch_;
  testsupport::RecordedDiagnostics diagnostics_;
  testsupport::CapturedStderr stderr_;
};

TEST_F(PromoteProjectFolderTest, OlderFolderIsUpgradedAndRenamed) {
  const std::string folder = MakeFolder("Harbour Lights.vd");
  Promote(folder);
  EXPECT_FALSE(std::filesystem::exists(folder));
  const std::string promoted = scratch_ / "Harbour Lights.vd2";
  EXPECT_EQ(ReadFile(promoted + "/version"), kCurrentModel);
  EXPECT_EQ(ReadFile(promoted + "/pre_recovery_version"), kOlderModel);
  EXPECT_EQ(ReadFile(promoted + "/git/HEAD"), "ref: refs/heads/production\n");
  EXPECT_EQ(stderr_.Text(), "");
}

TEST_F(PromoteProjectFolderTest, OtherFoldersAreLeftAlone) {
  for (const char* name : {"A.vd2", "B.VD", "C.Vd", "D.vdx", "E", "F.vd.bak", ".vd", "G.vd "}) {
    MakeFolder(name);
  }
  const auto before = samplehub::HashTree(scratch_.Path());
  for (const char* name : {"A.vd2", "B.VD", "C.Vd", "D.vdx", "E", "F.vd.bak", ".vd", "G.vd "}) {
    Promote(scratch_ / name);
  }
  EXPECT_EQ(samplehub::HashTree(scratch_.Path()), before);
}

TEST_F(PromoteProjectFolderTest, FailedUpgradeStillRenames) {
  const std::string folder = MakeFolder("P.vd");
  mevcore::filesupport::RealDiskInterface real;
  mevcore::filesupport::FaultInjectingDisk disk(real);
  disk.FailPath(folder + "/pre_recovery_version", EIO);
  {
    mevcore::filesupport::ScopedDisk scoped(disk);
    Promote(folder);
  }
  EXPECT_EQ(stderr_.Text(), "");
  EXPECT_EQ(ReadFile(scratch_ / "P.vd2/version"), kOlderModel);
  EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST_F(PromoteProjectFolderTest, UpgradeBeforePromotionKeepsTheFirstSavedCopy) {
  const std::string folder = MakeFolder("P.vd");
  ASSERT_TRUE(UpgradeDataModel(Dir::FromNativePath(folder)));
  Promote(folder);
  EXPECT_EQ(ReadFile(scratch_ / "P.vd2/pre_recovery_version"), kOlderModel);
  EXPECT_EQ(ReadFile(scratch_ / "P.vd2/version"), kCurrentModel);
}

TEST_F(PromoteProjectFolderTest, ExistingTargetIsNeverReplaced) {
  const std::string folder = MakeFolder("P.vd");
  WriteFile(scratch_ / "P.vd2/version", "theirs");
  const auto target = samplehub::HashTree(scratch_ / "P.vd2");
  EXPECT_THROW(Promote(folder), mevcore::config::mev_exception);
  EXPECT_EQ(samplehub::HashTree(scratch_ / "P.vd2"), target);
  EXPECT_EQ(ReadFile(folder + "/pre_recovery_version"), kOlderModel);
  EXPECT_EQ(ReadFile(folder + "/git/HEAD"), "ref: refs/heads/production\n");
}

}  // namespace
}  // namespace velders
