#include "mevstorage/git/Verify.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "FolderSnapshot.h"
#include "StorageTestSupport.h"
#include "mevstorage/git/ReadOnly.h"

namespace mevstorage {
namespace git {
namespace {

using testing::SnapshotFolder;

git_oid BlobId(const std::string& text) {
  git_oid id;
  git_odb_hash(&id, text.data(), text.size(), GIT_OBJECT_BLOB);
  return id;
}

// A repository of two commits, "production" at the second; each commit's
// tree holds "properties" and a sub-tree "data" with "model".
class VerifyTest : public NewRepositoryTest {
 protected:
  void SetUp() override {
    NewRepositoryTest::SetUp();
    first_ = Commit("first", CommitHandle());
    second_ = Commit("second", first_);
  }

  CommitHandle Commit(const std::string& model, const CommitHandle& parent) {
    auto root = ConstructRootTreeBuilderNode(repository_, TreeHandle());
    EXPECT_TRUE(TreeBuilderInsertPayload(repository_, root->builder, Text("properties"),
                                         Payload("{\"name\":\"P\"}")));
    const git_oid data = TreeId(MakeTree(repository_, {{"model", model}}));
    EXPECT_EQ(0, git_treebuilder_insert(nullptr, root->builder->ptr, "data", &data,
                                        GIT_FILEMODE_TREE));
    const TreeHandle tree = LookupTree(repository_, FinalizeTreeBuilderNode(repository_, root));
    return CommitTreeAt(repository_, tree, parent, model, 1500000000);
  }

  static git_oid TreeId(const TreeHandle& tree) { return *git_tree_id(tree->ptr); }
  static std::string Id(const CommitHandle& commit) { return HexOf(*git_commit_id(commit->ptr)); }
  static std::string RootTree(const CommitHandle& commit) {
    return HexOf(*git_commit_tree_id(commit->ptr));
  }

  void Sql(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(DatabasePath().c_str(), &db));
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr))
        << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
  void WriteGitFile(const std::string& name, const std::string& bytes) {
    std::ofstream(GitPath(name), std::ios::binary | std::ios::trunc) << bytes;
  }

  VerifyResult Verify() {
    repository_.reset();
    return VerifyRepository(GitFolder());
  }

  CommitHandle first_;
  CommitHandle second_;
};

// The whole history with a tag, a packed and a symbolic reference is sound,
// and checking it leaves every byte and time stamp of the folder as it was,
// even while another connection holds a write transaction.
TEST_F(VerifyTest, SoundRepositoryHasNoProblemsAndIsLeftAsItWas) {
  git_oid tag;
  git_signature* who = nullptr;
  ASSERT_EQ(0, git_signature_new(&who, "T", "t@example.invalid", 1500000000, 0));
  git_object* target = nullptr;
  ASSERT_EQ(0, git_object_lookup(&target, repository_->ptr, git_commit_id(first_->ptr),
                                 GIT_OBJECT_COMMIT));
  ASSERT_EQ(0, git_tag_create(&tag, repository_->ptr, "v1", target, who, "first", 0));
  git_object_free(target);
  git_signature_free(who);
  WriteGitFile("packed-refs", Id(first_) + " refs/heads/old\n");
  WriteGitFile("refs/heads/alias", "ref: refs/heads/production\n");
  WriteGitFile("refs/heads/production.lock", "left by a stopped writer\n");
  repository_.reset();

  sqlite3* writer = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(DatabasePath().c_str(), &writer));
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(writer,
                                    "BEGIN IMMEDIATE; INSERT INTO objects "
                                    "VALUES(randomblob(20), 3, 0, x'')",
                                    nullptr, nullptr, nullptr));
  const testing::FolderSnapshot before = SnapshotFolder(temp_.Path());
  const VerifyResult result = Verify();
  EXPECT_EQ(before, SnapshotFolder(temp_.Path()));
  sqlite3_close(writer);

  EXPECT_TRUE(result.Ok()) << ::testing::PrintToString(result.problems);
  EXPECT_TRUE(result.problems.empty());
}

