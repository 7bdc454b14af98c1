#include "mevcore/config/Config.h"

#include <memory>

#include <gtest/gtest.h>

#include "mevcore/debug/DiagnosticSink.h"
#include "mevcore/logging/Logging.h"

namespace mevcore {
namespace config {
namespace {

using utility::AsciiToUTF16;

class EchoLocalizer : public Localizer {
 public:
  utility::UTF16String LocalizeString(const char* key) override {
    return key ? AsciiToUTF16(key) : utility::UTF16String();
  }
  void FlushCache() override {}
};

TEST(ConfigTest, NameAndVersionAreKept) {
  SetApplicationName(AsciiToUTF16("Velders Recovery"));
  SetClientVersion(AsciiToUTF16("1.0.1"));
  EXPECT_EQ(GetApplicationName(), AsciiToUTF16("Velders Recovery"));
  EXPECT_EQ(GetClientVersion(), AsciiToUTF16("1.0.1"));
}

TEST(ConfigTest, LoggingNeedsANameAndNoMute) {
  SetApplicationName(utility::UTF16String());
  EXPECT_FALSE(logging::LoggingIsEnabled());
  SetApplicationName(AsciiToUTF16("Velders Recovery"));
  EXPECT_TRUE(logging::LoggingIsEnabled());
  debug::SetLoggingMuted(true);
  EXPECT_FALSE(logging::LoggingIsEnabled());
  debug::SetLoggingMuted(false);
  EXPECT_TRUE(logging::LoggingIsEnabled());
}

TEST(LocalizerTest, SetInstallsAndNullRemoves) {
  EchoLocalizer localizer;
  Localizer::Set(&localizer, filesupport::Dir());
  EXPECT_EQ(Localizer::Get(), &localizer);
  Localizer::Set(nullptr, filesupport::Dir());
  EXPECT_EQ(Localizer::Get(), nullptr);
}

TEST(LocalizerTest, DestroyedLocalizerRemovesItselfButNotAnother) {
  auto first = std::make_unique<EchoLocalizer>();
  EchoLocalizer second;
  Localizer::Set(first.get(), filesupport::Dir());
  first.reset();
  EXPECT_EQ(Localizer::Get(), nullptr);

  auto stale = std::make_unique<EchoLocalizer>();
  Localizer::Set(&second, filesupport::Dir());
  stale.reset();
  EXPECT_EQ(Localizer::Get(), &second);
  Localizer::Set(nullptr, filesupport::Dir());
}

}  // namespace
}  // namespace config
}  // namespace mevcore
