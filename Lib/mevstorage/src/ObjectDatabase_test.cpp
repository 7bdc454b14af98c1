#include "ObjectDatabase.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstring>

#include "TempFolder.h"
#include "mevstorage/git/References.h"

namespace mevstorage {
namespace git {
namespace {

using Result = ObjectDatabase::Result;

// A second connection, as a host application would hold one.
class OtherConnection {
 public:
  explicit OtherConnection(const std::string& path) { sqlite3_open(path.c_str(), &db_); }
  ~OtherConnection() { sqlite3_close(db_); }
  int Exec(const std::string& sql) {
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  }
  std::string Query(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    std::string value = "<error>";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(statement, 0);
      value = text ? reinterpret_cast<const char*>(text) : "";
    }
    sqlite3_finalize(statement);
    return value;
  }
  // The details of every step of the statement's query plan.
  std::string QueryPlan(const char* sql) {
    sqlite3_stmt* statement = nullptr;
    std::string plan;
    sqlite3_prepare_v2(db_, (std::string("EXPLAIN QUERY PLAN ") + sql).c_str(), -1, &statement,
                       nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
      plan += reinterpret_cast<const char*>(sqlite3_column_text(statement, 3));
      plan += "\n";
    }
    sqlite3_finalize(statement);
    return plan;
  }
  int CountRows() { return std::stoi("0" + Query("SELECT count(*) FROM objects")); }

 private:
  sqlite3* db_ = nullptr;
};

class ObjectDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    ASSERT_TRUE(ObjectDatabase::Create(path_, &reason)) << reason;
    database_ = ObjectDatabase::Open(path_, &reason);
    ASSERT_TRUE(database_) << reason;
  }

  Result WriteText(const git_oid& id, const std::string& text) {
    return database_->Write(id, text.data(), text.size(), GIT_OBJECT_BLOB);
  }

  std::string ReadText(const git_oid& id) {
    git_object_t type;
    void* data = nullptr;
    std::size_t size = 0;
    if (database_->Read(id, &type, &data, &size, &malloc) != Result::kOk) return "<none>";
    std::string text(static_cast<const char*>(data), size);
    free(data);
    return text;
  }

  testing::TempFolder temp_;
  std::string path_ = temp_.Child("odb.sqlite3");
  std::unique_ptr<ObjectDatabase> database_;
  const git_oid a_ = IdOf("aa11000000000000000000000000000000000001");
  const git_oid b_ = IdOf("aa12000000000000000000000000000000000002");
};

TEST_F(ObjectDatabaseTest, NewDatabaseHasTheDocumentedLayout) {
  OtherConnection other(path_);
  EXPECT_EQ("1", other.Query("PRAGMA user_version"));
  EXPECT_EQ("delete", other.Query("PRAGMA journal_mode"));
  EXPECT_EQ(sql::kCreateTable,
            other.Query("SELECT sql FROM sqlite_master WHERE type='table' AND name='objects'"));
}

TEST_F(ObjectDatabaseTest, NoStatementScansTheObjectsTable) {
  OtherConnection other(path_);
  for (const char* statement : {sql::kRead, sql::kReadHeader, sql::kExists, sql::kFindPrefix}) {
    EXPECT_EQ("SEARCH objects USING PRIMARY KEY", other.QueryPlan(statement).substr(0, 32))
        << statement;
  }
  EXPECT_EQ("", other.QueryPlan(sql::kWrite));
}

TEST_F(ObjectDatabaseTest, ObjectsRoundTripWithTypeAndSize) {
  ASSERT_EQ(Result::kOk, database_->Write(a_, "tree bytes", 10, GIT_OBJECT_TREE));
  ASSERT_EQ(Result::kOk, WriteText(b_, ""));
  git_object_t type = GIT_OBJECT_INVALID;
  std::size_t size = 0;
  ASSERT_EQ(Result::kOk, database_->ReadHeader(a_, &type, &size));
  EXPECT_EQ(GIT_OBJECT_TREE, type);
  EXPECT_EQ(10u, size);
  EXPECT_EQ("tree bytes", ReadText(a_));
  EXPECT_EQ("", ReadText(b_));
  EXPECT_EQ(Result::kOk, database_->Exists(b_));
  const git_oid unknown = IdOf("bb00000000000000000000000000000000000000");
  EXPECT_EQ(Result::kNotFound, database_->Exists(unknown));
  EXPECT_EQ(Result::kNotFound, database_->ReadHeader(unknown, &type, &size));
  EXPECT_EQ("<none>", ReadText(unknown));
}