TEST_F(VerifyTest, ReadOnlyRepositoryRefusesWritesWithoutTouchingTheDatabase) {
  repository_.reset();
  const testing::FolderSnapshot before = SnapshotFolder(temp_.Path());
  {
    RepositoryHandle readOnly = OpenRepositoryReadOnly(GitFolder());
    const std::string text = "new";
    const git_oid written = WriteBlob(readOnly, text.data(), text.size());
    EXPECT_TRUE(git_oid_is_zero(&written));
  }
  EXPECT_EQ(before, SnapshotFolder(temp_.Path()));
}

// Each kind of damaged row is named once: the walk does not name the same
// objects again as unreadable.
TEST_F(VerifyTest, DamagedRowsAreNamedOnce) {
  const std::string model = HexOf(BlobId("second"));
  const std::string properties = HexOf(BlobId("{\"name\":\"P\"}"));
  Sql("UPDATE objects SET data = CAST('secone' AS BLOB) WHERE oid = x'" + model + "'");
  Sql("UPDATE objects SET size = 99 WHERE oid = x'" + properties + "'");
  Sql("UPDATE objects SET type = 7 WHERE oid = x'" + Id(first_) + "'");
  Sql("INSERT INTO objects VALUES(x'0102', 3, 0, x'')");

  const VerifyResult result = Verify();

  std::vector<std::string> expected = {
      "a stored row's oid is 2 bytes long, not 20: 0102",
      "object " + properties + ": its size is recorded as 99 but its data holds 12 bytes",
      "object " + Id(first_) + ": its type 7 is no object type",
      "object " + model + ": its data as a blob hashes to " + HexOf(BlobId("secone"))};
  std::vector<std::string> found = result.problems;
  std::sort(expected.begin(), expected.end());
  std::sort(found.begin(), found.end());
  EXPECT_EQ(expected, found);
  EXPECT_EQ(4u, result.problemCount);
}

TEST_F(VerifyTest, MissingObjectsAreNamedWithWhatNamesThem) {
  const std::string oldModel = HexOf(BlobId("first"));
  Sql("DELETE FROM objects WHERE oid IN (x'" + oldModel + "', x'" + RootTree(second_) + "')");

  const VerifyResult result = Verify();

  ASSERT_EQ(2u, result.problemCount) << ::testing::PrintToString(result.problems);
  EXPECT_EQ("tree " + RootTree(second_) + ", named by commit " + Id(second_) + ", is missing",
            result.problems[0]);
  EXPECT_EQ(0u, result.problems[1].find("blob " + oldModel + ", named by tree "))
      << result.problems[1];
}

TEST_F(VerifyTest, ReferencesThatDoNotResolveAreNamed) {
  const std::string nowhere = "0123456789abcdef0123456789abcdef01234567";
  WriteGitFile("refs/heads/stray", nowhere + "\n");
  WriteGitFile("refs/heads/garbled", "not an id\n");
  WriteGitFile("refs/heads/dangling", "ref: refs/heads/gone\n");
  WriteGitFile("packed-refs", std::string(40, 'f') + " refs/tags/packed\n");

  const VerifyResult result = Verify();

  ASSERT_EQ(4u, result.problemCount) << ::testing::PrintToString(result.problems);
  EXPECT_EQ("refs/heads/dangling names refs/heads/gone, which does not exist", result.problems[0]);
  EXPECT_EQ(0u, result.problems[1].find("refs/heads/garbled cannot be read: "))
      << result.problems[1];
  EXPECT_EQ("refs/heads/stray names " + nowhere + ", which is missing", result.problems[2]);
  EXPECT_EQ("refs/tags/packed names " + std::string(40, 'f') + ", which is missing",
            result.problems[3]);
}

