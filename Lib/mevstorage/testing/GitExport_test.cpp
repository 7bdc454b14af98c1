#include "GitExport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>

#include "FolderSnapshot.h"
#include "TempFolder.h"
#include "mevstorage/git/Repository.h"

namespace mevstorage {
namespace testing {
namespace {

class GitExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    git::Startup();
    git::RepositoryHandle repository = git::CreateRepository(temp_.ChildDir("git"));
    git_treebuilder* builder = nullptr;
    ASSERT_EQ(0, git_treebuilder_new(&builder, repository->ptr, nullptr));
    const git_oid blob = git::WriteBlob(repository, "{}", 2);
    ASSERT_EQ(0, git_treebuilder_insert(nullptr, builder, "properties", &blob, GIT_FILEMODE_BLOB));
    git_oid treeId;
    ASSERT_EQ(0, git_treebuilder_write(&treeId, builder));
    git_treebuilder_free(builder);
    git_tree* tree = nullptr;
    ASSERT_EQ(0, git_tree_lookup(&tree, repository->ptr, &treeId));
    git::TreeHandle treeHandle(new git::Wrap<git_tree>(tree));
    git::CommitHandle first =
        git::CommitTreeAt(repository, treeHandle, git::CommitHandle(), "first\n", 1000000000);
    git::CommitTreeAt(repository, treeHandle, first, "second\n", 1000000100, "other");
  }
  void TearDown() override { git::Shutdown(); }

  std::string Git(const std::vector<std::string>& arguments) {
    std::vector<std::string> all{"--git-dir=" + temp_.Child("plain.git")};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const GitResult result = RunGit(all);
    EXPECT_EQ(0, result.exitStatus) << result.output;
    return result.output;
  }

  TempFolder temp_;
};

TEST_F(GitExportTest, CopiesEveryObjectHeadAndBranch) {
  ExportToPlainGit(temp_.ChildDir("git"), temp_.ChildDir("plain.git"));
  EXPECT_EQ("refs/heads/production\n", Git({"symbolic-ref", "HEAD"}));
  EXPECT_EQ("first\n", Git({"log", "--format=%s", "HEAD"}));
  EXPECT_EQ("second\nfirst\n", Git({"log", "--format=%s", "other"}));
  EXPECT_EQ("{}", Git({"cat-file", "blob", "other:properties"}));
  const GitResult fsck = RunGitFsck(temp_.ChildDir("plain.git"));
  EXPECT_EQ(0, fsck.exitStatus) << fsck.output;
}

TEST_F(GitExportTest, RefusesARowWhoseIdIsNotItsContent) {
  sqlite3* db = nullptr;
  sqlite3_open(temp_.Child("git/odb.sqlite3").c_str(), &db);
  ASSERT_EQ(SQLITE_OK,
            sqlite3_exec(db, "UPDATE objects SET data = X'7b7d7b7d', size = 4 WHERE type = 3",
                         nullptr, nullptr, nullptr));
  sqlite3_close(db);
  try {
    ExportToPlainGit(temp_.ChildDir("git"), temp_.ChildDir("plain.git"));
    ADD_FAILURE() << "a damaged row was exported";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string::npos, std::string(error.what()).find("holds the object"));
  }
}

TEST_F(GitExportTest, FsckFailsOnACommitWhoseTreeIsMissing) {
  ASSERT_EQ(0, RunGit({"init", "--bare", "--quiet", temp_.Child("plain.git")}).exitStatus);
  const std::string commit =
      "tree 4b825dc642cb6eb9a060e54bf8d69288fbee4904\n"
      "author A <a@example.com> 1000000000 +0000\n"
      "committer A <a@example.com> 1000000000 +0000\n\nbroken\n";
  const GitResult written = RunGit({"--git-dir=" + temp_.Child("plain.git"), "hash-object", "-t",
                                    "commit", "-w", "--literally", "--stdin"},
                                   commit);
  ASSERT_EQ(0, written.exitStatus) << written.output;
  Git({"update-ref", "refs/heads/production", written.output.substr(0, 40)});
  EXPECT_NE(0, RunGitFsck(temp_.ChildDir("plain.git")).exitStatus);
}

TEST(FolderSnapshotTest, NoticesNewEntriesAndChangedContent) {
  TempFolder temp;
  const FolderSnapshot empty = SnapshotFolder(temp.Path());
  std::ofstream(temp.Child("a")) << "1";
  const FolderSnapshot one = SnapshotFolder(temp.Path());
  EXPECT_NE(empty, one);
  std::ofstream(temp.Child("a")) << "2";
  const FolderSnapshot changed = SnapshotFolder(temp.Path());
  EXPECT_NE(one.at("a").content, changed.at("a").content);
  EXPECT_EQ(changed, SnapshotFolder(temp.Path()));
}

}  // namespace
}  // namespace testing
}  // namespace mevstorage
