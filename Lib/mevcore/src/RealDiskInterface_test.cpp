#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "FileTesting.h"
#include "mevcore/filesupport/DiskInterface.h"

namespace mevcore {
namespace filesupport {
namespace {

using testing::IsThere;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

TEST(RealDiskInterface, PathWithAZeroByteIsRefused) {
  TempFolder temp;
  WriteBytes(temp / "a", "x");
  RealDiskInterface disk;
  const std::string cut = temp / std::string("a\0tail", 6);
  struct stat info;
  EXPECT_EQ(disk.Lstat(cut, &info), -1);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(disk.Open(cut, O_RDONLY, 0), -1);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(disk.RenameNoReplace(temp / "a", cut), -1);
  EXPECT_EQ(ReadBytes(temp / "a"), "x");
}

TEST(RealDiskInterface, ListDirLeavesOutDotEntriesAndSaysTheType) {
  TempFolder temp;
  WriteBytes(temp / "file", "x");
  RealDiskInterface disk;
  ASSERT_EQ(disk.Mkdir(temp / "sub", 0700), 0);
  std::vector<DiskInterface::Entry> entries{{"stale", DT_REG}};
  ASSERT_EQ(disk.ListDir(temp.Path(), &entries), 0);
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "file");
  EXPECT_EQ(entries[1].name, "sub");
  EXPECT_TRUE(entries[1].type == DT_DIR || entries[1].type == DT_UNKNOWN);

  EXPECT_EQ(disk.ListDir(temp / "missing", &entries), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(disk.SyncDir(temp.Path()), 0);
  EXPECT_EQ(disk.SyncDir(temp / "file"), -1);
  EXPECT_EQ(errno, ENOTDIR);
}

TEST(RealDiskInterface, RenameReplacesAndRemoveTakesOnlyFiles) {
  TempFolder temp;
  WriteBytes(temp / "new", "new");
  WriteBytes(temp / "old", "old");
  RealDiskInterface disk;
  ASSERT_EQ(disk.Rename(temp / "new", temp / "old"), 0);
  EXPECT_EQ(ReadBytes(temp / "old"), "new");
  EXPECT_FALSE(IsThere(temp / "new"));

  ASSERT_EQ(disk.Mkdir(temp / "folder", 0700), 0);
  EXPECT_EQ(disk.Rename(temp / "old", temp / "folder"), -1);
  EXPECT_EQ(errno, EISDIR);
  EXPECT_EQ(disk.Remove(temp / "folder"), -1);
  EXPECT_TRUE(IsThere(temp / "folder"));
  ASSERT_EQ(disk.Remove(temp / "old"), 0);
  EXPECT_FALSE(IsThere(temp / "old"));
  EXPECT_EQ(disk.Remove(temp / std::string("a\0b", 3)), -1);
  EXPECT_EQ(errno, EINVAL);
}

}  // namespace
}  // namespace filesupport
}  // namespace mevcore
