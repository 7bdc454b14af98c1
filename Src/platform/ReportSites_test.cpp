#include "platform/ReportSites.h"

#include <string>

#include <gtest/gtest.h>

namespace velders {
namespace {

void ExpectSite(const ReportSite& site, int level, const std::string& category,
                const std::string& message, const std::string& file, int line,
                const std::string& function) {
  EXPECT_EQ(site.level, level) << function << " " << line;
  EXPECT_EQ(site.category, category) << line;
  EXPECT_EQ(site.message, message) << line;
  EXPECT_EQ(site.file, file) << line;
  EXPECT_EQ(site.line, line);
  EXPECT_EQ(site.function, function) << line;
}

TEST(ReportSitesTest, ConstantsOfEverySite) {
  const std::string lifted = "..\\..\\Src\\lifted";
  ExpectSite(sites::readHeadFailed, 4, "mevstorage", "Git operation error", lifted, 90,
             "ReadSessionProperties");
  ExpectSite(sites::readCommitFailed, 4, "mevstorage", "Git operation error", lifted, 92,
             "ReadSessionProperties");
  ExpectSite(sites::readTreeFailed, 4, "mevstorage", "Git operation error", lifted, 94,
             "ReadSessionProperties");
  ExpectSite(sites::readBlobFailed, 4, "mevstorage", "Git operation error", lifted, 98,
             "ReadSessionProperties");
  ExpectSite(sites::writeTreeLookupFailed, 4, "mevstorage", "Git operation error", lifted, 142,
             "WriteSessionProperties");
  ExpectSite(sites::commitFailed, 4, "mevcore.StructuredLogging", "Unable to commit properties",
             lifted, 154, "WriteSessionProperties");
  ExpectSite(sites::commitStepFailed, 4, "mevstorage", "Unable to commit properties", lifted, 150,
             "WriteSessionProperties");
  ExpectSite(sites::readStringFileFailed, 3, "mevcore.StructuredLogging",
             "Caught exception attempting to read from file", "Model/Utils", 75,
             "YondraLocalHub::ReadStringFile");
  ExpectSite(sites::writeStringFileFailed, 3, "mevcore.StructuredLogging",
             "Caught exception attempting to create and write to a file", "Model/Utils", 51,
             "YondraLocalHub::WriteStringFile");
  ExpectSite(sites::deserializeFailed, 0, "", "", lifted, 74, "DeserializeFromBlob");
}

TEST(ReportSitesTest, ResetPutsTheStateBack) {
  sites::commitFailed.lastTraceChangeCount = 5;
  sites::commitFailed.traceEnabled = true;
  sites::deserializeFailed.assertMuted = true;
  sites::ResetAllSites();
  EXPECT_EQ(sites::commitFailed.lastTraceChangeCount, -1);
  EXPECT_FALSE(sites::commitFailed.traceEnabled);
  EXPECT_FALSE(sites::deserializeFailed.assertMuted);
}

}  // namespace
}  // namespace velders
