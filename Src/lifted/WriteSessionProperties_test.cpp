#include "lifted/WriteSessionProperties.h"

#include <sys/stat.h>

#include <string>

#include <gtest/gtest.h>

#include "ScratchFolder.h"
#include "TestRepository.h"
#include "TestSupport.h"
#include "mevcore/threads/Threads.h"

namespace velders {
namespace {

namespace git = mevstorage::git;
using mevcore::utility::ImmutableString;
using mevcore::utility::ToUTF8;

const char kOldProperties[] =
    R"({"commitId":"c0ffee","description":"Night shots","name":"Alpha","tags":["sea","b"],"x":{"y":[1,null]}})";

class WriteSessionPropertiesTest : public testsupport::StorageTest {
 protected:
  WriteSessionPropertiesTest()
      : repository_(git::CreateRepository(
            mevcore::filesupport::Dir::FromNativePath(scratch_ / "git"))) {}

  // A history of two commits whose head tree holds "properties", two other
  // blobs and a sub-tree.
  void MakeHistory() {
    const git::CommitHandle first = testsupport::CommitTree(
        repository_, testsupport::MakeTree(repository_, {{"properties", "{}"}}), 1000000000);
    const git::TreeHandle media = testsupport::MakeTree(repository_, {{"clip.bin", "\x01\x02"}});
    headTree_ = testsupport::MakeTree(
        repository_, {{"properties", kOldProperties}, {"a.json", "{}"}, {"z", "last"}},
        {{"media", media}});
    testsupport::CommitTree(repository_, headTree_, 1000000100, first);
    oldHead_ = testsupport::ReferenceTarget(repository_, "HEAD");
  }

  SessionProperties Properties(const std::string& text) {
    return ParseSessionProperties(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  }

  std::string HeadProperties() {
    return testsupport::BlobText(repository_, testsupport::HeadTree(repository_), "properties");
  }

  git::CommitHandle Head() { return git::GetHeadCommit(repository_); }

  void ExpectCommitFailedReport() {
    const auto& sink = diagnostics_.sink;
    ASSERT_EQ(sink.logs.size(), 1u);
    const mevcore::logging::LogMessage& record = *sink.logs[0];
    const std::string path = git_repository_path(repository_->ptr);
    EXPECT_EQ(record.level, 4);
    EXPECT_EQ(record.line, 154);
    EXPECT_STREQ(record.file, "..\\..\\Src\\lifted");
    EXPECT_STREQ(record.function, "WriteSessionProperties");
    EXPECT_STREQ(record.category, "mevcore.StructuredLogging");
    EXPECT_STREQ(record.message, "Unable to commit properties");
    EXPECT_STREQ(record.values[0].name, "path");
    EXPECT_STREQ(record.values[1].name, "");
    EXPECT_EQ(mevcore::utility::ToNarrow(
                  boost::any_cast<const mevcore::utility::UTF8String&>(record.values[0].value)),
              path);
    ASSERT_EQ(sink.traces.size(), 1u);
    EXPECT_EQ(sink.traces[0], "<" + std::to_string(mevcore::threads::GetCurrentThreadID()) +
                                  "> <mevcore.StructuredLogging> <4> Unable to commit properties, path: " +
                                  path + "\r\n");
    EXPECT_TRUE(sink.asserts.empty());
  }

  samplehub::ScratchFolder scratch_;
  git::RepositoryHandle repository_;
  testsupport::RecordedDiagnostics diagnostics_;
  git::TreeHandle headTree_;
  std::string oldHead_;
};

TEST_F(WriteSessionPropertiesTest, CommitsNewPropertiesOnTopOfTheHeadTree) {
  MakeHistory();
  SessionProperties properties = Properties(kOldProperties);
  properties.name = ImmutableString::CreateStatic("Beta \xC3\xA9");
  ASSERT_TRUE(WriteSessionProperties(repository_, properties, ToUTF8("New name")));

  const git::CommitHandle head = Head();
  EXPECT_STREQ(git_commit_message(head->ptr), "New name");
  ASSERT_EQ(git_commit_parentcount(head->ptr), 1u);
  EXPECT_EQ(git::HexOf(*git_commit_parent_id(head->ptr, 0)), oldHead_);
  EXPECT_EQ(testsupport::ReferenceTarget(repository_, "refs/heads/production"),
            git::HexOf(*git_commit_id(head->ptr)));
  EXPECT_EQ(testsupport::TreeEntries(testsupport::HeadTree(repository_), "properties"),
            testsupport::TreeEntries(headTree_, "properties"));
  EXPECT_EQ(HeadProperties(),
            "{\"commitId\":\"c0ffee\",\"description\":\"Night shots\",\"name\":\"Beta \xC3\xA9\","
            "\"tags\":[\"sea\",\"b\"],\"x\":{\"y\":[1,null]}}");
  EXPECT_TRUE(diagnostics_.sink.logs.empty());
  EXPECT_TRUE(diagnostics_.sink.traces.empty());
}

TEST_F(WriteSessionPropertiesTest, EmptyRecordWritesTheFourKnownMembers) {
  MakeHistory();
  ASSERT_TRUE(WriteSessionProperties(repository_, SessionProperties(), ToUTF8("m")));
  EXPECT_EQ(HeadProperties(), R"({"commitId":"","description":"","name":"","tags":[]})");
}

TEST_F(WriteSessionPropertiesTest, HeadCommitWithoutItsTreeRaisesCommitFailure) {
  const std::string broken = git::HexOf(testsupport::CommitWithMissingTree(repository_));
  EXPECT_FALSE(WriteSessionProperties(repository_, Properties(kOldProperties), ToUTF8("m")));
  ExpectCommitFailedReport();
  EXPECT_EQ(testsupport::ReferenceTarget(repository_, "refs/heads/production"), broken);
}

TEST_F(WriteSessionPropertiesTest, RepositoryWithoutCommitsRaisesCommitFailure) {
  EXPECT_FALSE(WriteSessionProperties(repository_, Properties(kOldProperties), ToUTF8("m")));
  ExpectCommitFailedReport();
  EXPECT_EQ(testsupport::ReferenceTarget(repository_, "refs/heads/production"), "");
}

// The other steps, failing inside the storage library, say which step and why.
std::string Value(const mevcore::logging::LogMessage& record, int entry) {
  return mevcore::utility::ToNarrow(
      boost::any_cast<const mevcore::utility::UTF8String&>(record.values[entry].value));
}

TEST_F(WriteSessionPropertiesTest, ImmovableBranchRaisesTheStepReport) {
  MakeHistory();
  const std::string lock = scratch_ / "git/refs/heads/production.lock";
  ASSERT_EQ(0, ::mkdir(lock.c_str(), 0755));
  EXPECT_FALSE(WriteSessionProperties(repository_, Properties(kOldProperties), ToUTF8("m")));
  EXPECT_EQ(testsupport::ReferenceTarget(repository_, "refs/heads/production"), oldHead_);
  ASSERT_EQ(diagnostics_.sink.logs.size(), 1u);
  const mevcore::logging::LogMessage& record = *diagnostics_.sink.logs[0];
  EXPECT_EQ(record.line, 150);
  EXPECT_STREQ(record.category, "mevstorage");
  EXPECT_STREQ(record.message, "Unable to commit properties");
  EXPECT_EQ(Value(record, 0), git_repository_path(repository_->ptr));
  EXPECT_EQ(Value(record, 1), "move the branch");
  EXPECT_NE(Value(record, 2).find("production"), std::string::npos) << Value(record, 2);
}

}  // namespace
}  // namespace velders
