#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "FileTesting.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/Dir.h"
#include "mevcore/filesupport/FaultInjectingDisk.h"

namespace mevcore {
namespace filesupport {
namespace {

using testing::Narrow;
using testing::TempFolder;
using testing::WriteBytes;

// A disk whose listings never tell the entry type, as some file systems do.
class UntypedListingDisk : public RealDiskInterface {
 public:
  int ListDir(const std::string& path, std::vector<Entry>* entries) override {
    const int result = RealDiskInterface::ListDir(path, entries);
    for (Entry& entry : *entries) entry.type = DT_UNKNOWN;
    return result;
  }
};

class SubdirWalk : public ::testing::Test {
 protected:
  void Folder(const std::string& name) { ASSERT_EQ(::mkdir((temp_ / name).c_str(), 0700), 0); }

  std::vector<std::string> Walk(bool includeHidden, bool (*cancel)() = nullptr,
                                boost::shared_ptr<SubdirFilter> filter = nullptr) {
    const Dir hub = Dir::FromNativePath(temp_.Path());
    std::vector<std::string> names;
    for (auto it = hub.BeginSubdirs(includeHidden, cancel, filter); it != hub.EndSubdirs(); ++it) {
      const Dir sub = *it;
      EXPECT_EQ(sub.Parent().NativePath(), temp_.Path());
      names.push_back(Narrow(sub.GetName()));
    }
    return names;
  }

  TempFolder temp_;
};

TEST_F(SubdirWalk, ByteWiseOrderOfFoldersOnly) {
  for (const char* name : {"b", "B", "a", "_x", "Z", "caf\xC3\xA9", "bad\xFF", "new\nline"}) {
    Folder(name);
  }
  WriteBytes(temp_ / "a file", "x");
  ASSERT_EQ(::symlink(temp_.Path().c_str(), (temp_ / "link to folder").c_str()), 0);
  const std::vector<std::string> expected = {"B", "Z", "_x", "a", "b", "bad\xFF", "caf\xC3\xA9",
                                             "new\nline"};
  EXPECT_EQ(Walk(true), expected);

  UntypedListingDisk untyped;
  ScopedDisk scoped(untyped);
  EXPECT_EQ(Walk(true), expected);
}

TEST_F(SubdirWalk, HiddenFoldersOnlyWhenAsked) {
  Folder(".hidden");
  Folder("shown");
  EXPECT_EQ(Walk(true), (std::vector<std::string>{".hidden", "shown"}));
  EXPECT_EQ(Walk(false), (std::vector<std::string>{"shown"}));
}

TEST_F(SubdirWalk, FilterKeepsWhatItAccepts) {
  for (const char* name : {"one.vd", "two.vd2", "three.vd"}) Folder(name);
  auto onlyVd = boost::shared_ptr<SubdirFilter>(new SubdirFilter(
      [](const utility::UTF16String& name) { return Narrow(name).find(".vd2") == std::string::npos; }));
  EXPECT_EQ(Walk(true, nullptr, onlyVd), (std::vector<std::string>{"one.vd", "three.vd"}));
  EXPECT_EQ(Walk(true, nullptr, boost::shared_ptr<SubdirFilter>(new SubdirFilter())).size(), 3u);
}

int cancelAsked = 0;
bool CancelOnThirdQuestion() { return ++cancelAsked >= 3; }

TEST_F(SubdirWalk, CancelIsAskedBeforeEachStep) {
  for (const char* name : {"a", "b", "c", "d"}) Folder(name);
  cancelAsked = 0;
  EXPECT_EQ(Walk(true, &CancelOnThirdQuestion), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(cancelAsked, 3);
}

TEST_F(SubdirWalk, EmptyFolderGivesTheEndAtOnce) {
  const Dir hub = Dir::FromNativePath(temp_.Path());
  EXPECT_FALSE(hub.BeginSubdirs(true, nullptr, nullptr) != hub.EndSubdirs());
  EXPECT_THROW(*hub.EndSubdirs(), config::mev_exception);
}

TEST_F(SubdirWalk, CopiesWalkOnTheirOwn) {
  for (const char* name : {"a", "b"}) Folder(name);
  const Dir hub = Dir::FromNativePath(temp_.Path());
  auto first = hub.BeginSubdirs(true, nullptr, nullptr);
  auto kept = first;
  EXPECT_TRUE(first == kept);
  ++first;
  EXPECT_FALSE(first == kept);
  EXPECT_EQ(Narrow((*kept).GetName()), "a");
  EXPECT_EQ(Narrow((*first).GetName()), "b");
  ++kept;
  EXPECT_TRUE(first == kept);
  EXPECT_TRUE(hub.BeginSubdirs(true, nullptr, nullptr) == hub.BeginSubdirs(true, nullptr, nullptr));
}

TEST_F(SubdirWalk, MissingOrUnlistableFolderThrowsNamingIt) {
  const Dir missing = Dir::FromNativePath(temp_ / "no hub");
  try {
    missing.BeginSubdirs(true, nullptr, nullptr);
    FAIL() << "a missing folder was listed";
  } catch (const config::mev_exception& error) {
    EXPECT_EQ(std::string(error.what()),
              "Unable to list " + (temp_ / "no hub") + ": No such file or directory");
  }
  WriteBytes(temp_ / "plain", "x");
  EXPECT_THROW(Dir::FromNativePath(temp_ / "plain").BeginSubdirs(true, nullptr, nullptr),
               config::mev_exception);
}

TEST_F(SubdirWalk, FailedTypeLookUpThrowsNamingTheEntry) {
  Folder("sub");
  UntypedListingDisk untyped;
  FaultInjectingDisk faulty(untyped);
  faulty.FailPath(temp_ / "sub", EIO);
  ScopedDisk scoped(faulty);
  try {
    Walk(true);
    FAIL() << "a failed look-up was ignored";
  } catch (const config::mev_exception& error) {
    EXPECT_EQ(error.error(), EIO);
    EXPECT_NE(std::string(error.what()).find(temp_ / "sub"), std::string::npos);
  }
}

}  // namespace
}  // namespace filesupport
}  // namespace mevcore
