#include "OdbBackend.h"

#include "RepositoryAccess.h"
#include "StorageTestSupport.h"

namespace mevstorage {
namespace git {
namespace {

class OdbBackendTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    repository_ = CreateRepository(GitFolder());
    ASSERT_EQ(0, git_repository_odb(&odb_, repository_->ptr));
  }
  void TearDown() override {
    git_odb_free(odb_);
    repository_.reset();
    StorageTest::TearDown();
  }

  ObjectDatabase& Database() { return *FindObjectDatabase(repository_->ptr); }

  RepositoryHandle repository_;
  git_odb* odb_ = nullptr;
};

TEST_F(OdbBackendTest, ObjectStreamedInPiecesIsStoredWhole) {
  git_odb_stream* stream = nullptr;
  ASSERT_EQ(0, git_odb_open_wstream(&stream, odb_, 11, GIT_OBJECT_BLOB));
  ASSERT_EQ(0, git_odb_stream_write(stream, "hello ", 6));
  ASSERT_EQ(0, git_odb_stream_write(stream, "world", 5));
  git_oid streamed;
  ASSERT_EQ(0, git_odb_stream_finalize_write(&streamed, stream));
  git_odb_stream_free(stream);
  git_oid expected;
  git_odb_hash(&expected, "hello world", 11, GIT_OBJECT_BLOB);
  EXPECT_EQ(HexOf(expected), HexOf(streamed));
  git_odb_object* object = nullptr;
  ASSERT_EQ(0, git_odb_read(&object, odb_, &streamed));
  EXPECT_EQ("hello world", std::string(static_cast<const char*>(git_odb_object_data(object)),
                                       git_odb_object_size(object)));
  git_odb_object_free(object);
}

TEST_F(OdbBackendTest, StoredObjectIsNotWrittenAgain) {
  const git_oid first = WriteBlob(repository_, "same", 4);
  ASSERT_NO_THROW(FlushWrites(repository_));
  const git_oid again = WriteBlob(repository_, "same", 4);
  EXPECT_TRUE(git_oid_equal(&first, &again));
  git_oid viaWrite;
  ASSERT_EQ(0, git_odb_write(&viaWrite, odb_, "same", 4, GIT_OBJECT_BLOB));
  // No write transaction was begun, so no lock is held against the host.
  EXPECT_FALSE(Database().HasPendingWrites());
}

TEST_F(OdbBackendTest, ShortIdsFindTheirObject) {
  const git_oid id = WriteBlob(repository_, "prefix", 6);
  git_odb_object* object = nullptr;
  ASSERT_EQ(0, git_odb_read_prefix(&object, odb_, &id, 7));
  EXPECT_TRUE(git_oid_equal(&id, git_odb_object_id(object)));
  git_odb_object_free(object);
  git_oid found;
  ASSERT_EQ(0, git_odb_exists_prefix(&found, odb_, &id, 9));
  EXPECT_TRUE(git_oid_equal(&id, &found));
}

TEST_F(OdbBackendTest, MissingObjectsAndDatabaseErrorsReachLibgit2) {
  git_oid missing;
  git_odb_hash(&missing, "never written", 13, GIT_OBJECT_BLOB);
  git_odb_object* object = nullptr;
  EXPECT_EQ(GIT_ENOTFOUND, git_odb_read(&object, odb_, &missing));
  EXPECT_EQ(0, git_odb_exists(odb_, &missing));
  Database().Close();
  EXPECT_EQ(GIT_ERROR, git_odb_read(&object, odb_, &missing));
  EXPECT_EQ("The object database " + DatabasePath() + " is closed", LastGitError());
  // A failed look-up never counts as "there".
  EXPECT_EQ(0, git_odb_exists(odb_, &missing));
}

}  // namespace
}  // namespace git
}  // namespace mevstorage
