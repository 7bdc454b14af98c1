#include "mevcore/filesupport/File.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "FileTesting.h"
#include "mevcore/config/Exception.h"

namespace mevcore {
namespace filesupport {
namespace {

using config::mev_exception;
using testing::IsThere;
using testing::Narrow;
using testing::ReadBytes;
using testing::TempFolder;
using testing::U;
using testing::WriteBytes;

struct NameSplit {
  const char* name;
  const char* extensionWithDot;
  const char* extension;
  const char* title;
};

TEST(FileNameSplit, ExtensionAndTitleComeFromTheLastElement) {
  const NameSplit cases[] = {
      {"a.vd", ".vd", "vd", "a"},
      {"a.b.vd", ".vd", "vd", "a.b"},
      {"noext", "", "", "noext"},
      {".profile", "", "", ".profile"},
      {".hidden.vd", ".vd", "vd", ".hidden"},
      {"trailing.", ".", "", "trailing"},
      {"Project.VD", ".VD", "VD", "Project"},
      {"/hub/dotted.folder/plain", "", "", "plain"},
      {"/hub/p.vd2", ".vd2", "vd2", "p"},
  };
  for (const NameSplit& c : cases) {
    const File file(U(c.name));
    EXPECT_EQ(Narrow(file.GetExtension(true)), c.extensionWithDot) << c.name;
    EXPECT_EQ(Narrow(file.GetExtension(false)), c.extension) << c.name;
    EXPECT_EQ(Narrow(file.GetTitle()), c.title) << c.name;
  }
}

TEST(FilePaths, FolderAndNameJoinAndSplit) {
  const File file(Dir(U("/hub/project.vd/")), U("sync.sqlite3"));
  EXPECT_EQ(file.NativePath(), "/hub/project.vd/sync.sqlite3");
  EXPECT_EQ(Narrow(file.GetName()), "sync.sqlite3");
  EXPECT_EQ(file.GetDir().NativePath(), "/hub/project.vd");
  EXPECT_EQ(Narrow(file.FullPath()), "/hub/project.vd/sync.sqlite3");
}

TEST(FileOnDisk, ExistsForAnyKindOfEntry) {
  TempFolder temp;
  WriteBytes(temp / "plain", "x");
  ASSERT_EQ(::symlink("nowhere", (temp / "dangling").c_str()), 0);
  EXPECT_TRUE(File::FromNativePath(temp / "plain").Exists());
  EXPECT_TRUE(File::FromNativePath(temp / "dangling").Exists());
  EXPECT_TRUE(File::FromNativePath(temp.Path()).Exists());
  EXPECT_FALSE(File::FromNativePath(temp / "missing").Exists());
  EXPECT_FALSE(File::FromNativePath(temp / "plain/below").Exists());
}

TEST(FileOnDisk, LengthCountsBytes) {
  TempFolder temp;
  WriteBytes(temp / "five", "12345");
  EXPECT_EQ(File::FromNativePath(temp / "five").Length(), 5u);
  EXPECT_THROW(File::FromNativePath(temp / "missing").Length(), mev_exception);
}

TEST(FileOnDisk, CreateKeepsExistingContent) {
  TempFolder temp;
  WriteBytes(temp / "kept", "old content");
  File kept = File::FromNativePath(temp / "kept");
  kept.Create(false);
  EXPECT_EQ(ReadBytes(temp / "kept"), "old content");

  File fresh = File::FromNativePath(temp / "fresh");
  fresh.Create(false);
  EXPECT_TRUE(fresh.Exists());
  EXPECT_EQ(fresh.Length(), 0u);
}

TEST(FileOnDisk, ExclusiveCreateRefusesAnExistingFile) {
  TempFolder temp;
  WriteBytes(temp / "taken", "mine");
  try {
    File::FromNativePath(temp / "taken").Create(true);
    FAIL() << "an existing file was accepted";
  } catch (const mev_exception& error) {
    EXPECT_EQ(error.error(), EEXIST);
    EXPECT_EQ(std::string(error.what()), "Unable to create " + (temp / "taken") + ": File exists");
  }
  EXPECT_EQ(ReadBytes(temp / "taken"), "mine");
}

TEST(FileRename, RefusesToOverwriteAndLeavesBothFiles) {
  TempFolder temp;
  WriteBytes(temp / "sync.sqlite3", "database");
  WriteBytes(temp / "pre_recovery_sync.sqlite3", "earlier copy");
  File file = File::FromNativePath(temp / "sync.sqlite3");
  try {
    file.Rename(U("pre_recovery_sync.sqlite3"));
    FAIL() << "the rename replaced a file";
  } catch (const mev_exception& error) {
    EXPECT_EQ(error.error(), EEXIST);
    EXPECT_EQ(std::string(error.what()), "Unable to rename " + (temp / "sync.sqlite3") + " to " +
                                             (temp / "pre_recovery_sync.sqlite3") + ": File exists");
  }
  EXPECT_EQ(file.NativePath(), temp / "sync.sqlite3");
  EXPECT_EQ(ReadBytes(temp / "sync.sqlite3"), "database");
  EXPECT_EQ(ReadBytes(temp / "pre_recovery_sync.sqlite3"), "earlier copy");
}

TEST(FileRename, MovesWithinTheFolderAndFollowsTheNewName) {
  TempFolder temp;
  WriteBytes(temp / "deleted", "marker");
  File file(Dir::FromNativePath(temp.Path()), U("deleted"));
  file.Rename(U("pre_recovery_deleted"));
  EXPECT_EQ(file.NativePath(), temp / "pre_recovery_deleted");
  EXPECT_FALSE(IsThere(temp / "deleted"));
  EXPECT_EQ(ReadBytes(temp / "pre_recovery_deleted"), "marker");
}

TEST(FileRename, RejectsNamesThatAreNotPlain) {
  TempFolder temp;
  WriteBytes(temp / "f", "x");
  File file = File::FromNativePath(temp / "f");
  for (const char* name : {"", ".", "..", "sub/g", "/g"}) {
    EXPECT_THROW(file.Rename(U(name)), mev_exception) << name;
  }
  EXPECT_THROW(file.Rename(U(std::string("g\0h", 3))), mev_exception);
  EXPECT_EQ(ReadBytes(temp / "f"), "x");
  EXPECT_FALSE(IsThere(temp / "g"));
}

}  // namespace
}  // namespace filesupport
}  // namespace mevcore
