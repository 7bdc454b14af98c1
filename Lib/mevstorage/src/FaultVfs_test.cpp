#include "FaultVfs.h"

#include <sqlite3.h>

#include "ObjectDatabase.h"
#include "RepositoryAccess.h"
#include "StorageTestSupport.h"
#include "mevcore/config/Config.h"
#include "mevcore/debug/DiagnosticSink.h"
#include "mevcore/filesupport/FaultPlan.h"

namespace mevstorage {
namespace git {
namespace {

using mevcore::filesupport::FaultPlan;

// A started library over a new repository, with the diagnostics caught.
class CountedVfsTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    mevcore::config::SetApplicationName(mevcore::utility::AsciiToUTF16("Storage Test"));
    mevcore::debug::SetLoggingMuted(false);
    mevcore::debug::SetDiagnosticSink(&sink_);
    repository_ = CreateRepository(GitFolder());
    base_ = CommitTreeAt(repository_, MakeTree(repository_, {{"properties", "{}"}}),
                         CommitHandle(), "base\n", 1000000000);
    repository_.reset();
  }
  void TearDown() override {
    mevcore::filesupport::SetFaultPlan(nullptr);
    mevcore::debug::SetDiagnosticSink(nullptr);
    repository_.reset();
    StorageTest::TearDown();
  }

  // Opens the repository, writes one blob and flushes it: the steps of a
  // commit's first half. True when all went through.
  bool WriteAndFlush(const std::string& content) {
    RepositoryHandle repository = SQLite3OdbBackend::OpenRepository(GitFolder());
    const git_oid id = WriteBlob(repository, content.data(), content.size());
    return !git_oid_is_zero(&id) && Flushed(repository);
  }

  std::string IntegrityCheck() {
    sqlite3* db = nullptr;
    sqlite3_open(DatabasePath().c_str(), &db);
    sqlite3_stmt* statement = nullptr;
    std::string answer = "<error>";
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      answer = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return answer;
  }

