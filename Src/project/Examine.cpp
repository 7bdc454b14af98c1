#include "project/Examine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <optional>
#include <stdexcept>

#include "lifted/ReadSessionProperties.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevstorage/git/ReadOnly.h"
#include "mevstorage/git/ReadTransaction.h"
#include "mevstorage/git/References.h"
#include "project/Blockers.h"
#include "project/BranchState.h"
#include "project/Journal.h"
#include "project/ProjectFiles.h"
#include "project/Recovery.h"
#include "records/Constants.h"
#include "records/TimeStamps.h"
#include "upgrade/DataModel.h"

namespace velders {
namespace project {
namespace {

namespace git = mevstorage::git;
using mevcore::filesupport::Dir;
using Kind = Preview::Kind;

void Decide(Examination* examination, Kind kind, const std::string& reason,
            const std::string& said = "") {
  examination->preview.kind = kind;
  examination->preview.reason = reason;
  examination->said = said;
}

// Why ReadSessionProperties gave nothing: the same reads, each failure with
// libgit2's reason where the recovery only logs it.
std::string WhyNoProperties(const git::RepositoryHandle& repository) {
  try {
    const git::HeadBlob head = git::ReadHeadBlob(repository, kPropertiesBlobName.c_str());
    return "\"properties\" of the commit " + head.commit + " is not a session properties record";
  } catch (const git::StorageError& error) {
    return error.what();
  }
}

// A folder whose store cannot be opened: the run says why; `status` says
// first what of a project is missing, when something is.
void Unopened(const Dir& project, const std::string& failure, Examination* examination) {
  Decide(examination, Kind::kUnreadable, failure, failure);
  std::vector<std::string>& missing = examination->preview.missing;
  try {
    if (!ProjectFile(project, kGitFolderName).Exists()) missing.push_back(kGitFolderName);
    if (!ProjectFile(project, kSyncFileName).Exists() &&
        !ProjectFile(project, kPreRecoverySyncFileName).Exists()) {
      missing.push_back(kSyncFileName);
    }
  } catch (const std::exception&) {
    missing.clear();
  }
  if (missing.empty()) return;
  examination->preview.kind = Kind::kNotAProject;
  examination->preview.reason = missing.size() == 2 ? "\"git\" and \"sync.sqlite3\" are missing"
                                                    : "\"" + missing[0] + "\" is missing";
}

// HEAD and "production" as the recovery reads them; nothing when they
// cannot be read, which the properties' own read of HEAD then reports.
std::optional<git::HeadAndReference> TipsIfReadable(const git::RepositoryHandle& repository) {
  try {
    return HeadAndProduction(repository);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

bool ReadPropertiesOfHead(Examination* examination) {
  const auto& tips = examination->tips;
  if (!tips || tips->head.empty()) {
    return ReadSessionProperties(examination->repository, examination->lastModified,
                                 examination->properties);
  }
  return ReadSessionPropertiesAt(examination->repository, git::IdOf(tips->head),
                                 examination->lastModified, examination->properties);
}

void ExamineOpened(Examination* examination) {
  examination->lastModified = boost::posix_time::ptime(boost::posix_time::not_a_date_time);
  examination->reads = std::make_unique<git::ReadTransaction>(examination->repository);
  examination->tips = TipsIfReadable(examination->repository);
  if (!ReadPropertiesOfHead(examination)) return Decide(examination, Kind::kUnreadable, "");
  Preview& preview = examination->preview;
  preview.name = examination->properties.name.c_str();
  preview.localModified = ToLocalTime(examination->lastModified);
  preview.kind = Kind::kWouldRecover;
}

// Whether the project folder holds `name`, looked at only when the listing
// may hold it.
bool HoldsName(const Examination& examination, const Dir& project, const char* name) {
  return !examination.listing->Lacks(name) && ProjectFile(project, name).Exists();
}

void Examine(const Dir& project, RepositoryOpener open, Examination* examination) {
  try {
    examination->repository = open(GitFolder(project));
  } catch (const std::exception& error) {
    return Unopened(project, error.what(), examination);
  }
  examination->listing = FolderListing::Of(project);
  if (!HoldsName(*examination, project, kSyncFileName)) {
    if (HoldsName(*examination, project, kPreRecoverySyncFileName)) {
      return Decide(examination, Kind::kRecovered, "");
    }
    examination->preview.missing = {kSyncFileName};
    return Decide(examination, Kind::kNotAProject, "\"sync.sqlite3\" is missing");
  }
  if (HoldsName(*examination, project, kPreRecoverySyncFileName)) {
    return Decide(examination, Kind::kNotAProject,
                  "it holds both \"sync.sqlite3\" and \"pre_recovery_sync.sqlite3\"");
  }
  ExamineOpened(examination);
}

// The "Recovered: ..." part of the information file, up to its ";".
std::string RecoveredPart(const std::string& info) {
  static const std::string kStart = "(Recovered: ";
  const std::size_t start = info.find(kStart);
  if (start == std::string::npos) return std::string();
  const std::size_t from = start + kStart.size();
  const std::size_t end = info.find(';', from);
  return end == std::string::npos ? std::string() : info.substr(from, end - from);
}

// When is told by the files the recovery leaves; a file that cannot be read
// only leaves it untold.
std::string RecoveredAt(const Dir& project) {
  try {
    const auto info = ReadIfRegular(ProjectFile(project, kRecoveryInfoFileName));
    if (info && !RecoveredPart(*info).empty()) return RecoveredPart(*info);
    if (RecordFile(project).Exists()) return ReadJournal(RecordFile(project)).recoveryTime + " UTC";
  } catch (const std::exception&) {
  }
  return std::string();
}

// Why writing "recovery_info.txt" would fail, as the write itself finds it:
// something other than a regular file in its place, or a file this process
// may not write. The folder itself is a blocker's.
std::optional<std::string> InfoWriteRefusal(const Dir& project, const FolderListing& listing) {
  if (listing.Lacks(kRecoveryInfoFileName)) return std::nullopt;
  const std::string path = ProjectFile(project, kRecoveryInfoFileName).NativePath();
  struct stat info;
  if (mevcore::filesupport::Disk().Lstat(path, &info) != 0) {
    if (errno == ENOENT) return std::nullopt;
    return "Unable to examine " + path + ": " + std::strerror(errno);
  }
  if (!S_ISREG(info.st_mode)) return path + " is not a regular file";
  if (::access(path.c_str(), W_OK) != 0)
    return path + " cannot be written: " + std::strerror(errno);
  return std::nullopt;
}

void WouldNotRecover(Preview* preview, const std::string& reason, bool stopsRun) {
  preview->kind = Kind::kWouldNotRecover;
  preview->reason = reason;
  preview->stopsRun = stopsRun;
}

// In the order the recovery meets them: its plan and blockers, the write
// of its commit, which another program's write lock on the store refuses
// after a wait, the files its journal keeps, the information file it
// writes, then the upgrade.
void ForeseeRecovery(const Dir& project, Examination* examination) {
  Preview& preview = examination->preview;
  const git::RepositoryHandle& repository = examination->repository;
  const git::HeadAndReference tips =
      examination->tips ? *examination->tips : HeadAndProduction(repository);
  const RecoveryPlan plan = PlanOf(project, repository, tips.head, tips.reference);
  const FolderListing listing = examination->listing.value_or(FolderListing());
  if (auto blocker = FindBlocker(project, plan, listing)) {
    return WouldNotRecover(&preview, *blocker, false);
  }
  if (auto locked = git::ObjectWritesRefusal(repository, GitFolder(project))) {
    return WouldNotRecover(&preview, CommitStoreFailure(*locked), false);
  }
  Journal prior;
  ReadPriorFiles(project, listing, &prior);
  if (auto refusal = InfoWriteRefusal(project, listing)) {
    return WouldNotRecover(&preview, *refusal, StopsWalk(FailureKind::kWriteFiles));
  }
  preview.upgradeWithYes = true;
  preview.upgradeWithNo = plan.promote;
  preview.promote = plan.promote;
  preview.upgradeRefusal = CheckUpgradeOfRead(project, prior.priorVersion).refusal;
  preview.stopsRunWithYes = !preview.upgradeRefusal.empty() && StopsWalk(FailureKind::kUpgrade);
}

}  // namespace

Examination ExamineFolder(const Dir& project, RepositoryOpener open) {
  Examination examination;
  try {
    Examine(project, open, &examination);
  } catch (const std::exception& error) {
    Decide(&examination, Kind::kUnreadable, error.what(), error.what());
  }
  return examination;
}

void CheckStillOffered(const Dir& project) {
  const mevcore::filesupport::File sync = ProjectFile(project, kSyncFileName);
  if (!sync.Exists()) throw std::runtime_error(sync.FullPathMultiByte() + " no longer exists");
  const mevcore::filesupport::File aside = ProjectFile(project, kPreRecoverySyncFileName);
  if (aside.Exists()) throw std::runtime_error(aside.FullPathMultiByte() + " appeared meanwhile");
}

void ForeseeRun(const Dir& project, Examination* examination) {
  Preview& preview = examination->preview;
  if (!examination->reads) {
    examination->reads = std::make_unique<git::ReadTransaction>(examination->repository);
  }
  if (preview.kind == Kind::kRecovered) preview.recoveredAt = RecoveredAt(project);
  if (preview.kind == Kind::kUnreadable && preview.reason.empty() && examination->repository) {
    preview.reason = WhyNoProperties(examination->repository);
  }
  if (examination->preview.kind != Kind::kWouldRecover) return;
  try {
    ForeseeRecovery(project, examination);
  } catch (const std::exception& error) {
    WouldNotRecover(&examination->preview, error.what(), false);
  }
}

}  // namespace project
}  // namespace velders
