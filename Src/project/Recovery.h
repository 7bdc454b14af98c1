#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <boost/date_time/posix_time/ptime.hpp>

#include "lifted/SessionProperties.h"
#include "mevcore/filesupport/Dir.h"
#include "mevstorage/git/ReadTransaction.h"
#include "mevstorage/git/References.h"
#include "mevstorage/git/Storage.h"
#include "project/FolderListing.h"
#include "project/Steps.h"

// How the project procedure reports failure, in every header of this folder:
// - A function whose whole answer is a reason or nothing (why a folder may
//   not be changed, why steps could not be taken back, ...) returns
//   std::optional<std::string>: the reason, naming the file or reference and
//   the system's or libgit2's text; std::nullopt for success or for nothing
//   to tell.
// - A report of several outcomes (RecoveryReport, ResumeReport, UndoReport,
//   Preview) carries its reason in a std::string member that its result
//   calls for; it is empty otherwise.
// - Anything else that fails throws a std::exception whose what() is the
//   reason (the storage library's StorageError, the core library's
//   mev_exception, StepFailure); where it is caught it is said or reported
//   once, and the header of each function that catches says so ("Never
//   throws").

namespace velders {
namespace project {

// One project the user agreed to recover, as the procedure has read it.
struct RecoveryRequest {
  mevcore::filesupport::Dir project;
  mevstorage::git::RepositoryHandle repository;
  SessionProperties properties;
  boost::posix_time::ptime lastModified;
  boost::posix_time::ptime recoveryTime;
  bool upgrade = false;
  // When the project was recovered straight after its examination, without
  // a wait for the user: what HEAD and "production" named then, the read
  // transaction in which they and the properties were read, so that the
  // recovery's plan and commit read on in it, and the project folder's
  // listing. Otherwise all three are read anew.
  std::optional<mevstorage::git::HeadAndReference> tips;
  std::unique_ptr<mevstorage::git::ReadTransaction> reads;
  std::optional<FolderListing> listing;
  // When set, asked just before the commit is stored, and may wait: false
  // leaves the project as it was, with nothing written.
  std::function<bool()> mayStore;
};

// What became of it: recovered completely, or left as it was (with the
// reason), or, when taking back a failed step failed too, left part way with
// its journal in progress, for the next run to finish or put back.
struct RecoveryReport {
  enum class Result { kRecovered, kLeftAsItWas, kLeftPartWay };
  Result result = Result::kLeftAsItWas;
  FailureKind failureKind = FailureKind::kOther;
  std::string reason;  // why it is not recovered
  std::string putBackFailure;  // with kLeftPartWay: why it could not be put back
  bool promotionUpgradeFailed = false;
  bool stopsWalk = false;  // the walk ends at this project (StopsWalk)
};

// Whether a failure of that kind ends the run's walk: failing to write the
// files of a recovery or to upgrade the data model does, any other failure
// of one project does not.
bool StopsWalk(FailureKind kind);

// The reason a project is left as it was when its recovery commit cannot
// be stored, for the store's own `reason`.
std::string CommitStoreFailure(const std::string& reason);

// What the journal keeps of the folder's files before the recovery changes
// them (the prior "recovery_info.txt" and "version", whether
// "pre_recovery_version" and "deleted" are there), read into `journal`.
// Throws a std::exception naming the file that cannot be read. A name that
// `listing` lacks is taken as missing without a look of its own.
void ReadPriorFiles(const mevcore::filesupport::Dir& project, const FolderListing& listing,
                    Journal* journal);

// A recovery whose first part is done: its plan read, no blocker found and
// its commit stored (objects that nothing refers to yet), or else the
// report of a project left as it was. Nothing in the project folder has
// changed; dropped unapplied, it leaves only those objects behind.
struct PreparedRecovery {
  std::optional<RecoveryReport> leftAsItWas;
  StepContext context;  // with the journal to write, when not left as it was
};

// Recovers the project all or nothing: the recovery commit's objects are
// written first (PrepareRecovery), then the journal, then the steps in
// order with the branch move as the commit point; on a failure every step
// taken is taken back (ApplyRecovery, which calls `pastWalkStops`, when
// given, as StepContext::pastWalkStops says). PrepareRecovery throws only
// for what fails before anything is written (a time that cannot be
// converted, a repository or a prior file that cannot be read);
// ApplyRecovery never throws. The request's repository handle is taken
// over, so that it is released before the folder is renamed.
RecoveryReport RecoverFolder(RecoveryRequest request);
PreparedRecovery PrepareRecovery(RecoveryRequest request);
RecoveryReport ApplyRecovery(PreparedRecovery prepared,
                             std::function<void()> pastWalkStops = nullptr);

}  // namespace project
}  // namespace velders
