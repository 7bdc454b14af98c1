#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "FolderSnapshot.h"
#include "GitExport.h"
#include "StorageTestSupport.h"

namespace mevstorage {
namespace git {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

class CreateRepositoryTest : public StorageTest {};

TEST_F(CreateRepositoryTest, MakesABareRepositoryGitRecognises) {
  CreateRepository(GitFolder());
  EXPECT_EQ("ref: refs/heads/production\n", ReadFile(GitPath("HEAD")));
  const testing::FolderSnapshot made = testing::SnapshotFolder(GitPath());
  std::vector<std::string> names;
  for (const auto& entry : made) names.push_back(entry.first);
  EXPECT_EQ((std::vector<std::string>{"", "HEAD", "config", "objects", "odb.sqlite3", "refs",
                                      "refs/heads", "refs/tags"}),
            names);
  const testing::GitResult bare =
      testing::RunGit({"--git-dir=" + GitPath(), "rev-parse", "--is-bare-repository"});
  EXPECT_EQ("true\n", bare.output);
  const testing::GitResult head =
      testing::RunGit({"--git-dir=" + GitPath(), "symbolic-ref", "HEAD"});
  EXPECT_EQ("refs/heads/production\n", head.output);
}

TEST_F(CreateRepositoryTest, HeadNamesTheGivenBranch) {
  CreateRepository(GitFolder(), "main");
  EXPECT_EQ("ref: refs/heads/main\n", ReadFile(GitPath("HEAD")));
}

TEST_F(CreateRepositoryTest, RefusesAFolderThatHoldsAnything) {
  ASSERT_EQ(0, mkdir(GitPath().c_str(), 0755));
  std::ofstream(GitPath("notes.txt")) << "mine";
  const testing::FolderSnapshot before = testing::SnapshotFolder(temp_.Path());
  try {
    CreateRepository(GitFolder());
    ADD_FAILURE() << "made a repository over existing files";
  } catch (const StorageError& error) {
    EXPECT_EQ("Unable to create a repository in " + GitPath() + ": the folder is not empty",
              std::string(error.what()));
  }
  EXPECT_EQ(before, testing::SnapshotFolder(temp_.Path()));
}

TEST_F(CreateRepositoryTest, RefusesAnInvalidBranchNameBeforeMakingAnything) {
  EXPECT_THROW(CreateRepository(GitFolder(), "two..dots"), StorageError);
  EXPECT_THROW(CreateRepository(GitFolder(), ""), StorageError);
  EXPECT_FALSE(GitFolder().Exists());
}

}  // namespace
}  // namespace git
}  // namespace mevstorage
