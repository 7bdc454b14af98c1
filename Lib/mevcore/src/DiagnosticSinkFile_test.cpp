#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <boost/date_time/posix_time/posix_time.hpp>
#include <boost/make_shared.hpp>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "mevcore/config/Config.h"
#include "mevcore/debug/Debug.h"
#include "mevcore/debug/DiagnosticSink.h"
#include "mevcore/logging/Logging.h"

namespace mevcore {
namespace {

namespace fs = std::filesystem;
using logging::LogMessage;

std::vector<std::string> LinesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string ContentOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void RestoreVariable(const char* name, const std::string& value, bool wasSet) {
  if (wasSet) {
    setenv(name, value.c_str(), 1);
  } else {
    unsetenv(name);
  }
}

// Points XDG_STATE_HOME at a fresh temporary folder (two levels that do not
// exist yet) and uses the file sink.
class FileSinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mevcore-diag-XXXXXX";
    root_ = mkdtemp(pattern);
    SaveVariable("XDG_STATE_HOME", savedState_, stateWasSet_);
    SaveVariable("HOME", savedHome_, homeWasSet_);
    stateHome_ = root_ / "state" / "nested";
    setenv("XDG_STATE_HOME", stateHome_.c_str(), 1);
    config::SetApplicationName(utility::AsciiToUTF16("Velders Test"));
    debug::SetDiagnosticSink(nullptr);
    debug::SetLoggingMuted(false);
  }

  void TearDown() override {
    RestoreVariable("XDG_STATE_HOME", savedState_, stateWasSet_);
    RestoreVariable("HOME", savedHome_, homeWasSet_);
    config::SetApplicationName(utility::UTF16String());
    fs::remove_all(root_);
  }

  fs::path Folder() const { return stateHome_ / "Velders Test"; }

  static void SaveVariable(const char* name, std::string& value, bool& wasSet) {
    const char* current = std::getenv(name);
    wasSet = current != nullptr;
    value = current ? current : "";
  }

  static boost::shared_ptr<LogMessage> SampleRecord() {
    auto record = boost::make_shared<LogMessage>();
    record->level = 3;
    record->line = 75;
    std::snprintf(record->file, sizeof record->file, "%s", "Model/Utils");
    std::snprintf(record->function, sizeof record->function, "%s", "ReadStringFile");
    std::snprintf(record->category, sizeof record->category, "%s", "mevcore.StructuredLogging");
    std::snprintf(record->message, sizeof record->message, "%s", "Caught exception");
    record->time = boost::posix_time::ptime(boost::gregorian::date(2017, 11, 20),
                                            boost::posix_time::time_duration(15, 44, 32, 123));
    record->thread = 4242;
    record->stack[0] = reinterpret_cast<void*>(0x1234);
    record->stack[2] = reinterpret_cast<void*>(0xabcdef);
    std::snprintf(record->values[0].name, sizeof record->values[0].name, "%s", "result");
    record->values[0].value = std::int64_t{-3};
    std::snprintf(record->values[1].name, sizeof record->values[1].name, "%s", "path");
    record->values[1].value = utility::ToUTF8("/home/ana/Velders Local Hub/Alpha \xc3\xa9");
    std::snprintf(record->values[2].name, sizeof record->values[2].name, "%s", "arg1");
    record->values[2].value = std::int64_t{0};
    return record;
  }

  fs::path root_;
  fs::path stateHome_;
  std::string savedState_, savedHome_;
  bool stateWasSet_ = false, homeWasSet_ = false;
};

TEST_F(FileSinkTest, RecordBecomesOneJsonLineWithEveryFieldInAFolderMadeOnFirstUse) {
  ASSERT_FALSE(fs::exists(stateHome_));
  logging::Log(SampleRecord());

  std::vector<std::string> lines = LinesOf(Folder() / "log.jsonl");
  ASSERT_EQ(lines.size(), 1u);
  nlohmann::json line = nlohmann::json::parse(lines[0]);
  EXPECT_EQ(line["level"], 3);
  EXPECT_EQ(line["category"], "mevcore.StructuredLogging");
  EXPECT_EQ(line["message"], "Caught exception");
  EXPECT_EQ(line["file"], "Model/Utils");
  EXPECT_EQ(line["line"], 75);
  EXPECT_EQ(line["function"], "ReadStringFile");
  EXPECT_EQ(line["time"], "2017-11-20T15:44:32.000123Z");
  EXPECT_EQ(line["thread"], 4242);
  EXPECT_EQ(line["stack"], nlohmann::json::array({"0x1234", "0xabcdef"}));
  EXPECT_EQ(lines[0].find("\"values\":{\"result\":-3,\"path\":\"/home/ana/Velders Local "
                          "Hub/Alpha \xc3\xa9\",\"arg1\":0}"),
            lines[0].find("\"values\""))
      << "values keep their entry order and skip unnamed entries: " << lines[0];
  EXPECT_EQ(line["values"].size(), 3u);
}

