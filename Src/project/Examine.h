#pragma once

#include <boost/date_time/posix_time/ptime.hpp>
#include <memory>
#include <optional>
#include <string>

#include "lifted/SessionProperties.h"
#include "mevcore/filesupport/Dir.h"
#include "mevstorage/git/ReadTransaction.h"
#include "mevstorage/git/References.h"
#include "mevstorage/git/Storage.h"
#include "project/FolderListing.h"
#include "project/Preview.h"
#include "project/Resume.h"

namespace velders {
namespace project {

// One decision about a project folder of the hub, for the run and for
// `status` alike: whether it is offered, and why not.
struct Examination {
  // kWouldRecover when offered (ExamineFolder never says kWouldNotRecover:
  // that is ForeseeRun's), else kRecovered, kNotAProject or kUnreadable.
  // kUnreadable with an empty reason: the session properties could not be
  // read, which ReadSessionProperties only logs; ForeseeRun says why.
  Preview preview;
  // Not offered: the text of the run's exception line about the folder;
  // empty when the run passes over it without a word.
  std::string said;
  // The opened store, when it could be opened; offered: what was read from it.
  mevstorage::git::RepositoryHandle repository;
  SessionProperties properties;
  boost::posix_time::ptime lastModified;  // UTC
  // Offered: what HEAD and "production" named when the properties were
  // read (none when they could not be read together), and the read
  // transaction of the store those reads began. It lasts until it is let go
  // or handed on, and holds off other programs' writes to the store
  // meanwhile, so it is let go before any wait for the user.
  std::optional<mevstorage::git::HeadAndReference> tips;
  std::unique_ptr<mevstorage::git::ReadTransaction> reads;
  // The project folder's names as the examination found them, once its
  // store was opened.
  std::optional<FolderListing> listing;
};

// Examines the folder in the run's order: its "git" folder opened with
// `open` (a failure is said), then "sync.sqlite3" must be there and
// "pre_recovery_sync.sqlite3" not (silently), then the session properties of
// HEAD must be readable (silently) and their time convertible to local time
// (a failure is said). Never throws.
Examination ExamineFolder(const mevcore::filesupport::Dir& project, RepositoryOpener open);

// The folder may have changed while the run's question about it was open:
// it is recovered only if "sync.sqlite3" is still there and
// "pre_recovery_sync.sqlite3" still is not. Throws a std::runtime_error
// naming the file otherwise.
void CheckStillOffered(const mevcore::filesupport::Dir& project);

// What a run would do beyond the decision, found by reading alone: for an
// offered project, what its recovery would come to (refused by a blocker,
// by another program writing its store, or by a file that cannot be read,
// with the reason; stopping the walk on a
// write; the upgrade with each answer); for a recovered one, when; for one
// whose session properties could not be read, why. The store is read
// through the examination's handle.
void ForeseeRun(const mevcore::filesupport::Dir& project, Examination* examination);

}  // namespace project
}  // namespace velders
