#pragma once

#include <string>
#include <vector>

#include <boost/date_time/posix_time/ptime.hpp>

#include "mevcore/filesupport/Dir.h"

namespace velders {
namespace project {

// What a run of the recovery would do with one entry of the hub, told from
// the entry alone. Telling it only reads: stores are opened read-only, and
// nothing in the hub is created or changed; nothing is locked but "sync.sqlite3" and
// "git/odb.sqlite3", each for reading while it is asked whether another
// program is writing it.
struct Preview {
  enum class Kind {
    kWouldRecover,     // offered, and recovered with the answer yes
    kWouldNotRecover,  // offered, but its recovery would fail; `reason` says why
    kRecovered,        // already recovered
    kLeftPartWay,      // the run's start finishes it or puts it back
    kNotAProject,      // not offered; `reason` says why, `missing` what is missing
    kUnreadable,       // the run passes over it; `reason` is what it says or logs
    kSkipped,          // not a folder, or a symbolic link; `reason` says which
  };
  // Who left a folder part way, and what the next run does with it.
  enum class LeftBy { kInterruptedRun, kEarlierProgram };
  enum class NextRun { kFinishes, kPutsBack };

  Kind kind = Kind::kUnreadable;
  std::string reason;

  // kWouldRecover and kWouldNotRecover
  std::string name;                        // the project's name, as stored
  boost::posix_time::ptime localModified;  // last modified, local time

  // kWouldNotRecover: the run's walk ends there (writing the recovery's
  // files fails), else the project is left as it was and the walk goes on.
  bool stopsRun = false;

  // kWouldRecover
  bool upgradeWithYes = false;             // "version" upgraded when the upgrade is asked for
  bool upgradeWithNo = false;              // ... and when it is not (a ".vd" folder)
  bool promote = false;                    // the folder is renamed from ".vd" to ".vd2"
  // Why upgrading "version" would fail; empty when it would not.
  std::string upgradeRefusal;
  // Whether the run's walk ends at this project with each upgrade answer. A
  // promotion whose own upgrade fails is said, and the folder is renamed and
  // counted all the same.
  bool stopsRunWithYes = false;
  bool stopsRunWithNo = false;

  // kRecovered: "<local> (<UTC> UTC)" from "recovery_info.txt", else
  // "<UTC> UTC" from the record; empty when neither tells.
  std::string recoveredAt;

  // kLeftPartWay
  LeftBy leftBy = LeftBy::kInterruptedRun;
  NextRun nextRun = NextRun::kPutsBack;

  // kNotAProject: "git" and/or "sync.sqlite3"; empty when both are there
  // (and "pre_recovery_sync.sqlite3" beside them keeps it from being offered).
  std::vector<std::string> missing;
};

// Previews the entry of the hub that `entry` names: a link or a file is
// skipped; a journal in progress, or a set-aside left by an earlier program,
// is resumed; any other folder is as ExamineFolder decides for the run (its
// store opened with OpenToLook), with what its recovery would come to
// (ForeseeRun). Never throws: what cannot be examined is kUnreadable.
Preview PreviewEntry(const mevcore::filesupport::Dir& entry);

}  // namespace project
}  // namespace velders