TEST_F(ObjectDatabaseTest, WritingAnObjectTwiceKeepsTheFirst) {
  ASSERT_EQ(Result::kOk, WriteText(a_, "first"));
  ASSERT_EQ(Result::kOk, WriteText(a_, "second"));
  EXPECT_EQ("first", ReadText(a_));
}

TEST_F(ObjectDatabaseTest, PrefixesFindOneObjectOrReportAmbiguity) {
  ASSERT_EQ(Result::kOk, WriteText(a_, "a"));
  ASSERT_EQ(Result::kOk, WriteText(b_, "b"));
  git_oid found;
  EXPECT_EQ(Result::kAmbiguous, database_->FindUnique(a_, 3, &found));
  ASSERT_EQ(Result::kOk, database_->FindUnique(b_, 4, &found));
  EXPECT_TRUE(git_oid_equal(&b_, &found));
  // An odd number of digits: "aa1" matches both, "aa11" only the first.
  ASSERT_EQ(Result::kOk, database_->FindUnique(a_, 4, &found));
  EXPECT_TRUE(git_oid_equal(&a_, &found));
  EXPECT_EQ(Result::kNotFound,
            database_->FindUnique(IdOf("aa13000000000000000000000000000000000000"), 4, &found));
  EXPECT_EQ(Result::kNotFound,
            database_->FindUnique(IdOf("ab00000000000000000000000000000000000000"), 2, &found));
}

TEST_F(ObjectDatabaseTest, WritesStayInOneTransactionUntilCommitted) {
  OtherConnection other(path_);
  ASSERT_EQ(Result::kOk, WriteText(a_, "a"));
  ASSERT_EQ(Result::kOk, WriteText(b_, "b"));
  EXPECT_TRUE(database_->HasPendingWrites());
  EXPECT_EQ(0, other.CountRows());
  ASSERT_EQ(Result::kOk, database_->CommitWrites());
  EXPECT_FALSE(database_->HasPendingWrites());
  EXPECT_EQ(2, other.CountRows());
}

TEST_F(ObjectDatabaseTest, ClosingCommitsPendingWritesAndEndsTheConnection) {
  ASSERT_EQ(Result::kOk, WriteText(a_, "a"));
  ASSERT_EQ(Result::kOk, database_->Close());
  EXPECT_EQ(1, OtherConnection(path_).CountRows());
  EXPECT_EQ(Result::kError, database_->Exists(a_));
  EXPECT_NE(std::string::npos, database_->LastError().find("is closed"));
}

TEST_F(ObjectDatabaseTest, LockedDatabaseFailsWritesAfterTheTimeoutAndLosesNothing) {
  ASSERT_EQ(Result::kOk, WriteText(a_, "a"));
  ASSERT_EQ(Result::kOk, database_->CommitWrites());
  database_->SetBusyTimeout(std::chrono::milliseconds(50));
  {
    OtherConnection host(path_);
    ASSERT_EQ(SQLITE_OK, host.Exec("BEGIN EXCLUSIVE"));
    EXPECT_EQ(Result::kError, WriteText(b_, "b"));
    EXPECT_NE(std::string::npos, database_->LastError().find(path_));
    EXPECT_NE(std::string::npos, database_->LastError().find("database is locked"));
  }
  ASSERT_EQ(Result::kOk, WriteText(b_, "b"));
  ASSERT_EQ(Result::kOk, database_->CommitWrites());
  EXPECT_EQ("a", ReadText(a_));
  EXPECT_EQ(2, OtherConnection(path_).CountRows());
}

