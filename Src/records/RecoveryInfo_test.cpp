#include "records/RecoveryInfo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include <gtest/gtest.h>

#include "ScratchFolder.h"
#include "TestSupport.h"

namespace velders {
namespace {

using mevcore::filesupport::Dir;
using mevcore::utility::ImmutableString;
using testsupport::CapturedStderr;
using testsupport::ReadBytes;
using testsupport::RecordedDiagnostics;
using testsupport::ScopedTimeZone;
using testsupport::Utc;
using testsupport::WriteFile;

class RecoveryInfo : public ::testing::Test {
 protected:
  bool Write(const ImmutableString& name, const Dir& project) {
    return WriteRecoveryInfo(project, name, Utc("2017-11-20T15:44:32"), Utc("2017-11-19T13:00:00"));
  }
  bool Write(const char* name) { return Write(ImmutableString::CreateStatic(name), ProjectDir()); }
  Dir ProjectDir() const { return Dir::FromNativePath(scratch.Path()); }
  std::string FileBytes() const { return ReadBytes(scratch / "recovery_info.txt"); }

  ScopedTimeZone zone{testsupport::kEastern};
  samplehub::ScratchFolder scratch;
  RecordedDiagnostics diagnostics;
  CapturedStderr console;
};

TEST_F(RecoveryInfo, WorkedExampleFileBytes) {
  ASSERT_TRUE(Write("Alpha"));
  EXPECT_EQ(
      "Project: Alpha\r\n"
      "New project name: Alpha (Recovered 2017-11-20T10:44:32)\r\n"
      "(Recovered: 2017-11-20T10:44:32 (2017-11-20T15:44:32 UTC); Last modified time at "
      "recovery: 2017-11-19T08:00:00 (2017-11-19T13:00:00 UTC))\r\n"
      "Velders Recovery: 1.0.1",
      FileBytes());
  EXPECT_EQ("", console.Text());
}

TEST_F(RecoveryInfo, EmptyAndNonAsciiNames) {
  ASSERT_TRUE(Write(""));
  EXPECT_EQ(0u, FileBytes().find("Project: \r\nNew project name:  (Recovered 2017-11-20T10:44:32)\r\n"));
  ASSERT_TRUE(Write("Gr\xc3\xbc\xc3\x9f \xe6\x97\xa5"));
  EXPECT_EQ(0u, FileBytes().find("Project: Gr\xc3\xbc\xc3\x9f \xe6\x97\xa5\r\n"
                                 "New project name: Gr\xc3\xbc\xc3\x9f \xe6\x97\xa5 (Recovered "));
}

TEST_F(RecoveryInfo, ALongerExistingFileIsReplacedWhole) {
  WriteFile(scratch / "recovery_info.txt", std::string(4096, '#'));
  ASSERT_TRUE(Write("Alpha"));
  const std::string bytes = FileBytes();
  EXPECT_EQ(0u, bytes.find("Project: Alpha\r\n"));
  EXPECT_EQ(std::string::npos, bytes.find('#'));
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ('1', bytes.back());
  EXPECT_EQ(3, std::count(bytes.begin(), bytes.end(), '\n'));
}

TEST_F(RecoveryInfo, AFailedWritePrintsTheFolderAndGivesFalse) {
  ASSERT_EQ(0, ::mkdir((scratch / "recovery_info.txt").c_str(), 0700));
  EXPECT_FALSE(Write("Alpha"));
  EXPECT_EQ("", console.Text());
  EXPECT_EQ(1u, diagnostics.sink.asserts.size());
}

TEST_F(RecoveryInfo, TheFolderPathIsShownWithItsControlCharactersEscaped) {
  WriteFile(scratch / "blocker", "");
  const Dir project = Dir::FromNativePath(scratch / "blocker/pro\x1b[2Jject");
  EXPECT_FALSE(Write(ImmutableString::CreateStatic("Alpha"), project));
  EXPECT_EQ("", console.Text());
}

TEST_F(RecoveryInfo, ATimeThatCannotBeConvertedWritesNothing) {
  const boost::posix_time::ptime missing(boost::posix_time::not_a_date_time);
  EXPECT_THROW(WriteRecoveryInfo(ProjectDir(), ImmutableString::CreateStatic("Alpha"),
                                 Utc("2017-11-20T15:44:32"), missing),
               std::exception);
  EXPECT_THROW(WriteRecoveryInfo(ProjectDir(), ImmutableString::CreateStatic("Alpha"),
                                 Utc("1969-12-31T23:59:59"), Utc("2017-11-19T13:00:00")),
               std::out_of_range);
  EXPECT_EQ("", console.Text());
  EXPECT_NE(0, ::access((scratch / "recovery_info.txt").c_str(), F_OK));
}

}  // namespace
}  // namespace velders
