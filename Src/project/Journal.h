#pragma once

#include <optional>
#include <string>

#include "mevcore/filesupport/Dir.h"
#include "mevcore/filesupport/File.h"

namespace velders {
namespace project {

// What a recovery does to one project, written down before its first change
// so that any later run can finish it or take every step back from the
// folder alone. While the recovery (or its undoing) is under way it is
// "git/recovery-in-progress.json"; once the recovery is complete it is
// renamed "git/recovery-record.json" and stays as the record of what was
// done. Byte strings are kept as lower-case hex, since file contents need
// not be text.
struct Journal {
  enum class Direction { kRecover, kUndo };
  Direction direction = Direction::kRecover;
  std::string commit;                        // the recovery commit (hex id)
  std::string head;                          // what HEAD named before: the commit's parent
  std::optional<std::string> production;     // the branch's old tip; none when there was none
  bool keepProduction = false;               // the old tip is kept under refs/pre_recovery/
  std::string recoveryInfo;                  // "recovery_info.txt" as the recovery writes it
  std::optional<std::string> priorRecoveryInfo;  // its bytes before; none when missing
  bool upgrade = false;                      // the recovery itself upgrades "version"
  std::optional<std::string> priorVersion;   // "version" before; none when missing
  bool savedVersionExisted = false;          // "pre_recovery_version" was there before
  bool deleted = false;                      // "deleted" is set aside
  bool promote = false;                      // the folder is renamed from ".vd" to ".vd2"
  std::string recoveryTime;                  // UTC, ISO extended form
};

// The reference under which a branch tip that the recovery commit does not
// descend from is kept.
extern const char kKeptProductionReference[];  // "refs/pre_recovery/production"

mevcore::filesupport::File InProgressFile(const mevcore::filesupport::Dir& project);
mevcore::filesupport::File RecordFile(const mevcore::filesupport::Dir& project);

std::string JournalText(const Journal& journal);
// Throws std::runtime_error naming `path` when the text is not a journal.
Journal ParseJournal(const std::string& text, const std::string& path);

// Reads the journal file; throws std::runtime_error naming it when it cannot
// be read or parsed.
Journal ReadJournal(const mevcore::filesupport::File& file);
// Writes it whole and durably; throws std::runtime_error naming it.
void WriteJournal(const mevcore::filesupport::File& file, const Journal& journal);

}  // namespace project
}  // namespace velders