  mevcore::debug::RecordingSink sink_;
  RepositoryHandle repository_;
  CommitHandle base_;
};

TEST_F(CountedVfsTest, WithoutAPlanEverythingGoesThroughUncounted) {
  EXPECT_TRUE(RegisterCountedVfs());
  EXPECT_NE(nullptr, sqlite3_vfs_find(kCountedVfsName));
  EXPECT_NE(sqlite3_vfs_find(nullptr), sqlite3_vfs_find(kCountedVfsName));
  EXPECT_TRUE(WriteAndFlush("no plan"));
  EXPECT_TRUE(sink_.logs.empty());
}

TEST_F(CountedVfsTest, ThePlanCountsTheDatabaseCalls) {
  FaultPlan plan = FaultPlan::Counting();
  mevcore::filesupport::SetFaultPlan(&plan);
  ASSERT_TRUE(WriteAndFlush("counted"));
  mevcore::filesupport::SetFaultPlan(nullptr);
  // At least: open, lock, read the header, write the journal and the page,
  // sync both, delete the journal.
  EXPECT_GE(plan.Calls(), 8u);
}

// Every call of writing and committing one object fails in turn: the write
// either goes through whole or fails with an error naming the database, and
// the database always stays sound with the earlier commit readable.
TEST_F(CountedVfsTest, EachFailedCallLosesNothingAndIsReported) {
  FaultPlan counting = FaultPlan::Counting();
  mevcore::filesupport::SetFaultPlan(&counting);
  ASSERT_TRUE(WriteAndFlush("first"));
  mevcore::filesupport::SetFaultPlan(nullptr);
  std::size_t failed = 0;
  for (std::uint64_t n = 1; n <= counting.Calls(); ++n) {
    SCOPED_TRACE("failed call " + std::to_string(n));
    sink_.logs.clear();
    FaultPlan plan = FaultPlan::FailingAt(n);
    mevcore::filesupport::SetFaultPlan(&plan);
    bool written = false;
    bool threw = false;
    try {
      written = WriteAndFlush("content " + std::to_string(n));
    } catch (const StorageError& error) {
      threw = true;
      EXPECT_NE(std::string::npos, std::string(error.what()).find(GitPath())) << error.what();
    }
    mevcore::filesupport::SetFaultPlan(nullptr);
    ASSERT_TRUE(plan.Fired());
    if (!written) ++failed;
    if (!written && !threw) {
      EXPECT_NE(std::string::npos, LastGitError().find(DatabasePath())) << plan.FiredCall();
    }
    EXPECT_EQ("ok", IntegrityCheck());
    RepositoryHandle reopened = SQLite3OdbBackend::OpenRepository(GitFolder());
    git_commit* commit = nullptr;
    EXPECT_EQ(0, git_commit_lookup(&commit, reopened->ptr, git_commit_id(base_->ptr)));
    git_commit_free(commit);
  }
  EXPECT_GT(failed, 0u);
}

TEST_F(CountedVfsTest, ABusyLockIsWaitedOutAndAnIoErrorReported) {
  RepositoryHandle repository = SQLite3OdbBackend::OpenRepository(GitFolder());
  bool sawBusy = false, sawIoError = false;
  for (std::uint64_t n = 1; n <= 12; ++n) {
    sink_.logs.clear();
    FaultPlan plan = FaultPlan::FailingAt(n);
    mevcore::filesupport::SetFaultPlan(&plan);
    const std::string content = "locked " + std::to_string(n);
    const git_oid id = WriteBlob(repository, content.data(), content.size());
    const bool flushed = !git_oid_is_zero(&id) && Flushed(repository);
    mevcore::filesupport::SetFaultPlan(nullptr);
    if (!plan.Fired() || plan.FiredCall().rfind("lock ", 0) != 0) continue;
    SCOPED_TRACE(plan.FiredCall());
    if (mevcore::filesupport::FittingError(mevcore::filesupport::FaultKind::kLock, n) == EBUSY) {
      sawBusy = true;
      EXPECT_TRUE(flushed);
      EXPECT_TRUE(sink_.logs.empty());
    } else {
      sawIoError = true;
      EXPECT_FALSE(flushed);
      EXPECT_NE(std::string::npos, LastGitError().find(DatabasePath()));
      repository = SQLite3OdbBackend::OpenRepository(GitFolder());
    }
  }
  EXPECT_TRUE(sawBusy);
  EXPECT_TRUE(sawIoError);
}

// Readers may drop a project whose head commit cannot be read without a
// word; the reason goes to the diagnostics.
TEST_F(CountedVfsTest, AFailedReadIsReported) {
  RepositoryHandle repository = SQLite3OdbBackend::OpenRepository(GitFolder());
  FaultPlan plan = FaultPlan::FailingAt(3);  // lock, hot-journal check, then the read
  mevcore::filesupport::SetFaultPlan(&plan);
  git_commit* commit = nullptr;
  const int looked = git_commit_lookup(&commit, repository->ptr, git_commit_id(base_->ptr));
  mevcore::filesupport::SetFaultPlan(nullptr);
  git_commit_free(commit);
  ASSERT_TRUE(plan.Fired());
  EXPECT_NE(0, looked) << plan.FiredCall();
  ASSERT_EQ(1u, sink_.logs.size()) << plan.FiredCall();
  const mevcore::logging::LogMessage& record = *sink_.logs[0];
  EXPECT_EQ(4, record.level);
  EXPECT_STREQ("mevstorage", record.category);
  EXPECT_STREQ("Unable to read the object database", record.message);
  EXPECT_STREQ("path", record.values[0].name);
  EXPECT_STREQ("reason", record.values[1].name);
  const std::string reason = mevcore::utility::ToNarrow(
      boost::any_cast<const mevcore::utility::UTF8String&>(record.values[1].value));
  EXPECT_NE(std::string::npos, reason.find(HexOf(*git_commit_id(base_->ptr)))) << reason;
}

}  // namespace
}  // namespace git
}  // namespace mevstorage
