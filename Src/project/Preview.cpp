#include "project/Preview.h"

#include <sys/stat.h>

#include <cerrno>
#include <exception>

#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "project/Examine.h"
#include "project/Ownership.h"
#include "project/ProjectFiles.h"
#include "project/Journal.h"
#include "project/Resume.h"
#include "project/StoreCopy.h"

namespace velders {
namespace project {
namespace {

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

Preview PreviewJournal(const Dir& project) {
  const Journal journal = ReadJournal(InProgressFile(project));
  const bool finishes = PassedCommitPoint(OpenToLook(GitFolder(project)), journal);
  return LeftPartWay(Preview::LeftBy::kInterruptedRun,
                     finishes ? Preview::NextRun::kFinishes : Preview::NextRun::kPutsBack);
}

// The start of a run resumes what was left part way; the walk then decides
// about what is left, as for any folder.
Preview PreviewFolder(const Dir& project) {
  if (const auto foreign = ForeignOwner(project)) return Of(Kind::kUnreadable, *foreign);
  if (InProgressFile(project).Exists()) return PreviewJournal(project);
  if (LeftByEarlierProgram(project, OpenToLook)) {
    return LeftPartWay(Preview::LeftBy::kEarlierProgram, Preview::NextRun::kPutsBack);
  }
  Examination examination = ExamineFolder(project, OpenToLook);
  ForeseeRun(project, &examination);
  return examination.preview;
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
