#include "hub/CheckLine.h"

#include <gtest/gtest.h>

namespace velders {
namespace hub {
namespace {

mevstorage::git::VerifyResult Found(std::vector<std::string> kept, std::size_t count) {
  mevstorage::git::VerifyResult result;
  result.problems = std::move(kept);
  result.problemCount = count;
  return result;
}

TEST(CheckLine, NamesTheFirstProblemsAndCountsTheRest) {
  EXPECT_EQ("P.vd2: ok", CheckLine("P.vd2", Found({}, 0)));
  EXPECT_EQ("P.vd2: 1 problem: a", CheckLine("P.vd2", Found({"a"}, 1)));
  EXPECT_EQ("P.vd2: 3 problems: a; b; c", CheckLine("P.vd2", Found({"a", "b", "c"}, 3)));
  // Fewer kept than counted, or more kept than shown: the rest is a count.
  EXPECT_EQ("P.vd2: 9 problems: a; b; 7 more", CheckLine("P.vd2", Found({"a", "b"}, 9)));
  EXPECT_EQ("P.vd2: 5 problems: a; b; c; 2 more",
            CheckLine("P.vd2", Found({"a", "b", "c", "d", "e"}, 5)));
}

TEST(CheckLine, ProjectDataCannotReachTheConsoleRaw) {
  EXPECT_EQ("P\\x1b[2J: 1 problem: refs/heads/x\\x0d names y",
            CheckLine("P\x1b[2J", Found({"refs/heads/x\r names y"}, 1)));
  EXPECT_EQ("P\\x07: Unable to open\\x0a", FailedLine("P\a", "Unable to open\n"));
}

}  // namespace
}  // namespace hub
}  // namespace velders