TEST_F(FileSinkTest, RecordsAppendAndAFolderDeletedMidRunIsMadeAgain) {
  logging::Log(SampleRecord());
  logging::Log(SampleRecord());
  EXPECT_EQ(LinesOf(Folder() / "log.jsonl").size(), 2u);

  fs::remove_all(stateHome_);
  logging::Log(SampleRecord());
  EXPECT_EQ(LinesOf(Folder() / "log.jsonl").size(), 1u);
}

TEST_F(FileSinkTest, TextThatIsNotUtf8StillGivesAParseableLine) {
  auto record = SampleRecord();
  std::snprintf(record->message, sizeof record->message, "%s", "bad \xff byte");
  record->values[1].value = utility::ToUTF8("/tmp/\xfe");
  logging::Log(record);

  std::vector<std::string> lines = LinesOf(Folder() / "log.jsonl");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(nlohmann::json::parse(lines[0])["message"], "bad \xef\xbf\xbd byte");
}

TEST_F(FileSinkTest, UnwritableFolderDropsEverythingSilently) {
  std::ofstream(root_ / "plain-file") << "x";
  setenv("XDG_STATE_HOME", (root_ / "plain-file" / "state").c_str(), 1);
  bool mute = false;

  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  EXPECT_NO_THROW(logging::Log(SampleRecord()));
  EXPECT_NO_THROW(debug::Trace("<1> <mevstorage> <4> Git operation error\r\n"));
  EXPECT_FALSE(debug::BreakAfterAssertDialog(mute, "false", "m\r\n", "f", 1, "g", true));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(mute);
}

TEST_F(FileSinkTest, NothingIsWrittenWithoutAnApplicationName) {
  config::SetApplicationName(utility::UTF16String());
  logging::Log(SampleRecord());
  debug::Trace("line\r\n");
  EXPECT_FALSE(fs::exists(stateHome_));
}

TEST_F(FileSinkTest, RelativeStateHomeIsIgnoredForTheHomeFolder) {
  setenv("XDG_STATE_HOME", "relative/state", 1);
  setenv("HOME", (root_ / "home").c_str(), 1);
  logging::Log(SampleRecord());
  EXPECT_EQ(LinesOf(root_ / "home" / ".local" / "state" / "Velders Test" / "log.jsonl").size(),
            1u);
}

TEST_F(FileSinkTest, TraceAppendsTheTextAsGiven) {
  debug::Trace("<7> <mevstorage> <4> first\r\n");
  debug::Trace("<7> <mevstorage> <4> second\r\n");
  EXPECT_EQ(ContentOf(Folder() / "trace.log"),
            "<7> <mevstorage> <4> first\r\n<7> <mevstorage> <4> second\r\n");
}

TEST_F(FileSinkTest, AssertionReportIsLoggedAndNeverAsksToBreak) {
  bool mute = false;
  EXPECT_FALSE(debug::BreakAfterAssertDialog(mute, "Logged an error.", "Caught exception\r\n",
                                             "Model/Utils", 51, "WriteStringFile", false));
  EXPECT_FALSE(mute);

  std::vector<std::string> lines = LinesOf(Folder() / "log.jsonl");
  ASSERT_EQ(lines.size(), 1u);
  nlohmann::json line = nlohmann::json::parse(lines[0]);
  EXPECT_EQ(line["assertion"], true);
  EXPECT_EQ(line["condition"], "Logged an error.");
  EXPECT_EQ(line["message"], "Caught exception\r\n");
  EXPECT_EQ(line["file"], "Model/Utils");
  EXPECT_EQ(line["line"], 51);
  EXPECT_EQ(line["function"], "WriteStringFile");
  EXPECT_EQ(line["thread"], static_cast<std::uint32_t>(gettid()));
  std::string time = line["time"];
  EXPECT_EQ(time.back(), 'Z');
  EXPECT_NO_THROW(boost::posix_time::from_iso_extended_string(time.substr(0, time.size() - 1)));
}

}  // namespace
}  // namespace mevcore
