#include "project/Recovery.h"

#include <optional>

#include "lifted/WriteSessionProperties.h"
#include "mevstorage/git/ReadTransaction.h"
#include "mevstorage/git/References.h"
#include "project/BranchState.h"
#include "project/Blockers.h"
#include "project/ProjectFiles.h"
#include "project/StepRunner.h"
#include "records/Constants.h"
#include "records/RecoveryInfo.h"
#include "records/TimeStamps.h"

namespace velders {
namespace project {
namespace {

namespace git = mevstorage::git;
using Result = RecoveryReport::Result;

const char kNotStored[] = "The walk ended before the recovery commit was stored";

RecoveryReport LeftAsItWas(const std::string& reason) {
  RecoveryReport report;
  report.result = Result::kLeftAsItWas;
  report.failureKind = FailureKind::kOther;
  report.reason = reason;
  return report;
}

// The commit `head` (hex), as the plan read HEAD. When HEAD named none, it
// is read again, so that the commit's failure carries libgit2's reason.
git::CommitHandle HeadCommitOf(const git::RepositoryHandle& repository, const std::string& head) {
  if (head.empty()) return git::GetHeadCommit(repository);
  return git::GetCommit(repository, git::IdOf(head));
}

// Stores the recovery commit on `head`, its objects durable and referenced
// by nothing yet, and gives its id in `id`; the reason, with libgit2's, when
// it cannot be stored. The record's other members, which can be large, are
// handed over and so freed before the new blob is stored; the rest of the
// record stays in `request`.
std::optional<std::string> StoreRecoveryCommit(RecoveryRequest& request, const std::string& head,
                                               std::string* id) {
  OtherProperties others = std::move(request.properties.otherProperties);
  request.properties.otherProperties.clear();
  SessionProperties properties = request.properties;
  properties.otherProperties = std::move(others);
  const git::CommitHandle commit =
      CommitRecoveredProperties(request.repository, HeadCommitOf(request.repository, head),
                                std::move(properties), request.recoveryTime, request.lastModified);
  if (!commit) return CommitStoreFailure(git::LastGitError("unknown reason"));
  try {
    git::FlushWrites(request.repository);
  } catch (const git::StorageError& error) {
    return CommitStoreFailure(error.Reason());
  }
  *id = git::CommitHex(commit);
  return std::nullopt;
}

// The journal, all but the commit's id.
Journal JournalOf(const RecoveryRequest& request, const RecoveryPlan& plan,
                  const FolderListing& listing, const std::string& head,
                  const std::string& production) {
  const mevcore::filesupport::Dir& folder = request.project;
  const auto info = RecoveryInfoText(request.properties.name, request.recoveryTime,
                                     request.lastModified);
  Journal journal;
  journal.head = head;
  if (!production.empty()) journal.production = production;
  journal.keepProduction = plan.keepProduction;
  journal.recoveryInfo.assign(info.begin(), info.end());
  ReadPriorFiles(folder, listing, &journal);
  journal.upgrade = request.upgrade;
  journal.promote = plan.promote;
  journal.recoveryTime = IsoExtended(request.recoveryTime);
  return journal;
}

RecoveryReport ReportOf(const StepsReport& steps, const StepContext& context) {
  RecoveryReport report;
  report.promotionUpgradeFailed = context.promotionUpgradeFailed;
  if (steps.complete) {
    report.result = Result::kRecovered;
    CloseJournal(context);
    return report;
  }
  report.result = steps.putBack ? Result::kLeftAsItWas : Result::kLeftPartWay;
  report.failureKind = steps.failureKind;
  report.reason = steps.failure;
  report.putBackFailure = steps.putBackFailure;
  report.stopsWalk = StopsWalk(steps.failureKind);
  return report;
}

}  // namespace

std::string CommitStoreFailure(const std::string& reason) {
  return "Unable to store the recovery commit: " + reason;
}

bool StopsWalk(FailureKind kind) {
  return kind == FailureKind::kWriteFiles || kind == FailureKind::kUpgrade;
}

void ReadPriorFiles(const mevcore::filesupport::Dir& project, const FolderListing& listing,
                    Journal* journal) {
  const auto there = [&](const char* name) {
    return !listing.Lacks(name) && ProjectFile(project, name).Exists();
  };
  journal->priorRecoveryInfo = listing.Lacks(kRecoveryInfoFileName)
                                   ? std::nullopt
                                   : ReadIfRegular(ProjectFile(project, kRecoveryInfoFileName));
  journal->priorVersion = listing.Lacks(kVersionFileName)
                              ? std::nullopt
                              : ReadIfThere(ProjectFile(project, kVersionFileName));
  journal->savedVersionExisted = there(kPreRecoveryVersionFileName);
  journal->deleted = there(kDeletedFileName);
}

PreparedRecovery PrepareRecovery(RecoveryRequest request) {
  PreparedRecovery prepared;
  Journal& journal = prepared.context.journal;
  const FolderListing listing =
      request.listing ? std::move(*request.listing) : FolderListing::Of(request.project);
  {
    // The plan's reads and the commit's share one read transaction (the
    // examination's, when it was handed on), which the commit's first write
    // ends; the steps release the repository. The journal is made before
    // the wait for `mayStore`, so that only the commit's writes follow it.
    const std::unique_ptr<git::ReadTransaction> reads =
        request.reads ? std::move(request.reads)
                      : std::make_unique<git::ReadTransaction>(request.repository);
    const git::HeadAndReference tips =
        request.tips ? *request.tips : HeadAndProduction(request.repository);
    const RecoveryPlan plan =
        PlanOf(request.project, request.repository, tips.head, tips.reference);
    std::optional<std::string> failure = FindBlocker(request.project, plan, listing);
    if (!failure) journal = JournalOf(request, plan, listing, tips.head, tips.reference);
    if (!failure && request.mayStore && !request.mayStore()) failure = kNotStored;
    if (!failure) failure = StoreRecoveryCommit(request, tips.head, &journal.commit);
    if (failure) {
      prepared.leftAsItWas = LeftAsItWas(*failure);
      return prepared;
    }
  }
  prepared.context.project = request.project;
  prepared.context.repository = std::move(request.repository);
  return prepared;
}

RecoveryReport ApplyRecovery(PreparedRecovery prepared, std::function<void()> pastWalkStops) {
  if (prepared.leftAsItWas) return *prepared.leftAsItWas;
  prepared.context.pastWalkStops = std::move(pastWalkStops);
  return ReportOf(ApplySteps(prepared.context), prepared.context);
}

RecoveryReport RecoverFolder(RecoveryRequest request) {
  return ApplyRecovery(PrepareRecovery(std::move(request)));
}

}  // namespace project
}  // namespace velders
