#include <sqlite3.h>

#include <ctime>
#include <functional>

#include "GitExport.h"
#include "RepositoryAccess.h"
#include "StorageTestSupport.h"
#include "mevstorage/git/References.h"

namespace mevstorage {
namespace git {
namespace {

class CommitOperationsTest : public NewRepositoryTest {
 protected:
  // Exports the repository and runs `git fsck --strict` on the copy; the copy
  // stays for questions to git.
  void ExpectFsckPasses() {
    ASSERT_NO_THROW(FlushWrites(repository_));
    testing::ExportToPlainGit(GitFolder(), temp_.ChildDir("plain.git"));
    const testing::GitResult fsck = testing::RunGitFsck(temp_.ChildDir("plain.git"));
    EXPECT_EQ(0, fsck.exitStatus) << fsck.output;
  }

  std::string AskPlainGit(const std::vector<std::string>& arguments) {
    std::vector<std::string> all{"--git-dir=" + temp_.Child("plain.git")};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return testing::RunGit(all).output;
  }

  std::string BranchTarget(const std::string& branch) {
    git_oid id;
    const std::string name = "refs/heads/" + branch;
    if (git_reference_name_to_id(&id, repository_->ptr, name.c_str()) != 0) return "<none>";
    return HexOf(id);
  }
};

TEST_F(CommitOperationsTest, CommitChainMadeByCommitTreeAtPassesStrictFsck) {
  CommitHandle first = CommitTreeAt(repository_, MakeTree(repository_, {{"properties", "{}"}}),
                                    CommitHandle(), "first\n", 1000000000);
  CommitHandle second = CommitTreeAt(
      repository_, MakeTree(repository_, {{"properties", "{\"name\":\"A\"}"}, {"other", "x"}}),
      first, "second\n", 1000000060);
  ASSERT_TRUE(second && second->ptr);
  EXPECT_EQ(HexOf(*git_commit_id(second->ptr)), BranchTarget("production"));
  EXPECT_EQ(1000000060, git_commit_time(second->ptr));
  ExpectFsckPasses();
  EXPECT_EQ("second\nfirst\n", AskPlainGit({"log", "--format=%s", "production"}));
  EXPECT_EQ(
      "Velders Recovery <recovery@velders.invalid> 1000000000 +0000\n",
      AskPlainGit({"log", "-1", "--format=%an <%ae> %at %ad", "--date=format:%z", "production~1"}));
}

TEST_F(CommitOperationsTest, RecoveryCommitFollowsTheOldHeadAndPassesStrictFsck) {
  CommitHandle old =
      CommitTreeAt(repository_, MakeTree(repository_, {{"properties", "{}"}, {"scene", "data"}}),
                   CommitHandle(), "made\n", 1000000000);
  TreeHandle headTree = GetTreeAtCommit(GetHeadCommit(repository_));
  auto node = ConstructRootTreeBuilderNode(repository_, headTree);
  ASSERT_TRUE(TreeBuilderInsertPayload(repository_, node->builder, Text("properties"),
                                       Payload("{\"name\":\"Alpha (Recovered)\"}")));
  TreeHandle tree = LookupTree(repository_, FinalizeTreeBuilderNode(repository_, node));
  const std::time_t before = std::time(nullptr);
  CommitHandle recovery = WriteCommit(repository_, tree, "Velders Recovery (Recovered: now)");
  ASSERT_TRUE(recovery && recovery->ptr);
  ASSERT_TRUE(SetBranchToCommit(repository_, Text("production"), recovery));

  ASSERT_EQ(1u, git_commit_parentcount(recovery->ptr));
  EXPECT_TRUE(git_oid_equal(git_commit_id(old->ptr), git_commit_parent_id(recovery->ptr, 0)));
  EXPECT_STREQ("Velders Recovery (Recovered: now)", git_commit_message(recovery->ptr));
  EXPECT_STREQ("Velders Recovery", git_commit_author(recovery->ptr)->name);
  EXPECT_STREQ("recovery@velders.invalid", git_commit_committer(recovery->ptr)->email);
  EXPECT_EQ(0, git_commit_time_offset(recovery->ptr));
  EXPECT_GE(git_commit_time(recovery->ptr), before);
  EXPECT_LE(git_commit_time(recovery->ptr), std::time(nullptr));
  TreeHandle head = GetTreeAtCommit(GetHeadCommit(repository_));
  EXPECT_EQ("data", BlobText(GetBlob(repository_, head, Text("scene"))));
  EXPECT_EQ("{\"name\":\"Alpha (Recovered)\"}",
            BlobText(GetBlob(repository_, head, Text("properties"))));
  ExpectFsckPasses();
}

TEST_F(CommitOperationsTest, FirstCommitOfAnUnbornBranchHasNoParent) {
  CommitHandle commit = WriteCommit(repository_, MakeTree(repository_, {{"a", "1"}}), "root");
  ASSERT_TRUE(commit && commit->ptr);
  EXPECT_EQ(0u, git_commit_parentcount(commit->ptr));
  EXPECT_EQ("<none>", BranchTarget("production"));
}

TEST_F(CommitOperationsTest, WriteCommitRefusesAHeadThatNamesNoReadableCommit) {
  TreeHandle tree = MakeTree(repository_, {{"a", "1"}});
  git_reference* reference = nullptr;
  ASSERT_EQ(0, git_reference_create(&reference, repository_->ptr, "refs/heads/production",
                                    git_tree_id(tree->ptr), 1, nullptr));
  git_reference_free(reference);
  EXPECT_FALSE(WriteCommit(repository_, tree, "would lose the history"));
}

TEST_F(CommitOperationsTest, SetBranchToCommitMakesAndMovesBranches) {
  CommitHandle first = CommitTreeAt(repository_, MakeTree(repository_, {{"a", "1"}}),
                                    CommitHandle(), "1", 1000000000);
  CommitHandle second = WriteCommit(repository_, MakeTree(repository_, {{"a", "2"}}), "2");
  ASSERT_TRUE(SetBranchToCommit(repository_, Text("backup"), first));
  ASSERT_TRUE(SetBranchToCommit(repository_, Text("production"), second));
  EXPECT_EQ(HexOf(*git_commit_id(first->ptr)), BranchTarget("backup"));
  EXPECT_EQ(HexOf(*git_commit_id(second->ptr)), BranchTarget("production"));
  EXPECT_FALSE(SetBranchToCommit(repository_, Text("bad..name"), second));
  EXPECT_FALSE(SetBranchToCommit(repository_, Text(std::string("nul\0l", 5)), second));
  EXPECT_FALSE(SetBranchToCommit(repository_, Text("production"), CommitHandle()));
}

TEST_F(CommitOperationsTest, BranchMovesOnlyOnceTheCommitIsDurable) {
  CommitHandle first = CommitTreeAt(repository_, MakeTree(repository_, {{"a", "1"}}),
                                    CommitHandle(), "1", 1000000000);
  CommitHandle second = WriteCommit(repository_, MakeTree(repository_, {{"a", "2"}}), "2");
  FindObjectDatabase(repository_->ptr)->SetBusyTimeout(std::chrono::milliseconds(50));
  sqlite3* reader = nullptr;
  sqlite3_open(DatabasePath().c_str(), &reader);
  ASSERT_EQ(SQLITE_OK,
            sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM objects", nullptr, nullptr, nullptr));
  EXPECT_FALSE(SetBranchToCommit(repository_, Text("production"), second));
  EXPECT_NE(std::string::npos, LastGitError().find("database is locked"));
  EXPECT_EQ(HexOf(*git_commit_id(first->ptr)), BranchTarget("production"));
  sqlite3_close(reader);
  ASSERT_TRUE(SetBranchToCommit(repository_, Text("production"), second));
  EXPECT_EQ(HexOf(*git_commit_id(second->ptr)), BranchTarget("production"));
  ExpectFsckPasses();
}

TEST_F(CommitOperationsTest, HostHoldingTheDatabaseMakesWritesFailWithoutLoss) {
  CommitHandle first = CommitTreeAt(repository_, MakeTree(repository_, {{"properties", "{}"}}),
                                    CommitHandle(), "1", 1000000000);
  FindObjectDatabase(repository_->ptr)->SetBusyTimeout(std::chrono::milliseconds(50));
  auto node = ConstructRootTreeBuilderNode(repository_, GetTreeAtCommit(first));
  sqlite3* host = nullptr;
  sqlite3_open(DatabasePath().c_str(), &host);
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(host, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr));
  EXPECT_FALSE(TreeBuilderInsertPayload(repository_, node->builder, Text("properties"),
                                        Payload("{\"name\":\"B\"}")));
  EXPECT_NE(std::string::npos, LastGitError().find(DatabasePath()));
  sqlite3_close(host);
  ASSERT_TRUE(TreeBuilderInsertPayload(repository_, node->builder, Text("properties"),
                                       Payload("{\"name\":\"B\"}")));
  CommitHandle second = WriteCommit(
      repository_, LookupTree(repository_, FinalizeTreeBuilderNode(repository_, node)), "2");
  ASSERT_TRUE(SetBranchToCommit(repository_, Text("production"), second));
  ExpectFsckPasses();
  EXPECT_EQ("2\n1\n", AskPlainGit({"log", "--format=%s", "production"}));
}

TEST_F(CommitOperationsTest, CommitTreeAtReportsTheRepositoryOnFailure) {
  try {
    CommitTreeAt(repository_, TreeHandle(), CommitHandle(), "no tree", 1000000000);
    ADD_FAILURE() << "committed without a tree";
  } catch (const StorageError& error) {
    EXPECT_NE(std::string::npos, std::string(error.what()).find(GitPath()));
  }
}

// The reads by hex id answer, and each failure throws the reason with
// libgit2's class: nothing is left for the caller to look up.
TEST_F(CommitOperationsTest, ReferenceReadsAnswerByHexAndThrowTheirReasons) {
  EXPECT_EQ("", ResolveReference(repository_, "HEAD"));  // no commit yet
  const std::string first = CommitHex(CommitTreeAt(repository_, MakeTree(repository_, {{"a", "1"}}),
                                                   CommitHandle(), "Made here\n", 1000000000));
  const std::string second =
      CommitHex(CommitTreeAt(repository_, MakeTree(repository_, {{"a", "2"}}),
                             ReadCommit(repository_, first), "2", 1000000060));
  EXPECT_EQ(second, ResolveReference(repository_, "HEAD"));
  EXPECT_EQ("", ResolveReference(repository_, "refs/heads/none"));
  EXPECT_TRUE(DescendsFrom(repository_, second, first));
  EXPECT_FALSE(DescendsFrom(repository_, first, second));
  EXPECT_TRUE(FirstParentHistoryHas(repository_, second, "Made "));
  EXPECT_FALSE(FirstParentHistoryHas(repository_, second, "Lost"));
  EXPECT_EQ(second, ReadHeadBlob(repository_, "a").commit);

  const std::string absent(40, '1');
  auto expectThrows = [](const std::function<void()>& call, const std::string& text, int gitClass) {
    try {
      call();
      ADD_FAILURE() << "no error: " << text;
    } catch (const StorageError& error) {
      EXPECT_NE(std::string::npos, std::string(error.what()).find(text)) << error.what();
      EXPECT_EQ(gitClass, error.GitClass()) << error.what();
    }
  };
  expectThrows([&] { IdOf("zz"); }, "\"zz\" is not an object id", 0);
  expectThrows([&] { DescendsFrom(repository_, absent, first); }, "Unable to walk the history: ",
               GIT_ERROR_ODB);
  expectThrows([&] { ReadCommit(repository_, absent); }, "Unable to read the commit " + absent,
               GIT_ERROR_ODB);
  expectThrows([&] { ReadHeadBlob(repository_, "b"); },
               "The tree of the commit " + second + " holds no \"b\"", 0);
  FindObjectDatabase(repository_->ptr)->SetBusyTimeout(std::chrono::milliseconds(50));
  WriteBlob(repository_, "pending", 7);
  sqlite3* reader = nullptr;
  sqlite3_open(DatabasePath().c_str(), &reader);
  ASSERT_EQ(SQLITE_OK,
            sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM objects", nullptr, nullptr, nullptr));
  expectThrows([&] { SetReference(repository_, "refs/kept/tip", first); },
               "database is locked", GIT_ERROR_ODB);
  sqlite3_close(reader);
  EXPECT_EQ("", ResolveReference(repository_, "refs/kept/tip"));
}

}  // namespace
}  // namespace git
}  // namespace mevstorage
