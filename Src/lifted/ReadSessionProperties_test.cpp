#include "lifted/ReadSessionProperties.h"

#include <fstream>
#include <string>

#include <boost/date_time/posix_time/posix_time.hpp>
#include <gtest/gtest.h>

#include "ScratchFolder.h"
#include "TestRepository.h"
#include "TestSupport.h"
#include "lifted/GitErrorReport.h"
#include "mevcore/threads/Threads.h"

namespace velders {
namespace {

namespace git = mevstorage::git;
using boost::posix_time::ptime;
using mevcore::logging::LogMessage;
using mevcore::utility::UTF8String;

std::int64_t IntValue(const LogMessage& record, int entry) {
  return boost::any_cast<std::int64_t>(record.values[entry].value);
}

std::string TextValue(const LogMessage& record, int entry) {
  return mevcore::utility::ToNarrow(boost::any_cast<const UTF8String&>(record.values[entry].value));
}

std::string TracePrefix() {
  return "<" + std::to_string(mevcore::threads::GetCurrentThreadID()) + "> <mevstorage> <4> ";
}

// Checks a "Git operation error" record and its trace line.
void ExpectGitErrorReport(const mevcore::debug::RecordingSink& sink, std::int32_t line,
                          const char* function) {
  ASSERT_EQ(sink.logs.size(), 1u);
  const LogMessage& record = *sink.logs[0];
  EXPECT_EQ(record.level, 4);
  EXPECT_EQ(record.line, line);
  EXPECT_STREQ(record.file, "..\\..\\Src\\lifted");
  EXPECT_STREQ(record.function, function);
  EXPECT_STREQ(record.category, "mevstorage");
  EXPECT_STREQ(record.message, "Git operation error");
  EXPECT_STREQ(record.values[0].name, "result");
  EXPECT_STREQ(record.values[1].name, "arg1");
  EXPECT_STREQ(record.values[2].name, "error");
  EXPECT_STREQ(record.values[3].name, "message");
  EXPECT_STREQ(record.values[4].name, "");
  EXPECT_NE(IntValue(record, 0), 0);
  EXPECT_EQ(IntValue(record, 1), 0);
  ASSERT_EQ(sink.traces.size(), 1u);
  EXPECT_EQ(sink.traces[0], TracePrefix() + "Git operation error, result: " +
                                std::to_string(IntValue(record, 0)) + ", arg1: 0, error: " +
                                std::to_string(IntValue(record, 2)) +
                                ", message: " + TextValue(record, 3) + "\r\n");
  EXPECT_TRUE(sink.asserts.empty());
}

class ReadSessionPropertiesTest : public testsupport::StorageTest {
 protected:
  ReadSessionPropertiesTest()
      : repository_(git::CreateRepository(
            mevcore::filesupport::Dir::FromNativePath(scratch_ / "git"))) {}

  git::CommitHandle CommitProperties(const std::string& properties, std::int64_t time) {
    return testsupport::CommitTree(
        repository_, testsupport::MakeTree(repository_, {{"properties", properties}}), time);
  }

  bool Read() { return ReadSessionProperties(repository_, time_, properties_); }

  void ExpectOutputsUntouched() {
    EXPECT_TRUE(time_.is_not_a_date_time());
    EXPECT_TRUE(properties_.name.empty());
    EXPECT_TRUE(properties_.otherProperties.empty());
  }

