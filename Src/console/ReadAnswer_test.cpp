#include "console/ReadAnswer.h"

#include <sstream>

#include <gtest/gtest.h>

namespace velders {
namespace {

constexpr Answer kYes = Answer::kYes, kNo = Answer::kNo, kQuit = Answer::kQuit;

TEST(ClassifyAnswer, LettersAnywhereDecide) {
  for (const char* yes : {"Yes", "yes", "y", "Y", "YES", "okay", "maybe", "no way", "  yes  "})
    EXPECT_EQ(kYes, ClassifyAnswer(yes)) << yes;
  for (const char* no : {"No", "no", "n", "", "   ", "sure", "nope", "\t"})
    EXPECT_EQ(kNo, ClassifyAnswer(no)) << no;
  for (const char* quit : {"Quit", "quit", "q", "QUIT", "quiet", "not quite", "yes, quit",
                           "Quit? Yes"})
    EXPECT_EQ(kQuit, ClassifyAnswer(quit)) << quit;
}

TEST(ReadAnswer, ReadsOneLineEachCallThenNoAtEnd) {
  std::istringstream in("yes\n\nq\nyes");
  EXPECT_EQ(kYes, ReadAnswer(in));
  EXPECT_EQ(kNo, ReadAnswer(in));
  EXPECT_EQ(kQuit, ReadAnswer(in));
  EXPECT_EQ(kYes, ReadAnswer(in));  // a last line without its line feed still counts
  EXPECT_EQ(kNo, ReadAnswer(in));
  EXPECT_EQ(kNo, ReadAnswer(in));
}

TEST(ReadAnswer, ZeroBytesAndCarriageReturnsStayInTheLine) {
  std::istringstream in(std::string("\0y\r\n", 4));
  EXPECT_EQ(kYes, ReadAnswer(in));
}

}  // namespace
}  // namespace velders
