#include <gtest/gtest.h>

#include "platform/Diagnostics.h"

namespace velders {
namespace {

using mevcore::utility::ToUTF8;
using mevcore::utility::UTF8to16;

TEST(TraceLineTest, GitErrorWithoutLastErrorEndsInAnEmptyMessage) {
  ReportSite site{4, "mevstorage", "Git operation error", "f", 90, "ReadSessionProperties"};
  EXPECT_EQ(ComposeTraceLine(site, 1234,
                             {{"result", -3}, {"arg1", 0}, {"error", 0}, {"message", ""}}),
            "<1234> <mevstorage> <4> Git operation error, result: -3, arg1: 0, error: 0, "
            "message: \r\n");
}

TEST(TraceLineTest, TextsAreWrittenUnchangedAndPathsAsUtf8) {
  ReportSite site{3, "mevcore.StructuredLogging", "Caught exception attempting to read from file",
                  "Model/Utils", 75, "YondraLocalHub::ReadStringFile"};
  EXPECT_EQ(ComposeTraceLine(site, 4294967295u,
                             {{"exception", std::string("Unable to open /x: Permission denied")},
                              {"path", UTF8to16(ToUTF8("/home/\xc3\xa9/recovery_info.txt"))}}),
            "<4294967295> <mevcore.StructuredLogging> <3> Caught exception attempting to read "
            "from file, exception: Unable to open /x: Permission denied, path: "
            "/home/\xc3\xa9/recovery_info.txt\r\n");
}

TEST(TraceLineTest, WideIntegersKeepEveryDigit) {
  ReportSite site{4, "c", "m", "f", 1, "g"};
  EXPECT_EQ(ComposeTraceLine(site, 0, {{"n", std::int64_t{-9223372036854775807LL - 1}}}),
            "<0> <c> <4> m, n: -9223372036854775808\r\n");
  EXPECT_EQ(ComposeTraceLine(site, 7, {}), "<7> <c> <4> m\r\n");
}

}  // namespace
}  // namespace velders
