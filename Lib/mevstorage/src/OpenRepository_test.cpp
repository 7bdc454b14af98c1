#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "FolderSnapshot.h"
#include "GitExport.h"
#include "ObjectDatabase.h"
#include "RepositoryAccess.h"
#include "StorageTestSupport.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {
namespace {

using testing::SnapshotFolder;

class OpenRepositoryTest : public StorageTest {
 protected:
  // Opening must fail with exactly this message and leave every byte, name
  // and time stamp under the temporary folder as it was.
  void ExpectOpenFails(const std::string& reason) {
    const testing::FolderSnapshot before = SnapshotFolder(temp_.Path());
    try {
      SQLite3OdbBackend::OpenRepository(GitFolder());
      ADD_FAILURE() << "the repository opened";
    } catch (const StorageError& error) {
      EXPECT_EQ("Unable to open the repository in " + GitPath() + ": " + reason, error.what());
    }
    EXPECT_EQ(before, SnapshotFolder(temp_.Path()));
  }

  void MakeRepositoryWithBlobs(int count) {
    RepositoryHandle repository = CreateRepository(GitFolder());
    for (int i = 0; i < count; ++i) {
      const std::string text =
          std::string(1000, static_cast<char>('a' + i % 26)) + std::to_string(i);
      WriteBlob(repository, text.data(), text.size());
    }
  }

  void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
};

TEST_F(OpenRepositoryTest, MissingFolderIsReportedAndNotMade) {
  ExpectOpenFails("the folder does not exist");
}

TEST_F(OpenRepositoryTest, FileInPlaceOfTheFolderIsSaidAndLeftAsItWas) {
  WriteFile(GitPath(), "not a repository");
  ExpectOpenFails("it is not a folder");
}

TEST_F(OpenRepositoryTest, FolderWithoutDatabaseIsLeftAsItWas) {
  ASSERT_EQ(0, testing::RunGit({"init", "--bare", "--quiet", GitPath()}).exitStatus);
  ExpectOpenFails("odb.sqlite3 is missing");
}

TEST_F(OpenRepositoryTest, EmptyFolderIsLeftAsItWas) {
  ASSERT_EQ(0, mkdir(GitPath().c_str(), 0755));
  ExpectOpenFails("odb.sqlite3 is missing");
}

TEST_F(OpenRepositoryTest, GarbageDatabaseIsNotADatabase) {
  CreateRepository(GitFolder());
  WriteFile(DatabasePath(), std::string(4096, 'x'));
  ExpectOpenFails("file is not a database");
}

TEST_F(OpenRepositoryTest, TruncatedDatabaseIsReportedAsDamaged) {
  MakeRepositoryWithBlobs(40);
  ASSERT_EQ(0, truncate(DatabasePath().c_str(), 8192));
  ExpectOpenFails("database disk image is malformed");
}

TEST_F(OpenRepositoryTest, DatabaseCutInsideItsFirstPageIsReported) {
  MakeRepositoryWithBlobs(1);
  ASSERT_EQ(0, truncate(DatabasePath().c_str(), 60));
  ExpectOpenFails("database disk image is malformed");
}

TEST_F(OpenRepositoryTest, EmptyDatabaseFileIsReported) {
  CreateRepository(GitFolder());
  WriteFile(DatabasePath(), "");
  ExpectOpenFails("the object database is empty or cut short");
}

TEST_F(OpenRepositoryTest, DatabaseOfAnotherProgramHasAnotherSchema) {
  CreateRepository(GitFolder());
  sqlite3* db = nullptr;
  sqlite3_open(DatabasePath().c_str(), &db);
  sqlite3_exec(db, "DROP TABLE objects; CREATE TABLE objects(id INTEGER)", nullptr, nullptr,
               nullptr);
  sqlite3_close(db);
  ExpectOpenFails("the object database has another schema");
}

TEST_F(OpenRepositoryTest, DatabaseWithoutGitRepositoryIsNotOpened) {
  CreateRepository(GitFolder());
  ASSERT_EQ(0, unlink(GitPath("HEAD").c_str()));
  const testing::FolderSnapshot before = SnapshotFolder(temp_.Path());
  EXPECT_THROW(SQLite3OdbBackend::OpenRepository(GitFolder()), StorageError);
  EXPECT_EQ(before, SnapshotFolder(temp_.Path()));
}

TEST_F(OpenRepositoryTest, OpeningAndReadingChangesNothing) {
  {
    RepositoryHandle repository = CreateRepository(GitFolder());
    CommitTreeAt(repository, MakeTree(repository, {{"properties", "{}"}}), CommitHandle(), "first",
                 1000000000);
  }
  const testing::FolderSnapshot before = SnapshotFolder(temp_.Path());
  {
    RepositoryHandle repository = SQLite3OdbBackend::OpenRepository(GitFolder());
    TreeHandle tree = GetTreeAtCommit(GetHeadCommit(repository));
    EXPECT_EQ("{}", BlobText(GetBlob(repository, tree, Text("properties"))));
  }
  EXPECT_EQ(before, SnapshotFolder(temp_.Path()));
}

TEST_F(OpenRepositoryTest, ReleasingTheRepositoryCommitsPendingWrites) {
  git_oid id;
  {
    RepositoryHandle repository = CreateRepository(GitFolder());
    id = WriteBlob(repository, "kept", 4);
  }
  RepositoryHandle repository = SQLite3OdbBackend::OpenRepository(GitFolder());
  git_blob* blob = nullptr;
  ASSERT_EQ(0, git_blob_lookup(&blob, repository->ptr, &id));
  git_blob_free(blob);
}

TEST_F(OpenRepositoryTest, ReleasingTheRepositoryClosesTheDatabaseEvenIfLibgit2HoldsIt) {
  git_odb* odb = nullptr;
  {
    RepositoryHandle repository = CreateRepository(GitFolder());
    WriteBlob(repository, "kept", 4);
    ASSERT_EQ(0, git_repository_odb(&odb, repository->ptr));
  }
  // The database is free for others at once, and nothing was lost.
  sqlite3* other = nullptr;
  sqlite3_open(DatabasePath().c_str(), &other);
  sqlite3_busy_timeout(other, 0);
  EXPECT_EQ(SQLITE_OK, sqlite3_exec(other, "BEGIN EXCLUSIVE; COMMIT", nullptr, nullptr, nullptr));
  sqlite3_close(other);
  EXPECT_EQ(1u, testing::ReadStoredObjects(GitFolder()).size());
  // What libgit2 still holds fails clearly instead of reaching a closed connection.
  git_oid id;
  EXPECT_NE(0, git_odb_write(&id, odb, "late", 4, GIT_OBJECT_BLOB));
  EXPECT_NE(std::string::npos, LastGitError().find("is closed"));
  git_odb_free(odb);
}

}  // namespace
}  // namespace git
}  // namespace mevstorage
