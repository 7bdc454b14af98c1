#include "project/Preview.h"

#include <sys/stat.h>

#include <cerrno>
#include <exception>

#include "lifted/ReadSessionProperties.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevstorage/git/ReadOnly.h"
#include "project/Blockers.h"
#include "project/BranchState.h"
#include "project/Journal.h"
#include "project/Ownership.h"
#include "project/ProjectFiles.h"
#include "project/Resume.h"
#include "records/Constants.h"
#include "records/TimeStamps.h"
#include "upgrade/DataModel.h"

namespace velders {
namespace project {
namespace {

namespace git = mevstorage::git;
using mevcore::filesupport::Dir;
using Kind = Preview::Kind;

Preview Of(Kind kind, const std::string& reason = "") {
  Preview preview;
  preview.kind = kind;
  preview.reason = reason;
  return preview;
}

Preview LeftPartWay(Preview::LeftBy by, Preview::NextRun next) {
  Preview preview = Of(Kind::kLeftPartWay);
  preview.leftBy = by;
  preview.nextRun = next;
  return preview;
}

git::RepositoryHandle OpenToLook(const Dir& project) {
  return git::OpenRepositoryReadOnly(GitFolder(project));
}

// Why ReadSessionProperties gave nothing: the same reads, each failure with
// libgit2's reason where the recovery only logs it.
std::string WhyNoProperties(const git::RepositoryHandle& repository) {
  git_oid head;
  if (git_reference_name_to_id(&head, repository->ptr, kHead.c_str()) != 0) {
    return "Unable to resolve HEAD: " + LastGitReason();
  }
  const std::string commitText = "the commit " + IdText(head);
  git::Wrap<git_commit> commit;
  if (git_commit_lookup(&commit.ptr, repository->ptr, &head) != 0) {
    return "Unable to read " + commitText + ": " + LastGitReason();
  }
  git::Wrap<git_tree> tree;
  if (git_commit_tree(&tree.ptr, commit.ptr) != 0) {
    return "Unable to read the tree of " + commitText + ": " + LastGitReason();
  }
  const git_tree_entry* entry = git_tree_entry_byname(tree.ptr, kPropertiesBlobName.c_str());
  if (!entry || git_tree_entry_type(entry) != GIT_OBJECT_BLOB) {
    return "The tree of " + commitText + " holds no \"properties\"";
  }
  git::Wrap<git_blob> blob;
  if (git_blob_lookup(&blob.ptr, repository->ptr, git_tree_entry_id(entry)) != 0) {
    return "Unable to read \"properties\" of " + commitText + ": " + LastGitReason();
  }
  return "\"properties\" of " + commitText + " is not a session properties record";
}

Preview PreviewJournal(const Dir& project) {
  const Journal journal = ReadJournal(InProgressFile(project));
  const bool finishes = PassedCommitPoint(OpenToLook(project), journal);
  return LeftPartWay(Preview::LeftBy::kInterruptedRun,
                     finishes ? Preview::NextRun::kFinishes : Preview::NextRun::kPutsBack);
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
    const auto info = ReadIfRegular(ProjectFile(project, "recovery_info.txt"));
    if (info && !RecoveredPart(*info).empty()) return RecoveredPart(*info);
    if (RecordFile(project).Exists()) return ReadJournal(RecordFile(project)).recoveryTime + " UTC";
  } catch (const std::exception&) {
  }
  return std::string();
}

Preview PreviewOffered(const Dir& project, const git::RepositoryHandle& repository) {
  SessionProperties properties;
  boost::posix_time::ptime lastModified(boost::posix_time::not_a_date_time);
  if (!ReadSessionProperties(repository, lastModified, properties)) {
    return Of(Kind::kUnreadable, WhyNoProperties(repository));
  }
  Preview preview = Of(Kind::kWouldRecover);
  preview.name = properties.name.c_str();
  preview.localModified = ToLocalTime(lastModified);
  const RecoveryPlan plan =
      PlanOf(project, repository, HeadCommit(repository), ProductionTip(repository));
  preview.upgradeWithYes = true;
  preview.upgradeWithNo = plan.promote;
  preview.promote = plan.promote;
  preview.reason = FindBlocker(project, plan).value_or("");
  if (preview.reason.empty()) preview.upgradeRefusal = CheckUpgrade(project).refusal;
  return preview;
}

Preview PreviewFolder(const Dir& project) {
  const std::string foreign = ForeignOwner(project);
  if (!foreign.empty()) return Of(Kind::kUnreadable, foreign);
  if (InProgressFile(project).Exists()) return PreviewJournal(project);
  if (LeftByEarlierProgram(project, git::OpenRepositoryReadOnly)) {
    return LeftPartWay(Preview::LeftBy::kEarlierProgram, Preview::NextRun::kPutsBack);
  }
  const bool sync = ProjectFile(project, "sync.sqlite3").Exists();
  const bool setAside = ProjectFile(project, "pre_recovery_sync.sqlite3").Exists();
  Preview notAProject = Of(Kind::kNotAProject);
  if (!ProjectFile(project, "git").Exists()) notAProject.missing.push_back("git");
  if (!sync && !setAside) notAProject.missing.push_back("sync.sqlite3");
  if (notAProject.missing.size() == 1) {
    notAProject.reason = "\"" + notAProject.missing[0] + "\" is missing";
    return notAProject;
  }
  if (!notAProject.missing.empty()) {
    notAProject.reason = "\"git\" and \"sync.sqlite3\" are missing";
    return notAProject;
  }

  const git::RepositoryHandle repository = OpenToLook(project);
  if (!sync) {
    Preview recovered = Of(Kind::kRecovered);
    recovered.recoveredAt = RecoveredAt(project);
    return recovered;
  }
  if (setAside) {
    return Of(Kind::kNotAProject,
              "it holds both \"sync.sqlite3\" and \"pre_recovery_sync.sqlite3\"");
  }
  return PreviewOffered(project, repository);
}

Preview PreviewOfEntry(const Dir& entry) {
  const std::string& path = entry.NativePath();
  struct stat info;
  if (mevcore::filesupport::Disk().Lstat(path, &info) != 0) {
    mevcore::config::ThrowSystemError("Unable to examine", path, errno);
  }
  if (S_ISLNK(info.st_mode)) return Of(Kind::kSkipped, "a symbolic link, which is not followed");
  if (S_ISREG(info.st_mode)) return Of(Kind::kSkipped, "a plain file");
  if (!S_ISDIR(info.st_mode)) return Of(Kind::kSkipped, "neither a folder nor a plain file");
  return PreviewFolder(entry);
}

}  // namespace

Preview PreviewEntry(const Dir& entry) {
  try {
    return PreviewOfEntry(entry);
  } catch (const std::exception& error) {
    return Of(Kind::kUnreadable, error.what());
  }
}

}  // namespace project
}  // namespace velders
