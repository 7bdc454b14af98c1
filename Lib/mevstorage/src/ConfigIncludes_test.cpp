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
  EXPECT_EQ(std::vector<std::string>{"/g/x"}, IncludedPaths("\xEF\xBB\xBF[include]\npath=x", "/g"));
  // As libgit2 reads them: a line ends at a zero byte, and is trimmed of
  // every kind of blank before quotes and line joins are seen; a join
  // passes over empty and comment lines and keeps the blanks before it.
  const char odd[] = "[include]\npath = cut \0off\npath = \0all\n"
                     "\tpath = \vtrimmed \"open  \r\n\tpath = joined\\ \r\n  after\n"
                     "\tpath = over\\\n\n  ; note\n\\\nlines\n\tpath = kept \\\n";
  const std::vector<std::string> read = {"/g/cut", "/g/trimmed open", "/g/joined  after",
                                         "/g/overlines", "/g/kept "};
  EXPECT_EQ(read, IncludedPaths(std::string(odd, sizeof odd - 1), "/g"));
}

}  // namespace
}  // namespace git
}  // namespace mevstorage
