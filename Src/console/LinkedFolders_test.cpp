#include "console/LinkedFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>

#include "ScratchFolder.h"
#include "mevcore/config/Exception.h"

namespace velders {
namespace {

using mevcore::filesupport::Dir;

TEST(LinkedFolders, OnlyLinksToFoldersInByteOrder) {
  samplehub::ScratchFolder scratch;
  ASSERT_EQ(0, ::mkdir((scratch / "real").c_str(), 0755));
  ASSERT_EQ(0, ::mkdir((scratch / "hub").c_str(), 0755));
  ASSERT_EQ(0, ::mkdir((scratch / "hub/Plain.vd2").c_str(), 0755));
  std::ofstream(scratch / "file") << "x";
  ASSERT_EQ(0, ::symlink((scratch / "real").c_str(), (scratch / "hub/b.vd2").c_str()));
  ASSERT_EQ(0, ::symlink("../real", (scratch / "hub/A\n.vd2").c_str()));
  ASSERT_EQ(0, ::symlink((scratch / "file").c_str(), (scratch / "hub/ToFile").c_str()));
  ASSERT_EQ(0, ::symlink((scratch / "gone").c_str(), (scratch / "hub/Dangling").c_str()));

  EXPECT_EQ(LinkedFolders(Dir::FromNativePath(scratch / "hub")),
            (std::vector<std::string>{scratch / "hub/A\n.vd2", scratch / "hub/b.vd2"}));
}

TEST(LinkedFolders, FolderThatCannotBeListedThrowsNamingIt) {
  samplehub::ScratchFolder scratch;
  try {
    LinkedFolders(Dir::FromNativePath(scratch / "missing"));
    ADD_FAILURE() << "listed a missing folder";
  } catch (const mevcore::config::mev_exception& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to list " + (scratch / "missing") +
                                             ": No such file or directory");
  }
}

}  // namespace
}  // namespace velders
