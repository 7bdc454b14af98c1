#include "mevcore/filesupport/CommonDirs.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace mevcore {
namespace filesupport {
namespace commondirs {
namespace {

// Sets HOME for one test and puts the old value back.
class HomeVariable : public ::testing::Test {
 protected:
  HomeVariable() {
    if (const char* home = std::getenv("HOME")) saved_ = home;
  }
  ~HomeVariable() override {
    if (saved_) {
      ::setenv("HOME", saved_->c_str(), 1);
    } else {
      ::unsetenv("HOME");
    }
  }

  static std::string PasswdHome() {
    const passwd* entry = ::getpwuid(::getuid());
    return entry != nullptr ? entry->pw_dir : std::string();
  }

 private:
  std::optional<std::string> saved_;
};

TEST_F(HomeVariable, DocumentsBelowHome) {
  ::setenv("HOME", "/home/editor", 1);
  EXPECT_EQ(MEVSharedDocumentsDir().NativePath(), "/home/editor/Documents");
  ::setenv("HOME", "/home/editor/", 1);
  EXPECT_EQ(MEVSharedDocumentsDir().NativePath(), "/home/editor/Documents");
  ::setenv("HOME", "/", 1);
  EXPECT_EQ(MEVSharedDocumentsDir().NativePath(), "/Documents");
}

TEST_F(HomeVariable, UnsetOrEmptyHomeFallsBackToTheUserEntry) {
  const std::string expected = PasswdHome();
  ASSERT_FALSE(expected.empty());
  const std::string documents = (expected == "/" ? "" : expected) + "/Documents";
  ::unsetenv("HOME");
  EXPECT_EQ(MEVSharedDocumentsDir().NativePath(), documents);
  ::setenv("HOME", "", 1);
  EXPECT_EQ(MEVSharedDocumentsDir().NativePath(), documents);
}

}  // namespace
}  // namespace commondirs
}  // namespace filesupport
}  // namespace mevcore
