#pragma once

#include <git2.h>

#include <string>

namespace mevstorage {
namespace git {

// libgit2 reads dates that Git itself refuses: a sign, or more than 63 bits.
// Git's own check (git fsck --strict) fails on such an object wherever it
// lies, so the export refuses it rather than write a repository Git calls
// broken. Empty when every "author", "committer" and "tagger" line of the
// commit's or tag's header ends in a date of digits that fits 63 bits (no
// leading zero) and a time zone of a sign and four digits; else what is
// wrong, naming the line. Other objects have nothing to check.
std::string IdentityProblem(git_object_t type, const std::string& data);

}  // namespace git
}  // namespace mevstorage
