#include "project/Journal.h"

#include <stdexcept>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

namespace velders {
namespace project {
namespace {

auto Fields(const Journal& j) {
  return std::tie(j.direction, j.commit, j.head, j.production, j.keepProduction, j.recoveryInfo,
                  j.priorRecoveryInfo, j.upgrade, j.priorVersion, j.savedVersionExisted, j.deleted,
                  j.promote, j.recoveryTime);
}

// Every member set, the byte strings holding what text cannot: NUL, bytes
// that are not UTF-8, quotes, backslashes and line ends.
Journal FullRecord() {
  Journal journal;
  journal.commit = "0123456789abcdef0123456789abcdef01234567";
  journal.head = "89abcdef0123456789abcdef0123456789abcdef";
  journal.production = "fedcba9876543210fedcba9876543210fedcba98";
  journal.keepProduction = true;
  journal.recoveryInfo = std::string("Project: \xc3\xa9t\xff\xfe\0\"\\\r\n", 16);
  journal.priorRecoveryInfo = std::string("\0\x80", 2);
  journal.upgrade = true;
  journal.priorVersion = "{\"dataModel\": 3}\n";
  journal.savedVersionExisted = true;
  journal.deleted = true;
  journal.promote = true;
  journal.recoveryTime = "2017-11-20T15:44:32";
  return journal;
}

// None where a member may be none, an empty file where it may be one.
Journal BareUndo() {
  Journal journal;
  journal.direction = Journal::Direction::kUndo;
  journal.commit = "0123456789abcdef0123456789abcdef01234567";
  journal.priorRecoveryInfo = std::string();
  return journal;
}

TEST(Journal, ReadsBackWhatItWrote) {
  for (const Journal& journal : {FullRecord(), BareUndo()}) {
    EXPECT_EQ(Fields(ParseJournal(JournalText(journal), "j")), Fields(journal));
  }
}

void ExpectRefused(const std::string& text, const std::string& what) {
  try {
    ParseJournal(text, "/p/git/recovery-in-progress.json");
    ADD_FAILURE() << what << " was taken for a journal";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()).rfind(
                  "/p/git/recovery-in-progress.json is not a recovery journal: ", 0),
              0u)
        << what << ": " << error.what();
  }
}

TEST(Journal, RefusesATornText) {
  const std::string text = JournalText(FullRecord());
  // Only the closing brace and the line end make it whole.
  for (std::size_t length = 0; length + 2 <= text.size(); ++length) {
    ExpectRefused(text.substr(0, length), "the first " + std::to_string(length) + " bytes");
  }
}

TEST(Journal, RefusesAGarbledText) {
  const std::string text = JournalText(FullRecord());
  const std::string hex = "\"recoveryInfo\": \"";
  const std::size_t start = text.find(hex) + hex.size();
  const struct {
    std::string from, to, what;
  } garbles[] = {
      {"\"format\": 1", "\"format\": 2", "another format"},
      {"\"recover\"", "\"sideways\"", "an unknown direction"},
      {"\"upgrade\": true", "\"upgrade\": \"yes\"", "a member of the wrong type"},
      {"\"deleted\": true,", "", "a missing member"},
      {text.substr(start, 2), "zz", "bytes that are not hex"},
      {text.substr(start, 2), "5", "an odd number of hex digits"},
  };
  for (const auto& garble : garbles) {
    std::string garbled = text;
    garbled.replace(garbled.find(garble.from), garble.from.size(), garble.to);
    ExpectRefused(garbled, garble.what);
  }
}

}  // namespace
}  // namespace project
}  // namespace velders
