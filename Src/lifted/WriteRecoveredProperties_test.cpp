#include "lifted/WriteSessionProperties.h"

#include <string>

#include <boost/date_time/posix_time/posix_time.hpp>
#include <gtest/gtest.h>

#include "GitExport.h"
#include "SampleHub.h"
#include "TestRepository.h"
#include "TestSupport.h"
#include "lifted/ReadSessionProperties.h"

namespace velders {
namespace {

namespace git = mevstorage::git;
using boost::posix_time::ptime;
using boost::posix_time::time_duration;

const char kNote[] =
    "(Recovered: 2017-11-20T10:44:32 (2017-11-20T15:44:32 UTC); "
    "Last modified time at recovery: 2017-11-19T08:00:00 (2017-11-19T13:00:00 UTC))";

// A sample project "Alpha", read as the recovery reads it.
class WriteRecoveredPropertiesTest : public testsupport::StorageTest {
 protected:
  void MakeAlpha(const std::string& description) {
    samplehub::SampleProject project;
    project.folderName = "Alpha.vd2";
    project.propertiesText = R"({"commitId":"c1","description":")" + description +
                             R"(","name":"Alpha","tags":["sea"],"zone":-5})";
    project.commitTimes = {1511010000, 1511096400};
    project.treeFiles = {{"data/model.json", "{\"m\":1}"}, {"notes.txt", "n"}};
    gitFolder_ = samplehub::MakeProject(scratch_.Path(), project) + "/git";
    oldTree_ = samplehub::ReadHeadTree(gitFolder_);
    oldHead_ = samplehub::ReadHeadCommit(gitFolder_).id;
    repository_ = git::SQLite3OdbBackend::OpenRepository(
        mevcore::filesupport::Dir::FromNativePath(gitFolder_));
    ASSERT_TRUE(ReadSessionProperties(repository_, lastModified_, properties_));
  }

  // Releases the repository, as the recovery does before it looks again.
  void Release() { repository_.reset(); }

  std::string Properties() { return samplehub::ReadHeadProperties(gitFolder_); }

  testsupport::ScopedTimeZone zone_{testsupport::kEastern};
  samplehub::ScratchFolder scratch_;
  testsupport::RecordedDiagnostics diagnostics_;
  std::string gitFolder_;
  std::map<std::string, std::string> oldTree_;
  std::string oldHead_;
  git::RepositoryHandle repository_;
  ptime lastModified_{boost::posix_time::not_a_date_time};
  SessionProperties properties_;
  const ptime recovery_{boost::gregorian::date(2017, 11, 20), time_duration(15, 44, 32)};
};

TEST_F(WriteRecoveredPropertiesTest, WorkedExampleGivesExactNameDescriptionAndMessage) {
  MakeAlpha("Harbour");
  ASSERT_EQ(lastModified_, ptime(boost::gregorian::date(2017, 11, 19), time_duration(13, 0, 0)));
  ASSERT_TRUE(WriteRecoveredProperties(repository_, properties_, recovery_, lastModified_));
  Release();

  EXPECT_EQ(Properties(), std::string(R"({"commitId":"c1","description":"Harbour )") + kNote +
                              R"j(","name":"Alpha (Recovered 2017-11-20T10:44:32)","tags":["sea"],"zone":-5})j");
  const samplehub::HeadCommit head = samplehub::ReadHeadCommit(gitFolder_);
  EXPECT_EQ(head.message, std::string("Velders Recovery ") + kNote);
  EXPECT_EQ(head.parentCount, 1u);
  EXPECT_EQ(samplehub::ReadBranchTarget(gitFolder_, "production"), head.id);
  EXPECT_EQ(samplehub::CountHeadHistory(gitFolder_), 3u);

  std::map<std::string, std::string> tree = samplehub::ReadHeadTree(gitFolder_);
  EXPECT_NE(tree.at("properties"), oldTree_.at("properties"));
  tree.erase("properties");
  oldTree_.erase("properties");
  EXPECT_EQ(tree, oldTree_);
}

TEST_F(WriteRecoveredPropertiesTest, RecoveredRepositoryPassesStrictFsck) {
  MakeAlpha("Harbour");
  ASSERT_TRUE(WriteRecoveredProperties(repository_, properties_, recovery_, lastModified_));
  Release();
  const mevcore::filesupport::Dir exported = mevcore::filesupport::Dir::FromNativePath(scratch_ / "plain");
  mevstorage::testing::ExportToPlainGit(mevcore::filesupport::Dir::FromNativePath(gitFolder_), exported);
  const mevstorage::testing::GitResult fsck = mevstorage::testing::RunGitFsck(exported);
  EXPECT_EQ(fsck.exitStatus, 0) << fsck.output;
}

TEST_F(WriteRecoveredPropertiesTest, EmptyDescriptionBecomesTheNoteAlone) {
  MakeAlpha("");
  ASSERT_TRUE(WriteRecoveredProperties(repository_, properties_, recovery_, lastModified_));
  Release();
  EXPECT_NE(Properties().find(std::string("\"description\":\"") + kNote + "\""), std::string::npos);
}

TEST_F(WriteRecoveredPropertiesTest, CallersRecordIsNotChanged) {
  MakeAlpha("Harbour");
  ASSERT_TRUE(WriteRecoveredProperties(repository_, properties_, recovery_, lastModified_));
  EXPECT_STREQ(properties_.name.c_str(), "Alpha");
  EXPECT_STREQ(properties_.description.c_str(), "Harbour");
  EXPECT_STREQ(properties_.commitId.c_str(), "c1");
}

TEST_F(WriteRecoveredPropertiesTest, TimeThatCannotBeConvertedWritesNothing) {
  MakeAlpha("Harbour");
  EXPECT_ANY_THROW(WriteRecoveredProperties(repository_, properties_, recovery_,
                                            ptime(boost::posix_time::not_a_date_time)));
  EXPECT_THROW(WriteRecoveredProperties(repository_, properties_, recovery_,
                                        ptime(boost::gregorian::date(1969, 12, 31),
                                              time_duration(23, 59, 59))),
               std::out_of_range);
  Release();
  EXPECT_EQ(samplehub::ReadHeadCommit(gitFolder_).id, oldHead_);
}

}  // namespace
}  // namespace velders