TEST_F(ObjectDatabaseTest, BusyCommitKeepsTheWritesForALaterCommit) {
  database_->SetBusyTimeout(std::chrono::milliseconds(50));
  ASSERT_EQ(Result::kOk, WriteText(a_, "a"));
  {
    OtherConnection reader(path_);
    ASSERT_EQ(SQLITE_OK, reader.Exec("BEGIN"));
    ASSERT_EQ("0", reader.Query("SELECT count(*) FROM objects"));
    EXPECT_EQ(Result::kError, database_->CommitWrites());
    EXPECT_TRUE(database_->HasPendingWrites());
  }
  ASSERT_EQ(Result::kOk, database_->CommitWrites());
  EXPECT_EQ(1, OtherConnection(path_).CountRows());
}

// The shared lock of a read transaction keeps another writer out until the
// reads end or a write of this connection begins its own transaction.
TEST_F(ObjectDatabaseTest, ReadsHoldOneLockUntilTheyEndOrAWriteBegins) {
  ASSERT_EQ(Result::kOk, WriteText(a_, "a"));
  ASSERT_EQ(Result::kOk, database_->CommitWrites());
  OtherConnection host(path_);
  ASSERT_TRUE(database_->BeginReads());
  EXPECT_EQ("a", ReadText(a_));
  EXPECT_EQ(SQLITE_BUSY, host.Exec("BEGIN EXCLUSIVE"));
  database_->EndReads();
  ASSERT_EQ(SQLITE_OK, host.Exec("BEGIN EXCLUSIVE"));
  ASSERT_EQ(SQLITE_OK, host.Exec("ROLLBACK"));

  ASSERT_TRUE(database_->BeginReads());
  EXPECT_EQ("a", ReadText(a_));
  ASSERT_EQ(Result::kOk, WriteText(b_, "b"));
  ASSERT_EQ(Result::kOk, database_->CommitWrites());
  EXPECT_EQ(2, host.CountRows());
  EXPECT_EQ(SQLITE_OK, host.Exec("BEGIN EXCLUSIVE"));
}

TEST_F(ObjectDatabaseTest, DamagedRowsAreReportedNotReturned) {
  ASSERT_EQ(Result::kOk, WriteText(a_, "abc"));
  ASSERT_EQ(Result::kOk, database_->Close());
  OtherConnection(path_).Exec("UPDATE objects SET type = 9");
  std::string reason;
  database_ = ObjectDatabase::Open(path_, &reason);
  ASSERT_TRUE(database_) << reason;
  EXPECT_EQ("<none>", ReadText(a_));
  EXPECT_NE(std::string::npos, database_->LastError().find("is damaged"));
}

TEST_F(ObjectDatabaseTest, OpenRefusesDatabasesOfAnotherSchema) {
  database_.reset();
  const auto reasonAfter = [this](const std::string& change) {
    std::string reason;
    OtherConnection(path_).Exec(change);
    EXPECT_FALSE(ObjectDatabase::Open(path_, &reason));
    return reason;
  };
  EXPECT_EQ("the object database has another schema", reasonAfter("PRAGMA user_version = 2"));
  EXPECT_EQ("the object database has another schema",
            reasonAfter("PRAGMA user_version = 1; ALTER TABLE objects ADD COLUMN extra TEXT"));
  EXPECT_EQ("the object database has another schema",
            reasonAfter("DROP TABLE objects; CREATE TABLE objects(oid BLOB PRIMARY KEY)"));
}

TEST(ObjectDatabaseOpenTest, NeverCreatesAMissingDatabase) {
  testing::TempFolder temp;
  std::string reason;
  EXPECT_FALSE(ObjectDatabase::Open(temp.Child("odb.sqlite3"), &reason));
  EXPECT_EQ("unable to open database file", reason);
  EXPECT_NE(0, access(temp.Child("odb.sqlite3").c_str(), F_OK));
}

}  // namespace
}  // namespace git
}  // namespace mevstorage