  samplehub::ScratchFolder scratch_;
  git::RepositoryHandle repository_;
  testsupport::RecordedDiagnostics diagnostics_;
  ptime time_{boost::posix_time::not_a_date_time};
  SessionProperties properties_;
};

TEST_F(ReadSessionPropertiesTest, ReadsHeadPropertiesAndCommitTime) {
  const git::CommitHandle first = CommitProperties(R"({"name":"Old"})", 999999000);
  testsupport::CommitTree(
      repository_,
      testsupport::MakeTree(repository_, {{"properties", R"({"name":"Alpha","x":1})"}, {"a", "b"}}),
      1000000000, first);
  ASSERT_TRUE(Read());
  EXPECT_EQ(std::string(properties_.name.c_str()), "Alpha");
  EXPECT_EQ(properties_.otherProperties.size(), 1u);
  EXPECT_EQ(time_, ptime(boost::gregorian::date(2001, 9, 9), boost::posix_time::time_duration(1, 46, 40)));
  EXPECT_TRUE(diagnostics_.sink.logs.empty());
  EXPECT_TRUE(diagnostics_.sink.traces.empty());
}

TEST_F(ReadSessionPropertiesTest, CommitTimesAfter2038KeepTheirDate) {
  CommitProperties("{}", 4102444800);  // 2100-01-01T00:00:00 UTC
  ASSERT_TRUE(Read());
  EXPECT_EQ(time_, ptime(boost::gregorian::date(2100, 1, 1)));
}

TEST_F(ReadSessionPropertiesTest, UnresolvableHeadRaisesReportA) {
  EXPECT_FALSE(Read());
  ExpectOutputsUntouched();
  ExpectGitErrorReport(diagnostics_.sink, 90, "ReadSessionProperties");
  const LogMessage& record = *diagnostics_.sink.logs[0];
  EXPECT_EQ(IntValue(record, 0), GIT_ENOTFOUND);
  EXPECT_EQ(IntValue(record, 2), GIT_ERROR_REFERENCE);
  EXPECT_NE(TextValue(record, 3).find("production"), std::string::npos);
}

TEST_F(ReadSessionPropertiesTest, MissingTreeObjectRaisesReportB) {
  testsupport::CommitWithMissingTree(repository_);
  EXPECT_FALSE(Read());
  ExpectOutputsUntouched();
  ExpectGitErrorReport(diagnostics_.sink, 94, "ReadSessionProperties");
}

TEST_F(ReadSessionPropertiesTest, TreeWithoutPropertiesBlobIsFalseWithoutReport) {
  testsupport::CommitTree(repository_, testsupport::MakeTree(repository_, {{"other", "{}"}}), 1000000000);
  EXPECT_FALSE(Read());
  ExpectOutputsUntouched();
  EXPECT_TRUE(diagnostics_.sink.logs.empty());
  EXPECT_TRUE(diagnostics_.sink.traces.empty());
  EXPECT_TRUE(diagnostics_.sink.asserts.empty());
}

TEST_F(ReadSessionPropertiesTest, HeadNamingAMissingCommitRaisesItsReport) {
  CommitProperties("{}", 1000000000);
  std::ofstream(scratch_ / "git/refs/heads/production", std::ios::trunc)
      << "0123456789abcdef0123456789abcdef01234567\n";
  EXPECT_FALSE(Read());
  ExpectOutputsUntouched();
  ExpectGitErrorReport(diagnostics_.sink, 92, "ReadSessionProperties");
  EXPECT_EQ(IntValue(*diagnostics_.sink.logs[0], 0), GIT_ENOTFOUND);
}

TEST_F(ReadSessionPropertiesTest, PropertiesBlobMissingFromTheStoreRaisesItsReport) {
  // A tree whose "properties" entry names a blob the database does not hold.
  std::string tree("100644 properties");
  tree += '\0';
  tree += std::string(20, '\x42');
  git::Wrap<git_odb> odb;
  testsupport::CheckGit(git_repository_odb(&odb.ptr, repository_->ptr), "odb");
  git_oid treeId;
  testsupport::CheckGit(git_odb_write(&treeId, odb.ptr, tree.data(), tree.size(), GIT_OBJECT_TREE),
                        "tree write");
  testsupport::CommitTree(repository_, testsupport::LookupTree(repository_, treeId), 1000000000);
  EXPECT_FALSE(Read());
  ExpectOutputsUntouched();
  ExpectGitErrorReport(diagnostics_.sink, 98, "ReadSessionProperties");
  EXPECT_EQ(IntValue(*diagnostics_.sink.logs[0], 0), GIT_ENOTFOUND);
}

TEST_F(ReadSessionPropertiesTest, PropertiesThatAreATreeAreFalseWithoutReport) {
  const git::TreeHandle inner = testsupport::MakeTree(repository_, {{"name", "A"}});
  testsupport::CommitTree(repository_, testsupport::MakeTree(repository_, {}, {{"properties", inner}}),
                          1000000000);
  EXPECT_FALSE(Read());
  ExpectOutputsUntouched();
  EXPECT_TRUE(diagnostics_.sink.asserts.empty());
  EXPECT_TRUE(diagnostics_.sink.logs.empty());
}

TEST_F(ReadSessionPropertiesTest, PropertiesThatAreNotJsonRaiseTheAssertion) {
  CommitProperties("name=Alpha", 1000000000);
  EXPECT_FALSE(Read());
  ExpectOutputsUntouched();
  ASSERT_EQ(diagnostics_.sink.asserts.size(), 1u);
  EXPECT_EQ(diagnostics_.sink.asserts[0].line, 74);
  EXPECT_EQ(diagnostics_.sink.asserts[0].message, "JSON not well-formed\r\n");
  EXPECT_TRUE(diagnostics_.sink.logs.empty());
}

TEST_F(ReadSessionPropertiesTest, GitErrorWithoutLastErrorCarriesZeroAndEmptyText) {
  git_error_clear();
  ReportGitError(sites::readTreeFailed, -1);
  ExpectGitErrorReport(diagnostics_.sink, 94, "ReadSessionProperties");
  const LogMessage& record = *diagnostics_.sink.logs[0];
  EXPECT_EQ(IntValue(record, 2), 0);
  EXPECT_EQ(TextValue(record, 3), "");
  EXPECT_EQ(diagnostics_.sink.traces[0],
            TracePrefix() + "Git operation error, result: -1, arg1: 0, error: 0, message: \r\n");
}

}  // namespace
}  // namespace velders
