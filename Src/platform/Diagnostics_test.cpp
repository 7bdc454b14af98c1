#include "platform/Diagnostics.h"

#include <csignal>
#include <cstdlib>
#include <string>

#include <boost/date_time/posix_time/posix_time.hpp>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DiagnosticsTesting.h"
#include "mevcore/threads/Threads.h"

namespace velders {
namespace {

using mevcore::debug::TraceEnabledCallCount;
using mevcore::logging::LogMessage;
using mevcore::utility::UTF8String;

ReportSite GitSite() {
  return ReportSite{4, "mevstorage", "Git operation error", "lifted", 90, "ReadSessionProperties"};
}

ReportSite FileSite() {
  return ReportSite{3, "mevcore.StructuredLogging", "Caught exception attempting to read from file",
                    "Model/Utils", 75, "YondraLocalHub::ReadStringFile"};
}

std::string TextOf(const boost::any& value) {
  return mevcore::utility::ToNarrow(boost::any_cast<UTF8String>(value));
}

using ReportTest = DiagnosticsTest;

TEST_F(ReportTest, Level4RecordCarriesTheSiteAndItsValuesWithoutStack) {
  ReportSite site = GitSite();
  const auto before = boost::posix_time::microsec_clock::universal_time();
  Report(site, {{"result", -3}, {"arg1", 0}, {"error", 0}, {"message", ""}});
  const auto after = boost::posix_time::microsec_clock::universal_time();

  ASSERT_EQ(sink_.logs.size(), 1u);
  const LogMessage& record = *sink_.logs[0];
  EXPECT_EQ(record.level, 4);
  EXPECT_STREQ(record.category, "mevstorage");
  EXPECT_STREQ(record.message, "Git operation error");
  EXPECT_STREQ(record.file, "lifted");
  EXPECT_EQ(record.line, 90);
  EXPECT_STREQ(record.function, "ReadSessionProperties");
  EXPECT_EQ(record.thread, mevcore::threads::GetCurrentThreadID());
  EXPECT_LE(before, record.time);
  EXPECT_LE(record.time, after);
  for (void* address : record.stack) EXPECT_EQ(address, nullptr);
  for (unsigned char byte : record.reserved) ASSERT_EQ(byte, 0);

  EXPECT_STREQ(record.values[0].name, "result");
  EXPECT_EQ(boost::any_cast<std::int64_t>(record.values[0].value), -3);
  EXPECT_STREQ(record.values[1].name, "arg1");
  EXPECT_EQ(boost::any_cast<std::int64_t>(record.values[1].value), 0);
  EXPECT_STREQ(record.values[2].name, "error");
  EXPECT_EQ(boost::any_cast<std::int64_t>(record.values[2].value), 0);
  EXPECT_STREQ(record.values[3].name, "message");
  EXPECT_EQ(TextOf(record.values[3].value), "");
  for (int i = 4; i < mevcore::logging::kLogValueCount; ++i) {
    EXPECT_STREQ(record.values[i].name, "") << i;
    EXPECT_TRUE(record.values[i].value.empty()) << i;
  }
  EXPECT_TRUE(sink_.asserts.empty()) << "level 4 raises no assertion report";
}

TEST_F(ReportTest, Level3RecordCarriesAddressesAndUtf16PathAsUtf8) {
  ReportSite site = FileSite();
  Report(site, {{"exception", "Unable to open"},
                {"path", mevcore::utility::UTF8to16(mevcore::utility::ToUTF8("/h/\xc3\xa9.txt"))}});

  ASSERT_EQ(sink_.logs.size(), 1u);
  const LogMessage& record = *sink_.logs[0];
  EXPECT_NE(record.stack[0], nullptr);
  EXPECT_NE(record.stack[1], nullptr);
  EXPECT_EQ(TextOf(record.values[0].value), "Unable to open");
  EXPECT_EQ(TextOf(record.values[1].value), "/h/\xc3\xa9.txt");
  EXPECT_STREQ(record.values[2].name, "");
}

TEST_F(ReportTest, LongTextsAreCutAndZeroTerminated) {
  const std::string longText(700, 'x');
  ReportSite site{4, longText.c_str(), longText.c_str(), longText.c_str(), 1, longText.c_str()};
  Report(site, {{longText.c_str(), 1}});

  ASSERT_EQ(sink_.logs.size(), 1u);
  const LogMessage& record = *sink_.logs[0];
  EXPECT_EQ(std::string(record.file), std::string(255, 'x'));
  EXPECT_EQ(std::string(record.function), std::string(511, 'x'));
  EXPECT_EQ(std::string(record.category), std::string(63, 'x'));
  EXPECT_EQ(std::string(record.message), std::string(127, 'x'));
  EXPECT_EQ(std::string(record.values[0].name), std::string(31, 'x'));
}

TEST_F(ReportTest, LoggingOffStillTracesAndAsserts) {
  mevcore::debug::SetLoggingMuted(true);
  mevcore::debug::SetTraceCategories("mevcore.StructuredLogging");
  ReportSite site = FileSite();
  Report(site, {{"exception", "boom"}, {"path", "/p"}});
  mevcore::debug::SetLoggingMuted(false);

  EXPECT_TRUE(sink_.logs.empty());
  EXPECT_EQ(sink_.traces.size(), 1u);
  ASSERT_EQ(sink_.asserts.size(), 1u);
  const mevcore::debug::AssertReport& report = sink_.asserts[0];
  EXPECT_EQ(report.condition, "Logged an error.");
  EXPECT_EQ(report.message, "Caught exception attempting to read from file\r\n");
  EXPECT_EQ(report.file, "Model/Utils");
  EXPECT_EQ(report.line, 75);
  EXPECT_EQ(report.function, "YondraLocalHub::ReadStringFile");
  EXPECT_FALSE(report.isAssert);
}

TEST_F(ReportTest, SentTraceLineIsTheComposedOne) {
  mevcore::debug::SetTraceCategories("mevstorage");
  ReportSite site = GitSite();
  Report(site, {{"result", -3}, {"arg1", 0}, {"error", 0}, {"message", ""}});

  ASSERT_EQ(sink_.traces.size(), 1u);
  EXPECT_EQ(sink_.traces[0],
            ComposeTraceLine(site, mevcore::threads::GetCurrentThreadID(),
                             {{"result", -3}, {"arg1", 0}, {"error", 0}, {"message", ""}}));
}

TEST_F(ReportTest, TraceAnswerIsCachedUntilTheCountMoves) {
  mevcore::debug::SetTraceCategories("mevstorage");
  ReportSite site = GitSite();
  const std::uint64_t calls = TraceEnabledCallCount();

  Report(site, {});
  Report(site, {});
  EXPECT_EQ(TraceEnabledCallCount(), calls + 1);
  EXPECT_EQ(site.lastTraceChangeCount, mevcore::debug::TraceChangeCount());
  EXPECT_EQ(sink_.traces.size(), 2u);

  mevcore::debug::SetTraceCategories("");
  Report(site, {});
  EXPECT_EQ(TraceEnabledCallCount(), calls + 2);
  EXPECT_EQ(sink_.traces.size(), 2u) << "the new answer is used";

  mevcore::debug::BumpTraceChangeCount();
  Report(site, {});
  EXPECT_EQ(TraceEnabledCallCount(), calls + 3);
}

TEST_F(ReportTest, SitesOfTheSameCategoryKeepSeparateCaches) {
  ReportSite first = GitSite();
  ReportSite second = GitSite();
  const std::uint64_t calls = TraceEnabledCallCount();
  Report(first, {});
  Report(second, {});
  Report(first, {});
  EXPECT_EQ(TraceEnabledCallCount(), calls + 2);
}

// In a fresh process the trace change count is 0, which still differs from a
// site's initial -1.
TEST(FreshProcessReportTest, FirstReportAsksEvenAtCountZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        mevcore::debug::RecordingSink sink;
        mevcore::debug::SetDiagnosticSink(&sink);
        ReportSite site = GitSite();
        const bool countIsZero = mevcore::debug::TraceChangeCount() == 0;
        Report(site, {});
        std::exit(countIsZero && TraceEnabledCallCount() == 1 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(ReportTest, MuteSetBySinkStopsLaterAssertionsButNotLogsOrTraces) {
  mevcore::debug::SetTraceCategories("*");
  sink_.setMute = true;
  ReportSite site = FileSite();
  Report(site, {{"exception", "a"}, {"path", "/p"}});
  EXPECT_TRUE(site.assertMuted);
  Report(site, {{"exception", "b"}, {"path", "/p"}});

  EXPECT_EQ(sink_.asserts.size(), 1u);
  EXPECT_EQ(sink_.logs.size(), 2u);
  EXPECT_EQ(sink_.traces.size(), 2u);
}

TEST_F(ReportTest, BreakAnswerWithoutDebuggerGoesOn) {
  sink_.breakAnswer = true;
  ReportSite site = FileSite();
  Report(site, {{"exception", "a"}, {"path", "/p"}});
  ReportAssertion(site, "again");
  EXPECT_EQ(sink_.asserts.size(), 2u);
}

// A child traced by the test stops on the breakpoint trap and, once resumed,
// finishes its report.
TEST_F(ReportTest, BreakAnswerWithDebuggerTrapsAndGoesOnWhenResumed) {
  sink_.breakAnswer = true;
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(2);
    ReportSite site = FileSite();
    ReportAssertion(site, "stop here");
    _exit(sink_.asserts.size() == 1 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 2) GTEST_SKIP() << "ptrace is not permitted";
  ASSERT_TRUE(WIFSTOPPED(status));
  EXPECT_EQ(WSTOPSIG(status), SIGTRAP);
  ASSERT_EQ(ptrace(PTRACE_CONT, child, nullptr, nullptr), 0);
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(ReportTest, PlainAssertionOnlyRaisesTheAssertion) {
  mevcore::debug::SetTraceCategories("*");
  ReportSite site{0, "", "", "lifted", 74, "DeserializeFromBlob"};
  const std::uint64_t calls = TraceEnabledCallCount();
  ReportAssertion(site, "JSON not well-formed");

  EXPECT_TRUE(sink_.logs.empty());
  EXPECT_TRUE(sink_.traces.empty());
  EXPECT_EQ(TraceEnabledCallCount(), calls);
  ASSERT_EQ(sink_.asserts.size(), 1u);
  EXPECT_EQ(sink_.asserts[0].condition, "false");
  EXPECT_EQ(sink_.asserts[0].message, "JSON not well-formed\r\n");
  EXPECT_EQ(sink_.asserts[0].line, 74);
  EXPECT_EQ(sink_.asserts[0].function, "DeserializeFromBlob");
  EXPECT_TRUE(sink_.asserts[0].isAssert);

  sink_.setMute = true;
  ReportAssertion(site, "second");
  ReportAssertion(site, "third");
  EXPECT_EQ(sink_.asserts.size(), 2u);
}

}  // namespace
}  // namespace velders
