#include "CountArgument.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace bench {
namespace {

TEST(ParseCount, TakesDecimalDigitsOnly) {
  EXPECT_EQ(ParseCount("0", "count"), 0u);
  EXPECT_EQ(ParseCount("100000", "count"), 100000u);
  for (const char* bad : {"", "-1", "1e5", " 10", "10 ", "0x10", "99999999999999999999999"})
    EXPECT_THROW(ParseCount(bad, "count"), std::invalid_argument) << '"' << bad << '"';
}

TEST(ParseCount, NamesTheArgumentAndTheText) {
  try {
    ParseCount("ten", "number of projects");
    FAIL();
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "The number of projects \"ten\" is not a count");
  }
}

}  // namespace
}  // namespace bench
