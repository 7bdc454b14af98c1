#include "ConfigIncludes.h"

#include <gtest/gtest.h>

namespace mevstorage {
namespace git {
namespace {

TEST(IncludedPaths, FindsEveryPathLibgit2MayFollowAndNothingElse) {
  const std::string text =
      "[core]\n\tbare = true\n\tpath = not/an/include\n"
      "[INCLUDE]\n\tPath = plain ; a comment\n"
      "  path = \"quoted name\"  # another\n"
      "\tpath = /abs/olute\n"
      "\tpath = ~/from/home\n"
      "\tpath = joined\\\n-line\n"
      "\tpath = esc\\\"aped\\\\\n"
      "[include \"sub\"]\n\tpath = not/followed\n"
      "[includeIf \"gitdir:/x/\"] path = conditional\n"
      "[includeif.old] path=older\n"
      "[section]\n\tpath = not/either\n";
  const std::vector<std::string> expected = {
      "/g/plain", "/g/quoted name", "/abs/olute", "/g/joined-line",
      "/g/esc\"aped\\", "/g/conditional", "/g/older"};
  EXPECT_EQ(expected, IncludedPaths(text, "/g"));
  EXPECT_TRUE(IncludedPaths("[include]\npath\npath =\n[include", "/g").empty());
}

}  // namespace
}  // namespace git
}  // namespace mevstorage