TEST_F(VerifyTest, UnbornHeadAndAnObjectOfTheWrongTypeAreNamed) {
  WriteGitFile("HEAD", "ref: refs/heads/unborn\n");
  // A commit whose tree is a blob: libgit2 refuses to make one unless told.
  const git_oid blob = BlobId("{\"name\":\"P\"}");
  const std::string text = "tree " + HexOf(blob) + "\nauthor A <a@b> 1 +0000\n" +
                           "committer A <a@b> 1 +0000\n\nodd\n";
  git_oid odd;
  git_odb* odb = nullptr;
  ASSERT_EQ(0, git_repository_odb(&odb, repository_->ptr));
  ASSERT_EQ(0, git_odb_write(&odd, odb, text.data(), text.size(), GIT_OBJECT_COMMIT));
  git_odb_free(odb);
  ASSERT_NO_THROW(FlushWrites(repository_));
  WriteGitFile("refs/heads/odd", HexOf(odd) + "\n");

  const VerifyResult result = Verify();

  EXPECT_EQ((std::vector<std::string>{"HEAD names refs/heads/unborn, which does not exist",
                                      "object " + HexOf(blob) + " is a blob, but commit " +
                                          HexOf(odd) + " names it as a tree"}),
            result.problems);
}

// A page of the database overwritten: SQLite's check says so first; only
// the first problems asked for are kept, every one is counted.
TEST_F(VerifyTest, DamagedDatabasePagesAreNamedAndCounted) {
  for (int i = 0; i < 60; ++i) {
    const std::string text = std::string(900, static_cast<char>('a' + i % 26)) + std::to_string(i);
    WriteBlob(repository_, text.data(), text.size());
  }
  ASSERT_NO_THROW(FlushWrites(repository_));
  repository_.reset();
  struct stat info;
  ASSERT_EQ(0, stat(DatabasePath().c_str(), &info));
  {
    std::fstream file(DatabasePath(), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(info.st_size - 4096 + 8);
    file << std::string(64, '\x7f');
  }

  const VerifyResult result = VerifyRepository(GitFolder(), 2);

  ASSERT_EQ(2u, result.problems.size());
  EXPECT_GT(result.problemCount, 2u);
  EXPECT_EQ(0u, result.problems[0].find("integrity check: ")) << result.problems[0];
}

TEST_F(VerifyTest, StoreThatCannotBeOpenedThrowsTheOpeningError) {
  repository_.reset();
  WriteGitFile("odb.sqlite3", std::string(4096, 'x'));
  try {
    VerifyRepository(GitFolder());
    ADD_FAILURE() << "checked a garbage database";
  } catch (const StorageError& error) {
    EXPECT_EQ("Unable to open the repository in " + GitPath() + ": file is not a database",
              std::string(error.what()));
  }
}

// A write cut short after it changed the database leaves a hot journal;
// rolling it back is a write, so the check names it and leaves both files.
TEST_F(VerifyTest, WriteCutShortIsNamedAndLeftForAWriterToRollBack) {
  repository_.reset();
  sqlite3* writer = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(DatabasePath().c_str(), &writer));
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(writer,
                                    "PRAGMA cache_size = 1; BEGIN IMMEDIATE; "
                                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                                    "FROM n WHERE i < 100) INSERT INTO objects "
                                    "SELECT randomblob(20), 3, 1000, randomblob(1000) FROM n",
                                    nullptr, nullptr, nullptr));
  // Copies taken mid-write are what a crash would leave.
  for (const std::string name : {"odb.sqlite3", "odb.sqlite3-journal"}) {
    std::filesystem::copy_file(GitPath(name), GitPath("cut-" + name));
  }
  sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(writer);
  for (const std::string name : {"odb.sqlite3", "odb.sqlite3-journal"}) {
    std::filesystem::rename(GitPath("cut-" + name), GitPath(name));
  }
  const testing::FolderSnapshot before = SnapshotFolder(temp_.Path());

  try {
    VerifyRepository(GitFolder());
    ADD_FAILURE() << "checked a database with a hot journal";
  } catch (const StorageError& error) {
    EXPECT_EQ("Unable to open the repository in " + GitPath() +
                  ": odb.sqlite3-journal holds a write that was cut short; the next program to "
                  "open the project for writing rolls it back",
              std::string(error.what()));
  }
  EXPECT_EQ(before, SnapshotFolder(temp_.Path()));
}

}  // namespace
}  // namespace git
}  // namespace mevstorage
