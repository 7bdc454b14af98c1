#include "HashTree.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "FolderFiles.h"
#include "SampleHubError.h"
#include "ScratchFolder.h"

namespace samplehub {
namespace {

const char* const kEmptyBlobId = "e69de29bb2d1d6434b8b29ae775ad8c2e48c5391";

void MakeSmallTree(const ScratchFolder& root) {
  WriteNewFile(root / "a.txt", "alpha\n");
  WriteNewFile(root / "sub/empty", "");
  MakeFolders(root / "sub/deeper");
}

TEST(HashTree, NamesEveryEntryByItsRelativePath) {
  ScratchFolder root;
  MakeSmallTree(root);
  ASSERT_EQ(0, ::symlink("../a.txt", (root / "sub/link").c_str()));

  auto hashes = HashTree(root.Path());

  EXPECT_EQ(5u, hashes.size());
  EXPECT_EQ("dir", hashes.at("sub"));
  EXPECT_EQ("dir", hashes.at("sub/deeper"));
  EXPECT_EQ(kEmptyBlobId, hashes.at("sub/empty"));
  EXPECT_EQ("link:../a.txt", hashes.at("sub/link"));
  EXPECT_EQ(40u, hashes.at("a.txt").size());
}

TEST(HashTree, SeesAnyChangeOfContentOrShape) {
  ScratchFolder first, second;
  MakeSmallTree(first);
  MakeSmallTree(second);
  ASSERT_EQ(HashTree(first.Path()), HashTree(second.Path()));

  ASSERT_EQ(0, ::truncate((second / "a.txt").c_str(), 5));
  EXPECT_NE(HashTree(first.Path()), HashTree(second.Path()));

  ScratchFolder third;
  MakeSmallTree(third);
  WriteNewFile(third / "sub/deeper/new", "");
  EXPECT_NE(HashTree(first.Path()), HashTree(third.Path()));
}

TEST(HashTree, NamesAMissingFolder) {
  ScratchFolder root;
  try {
    HashTree(root / "missing");
    FAIL() << "a missing folder was hashed";
  } catch (const SampleHubError& error) {
    EXPECT_NE(std::string::npos, std::string(error.what()).find(root / "missing"));
  }
}

}  // namespace
}  // namespace samplehub
