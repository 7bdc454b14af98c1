#include "mevcore/filesupport/Dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "FileTesting.h"
#include "mevcore/config/Exception.h"

namespace mevcore {
namespace filesupport {
namespace {

using config::mev_exception;
using testing::IsThere;
using testing::Narrow;
using testing::TempFolder;
using testing::U;
using testing::WriteBytes;

TEST(DirPaths, KeptWithoutTrailingSlash) {
  EXPECT_EQ(Dir(U("/hub/")).NativePath(), "/hub");
  EXPECT_EQ(Dir(U("/hub//")).NativePath(), "/hub");
  EXPECT_EQ(Dir(U("/")).NativePath(), "/");
  EXPECT_TRUE(Dir().IsEmpty());
}

TEST(DirPaths, ChildJoinsWithOneSlash) {
  EXPECT_EQ(Dir(Dir(U("/docs")), U("Velders Local Hub")).NativePath(), "/docs/Velders Local Hub");
  EXPECT_EQ(Dir(Dir(U("/docs/")), U("git")).NativePath(), "/docs/git");
  EXPECT_EQ(Dir(Dir(U("/")), U("home")).NativePath(), "/home");
  EXPECT_EQ(Dir(Dir(U("/docs")), U("")).NativePath(), "/docs");
}

TEST(DirPaths, NameAndParent) {
  const Dir project(U("/docs/hub/p.vd"));
  EXPECT_EQ(Narrow(project.GetName()), "p.vd");
  EXPECT_EQ(project.Parent().NativePath(), "/docs/hub");
  EXPECT_EQ(Dir(U("/top")).Parent().NativePath(), "/");
  EXPECT_EQ(Dir(U("/")).Parent().NativePath(), "/");
  EXPECT_EQ(Dir(U("bare")).Parent().NativePath(), ".");
}

TEST(DirPaths, BytesThatAreNotUTF8SurviveTheUTF16Form) {
  const std::string native = "/hub/caf\xE9\xFF";
  const Dir dir = Dir::FromNativePath(native);
  EXPECT_EQ(Dir(dir.FullPath()).NativePath(), native);
  EXPECT_EQ(Narrow(dir.GetName()), "caf\xE9\xFF");
  EXPECT_EQ(dir.FullPathMultiByte(), native);
}

TEST(DirOnDisk, ExistsOnlyForFolders) {
  TempFolder temp;
  WriteBytes(temp / "file", "x");
  EXPECT_TRUE(Dir::FromNativePath(temp.Path()).Exists());
  EXPECT_FALSE(Dir::FromNativePath(temp / "file").Exists());
  EXPECT_FALSE(Dir::FromNativePath(temp / "missing").Exists());
  EXPECT_FALSE(Dir::FromNativePath(temp / "file/below").Exists());
}

TEST(DirRename, RenamesInTheSameParentAndFollows) {
  TempFolder temp;
  ASSERT_EQ(::mkdir((temp / "Alpha.vd").c_str(), 0700), 0);
  WriteBytes(temp / "Alpha.vd/version", "1");
  Dir project = Dir::FromNativePath(temp / "Alpha.vd");
  project.Rename(U("Alpha.vd2"));
  EXPECT_EQ(project.NativePath(), temp / "Alpha.vd2");
  EXPECT_FALSE(IsThere(temp / "Alpha.vd"));
  EXPECT_TRUE(IsThere(temp / "Alpha.vd2/version"));
}

TEST(DirRename, NeverReplacesAnExistingFolder) {
  TempFolder temp;
  ASSERT_EQ(::mkdir((temp / "a.vd").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((temp / "a.vd2").c_str(), 0700), 0);
  Dir project = Dir::FromNativePath(temp / "a.vd");
  try {
    project.Rename(U("a.vd2"));
    FAIL() << "an empty folder was replaced";
  } catch (const mev_exception& error) {
    EXPECT_EQ(error.error(), EEXIST);
    EXPECT_NE(std::string(error.what()).find(temp / "a.vd2"), std::string::npos);
  }
  EXPECT_EQ(project.NativePath(), temp / "a.vd");
  EXPECT_TRUE(IsThere(temp / "a.vd"));
}

TEST(DirRename, RejectsAPathAsNewName) {
  TempFolder temp;
  ASSERT_EQ(::mkdir((temp / "p").c_str(), 0700), 0);
  Dir project = Dir::FromNativePath(temp / "p");
  EXPECT_THROW(project.Rename(U("../escaped")), mev_exception);
  EXPECT_THROW(project.Rename(U("..")), mev_exception);
  EXPECT_TRUE(IsThere(temp / "p"));
}

}  // namespace
}  // namespace filesupport
}  // namespace mevcore
