#include "mevstorage/git/Export.h"

#include <sys/stat.h>

#include <cerrno>

#include "ExportFolder.h"
#include "ExportObjects.h"
#include "ExportPack.h"
#include "ExportReferences.h"
#include "ExportVerify.h"
#include "RepositoryAccess.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/filesupport/DurableWrite.h"
#include "mevstorage/git/Checkout.h"
#include "mevstorage/git/ReadOnly.h"

namespace mevstorage {
namespace git {

namespace {

using mevcore::filesupport::Disk;

// libgit2 reads a pack through windows mapped into memory, by default up to
// 1 GiB each and 8 GiB in all, when the export is verified and checked out.
// Small windows keep the pages of a large pack from adding up in the
// process's resident memory.
constexpr std::size_t kPackWindow = 8u << 20;
constexpr std::size_t kPackWindowsMapped = 32u << 20;

// The branch a checkout holds: the project's current state.
constexpr const char* kCheckedOutBranch = "production";

std::string Config(bool bare) {
  return std::string("[core]\n\trepositoryformatversion = 0\n\tfilemode = true\n\tbare = ") +
         (bare ? "true\n" : "false\n\tlogallrefupdates = true\n");
}

void RefuseExisting(const std::string& target) {
  struct stat info;
  if (Disk().Lstat(target, &info) == 0) {
    throw ExportTargetExists(target + " exists; nothing was written");
  }
  if (errno != ENOENT) ThrowDiskError("examine", target, errno);
}

// What the export read from the store before writing anything.
struct StoreContents {
  ReferenceFiles references;
  StoredIds listed;
};

StoreContents ReadStore(ObjectDatabase& database, const std::string& gitFolder) {
  StoreContents contents;
  // References first: every object they name is then in the listing.
  contents.references = ReadReferenceFiles(gitFolder);
  contents.listed = ListStoredIds(database);
  return contents;
}

std::uint64_t WritePack(ObjectDatabase& database, const StoredIds& listed,
                        const std::string& packFolder, const ExportOptions& options) {
  if (listed.ids.empty()) return 0;
  git_libgit2_opts(GIT_OPT_SET_MWINDOW_SIZE, kPackWindow);
  git_libgit2_opts(GIT_OPT_SET_MWINDOW_MAPPED_LIMIT, kPackWindowsMapped);
  PackWriter pack(packFolder, listed.ids.size());
  WriteStoredObjects(database, listed, pack, options);
  return pack.Finish().packBytes;
}

// The repository in the temporary folder, complete (its group makes it
// durable); the size of its pack.
std::uint64_t WriteRepository(ObjectDatabase& database, const StoreContents& contents,
                              const std::string& temporary, const ExportOptions& options) {
  const std::string gitDir = options.checkout ? temporary + "/.git" : temporary;
  if (options.checkout) MakeFolder(gitDir);
  for (const char* folder : {"objects", "objects/info", "objects/pack", "refs", "refs/heads",
                             "refs/tags"}) {
    MakeFolder(gitDir + "/" + folder);
  }
  const std::uint64_t packBytes =
      WritePack(database, contents.listed, gitDir + "/objects/pack", options);
  WriteReferenceFiles(contents.references, gitDir);
  WriteNewFile(gitDir + "/config", Config(!options.checkout));
  VerifyExport(gitDir, contents.listed);
  if (options.checkout) CheckOutBranch(temporary, kCheckedOutBranch);
  return packBytes;
}

}  // namespace

std::string ExportFolderName(const std::string& name, const ExportOptions& options) {
  return options.checkout ? name : name + ".git";
}

void ExportGroup::Add(const mevcore::filesupport::Dir& gitFolder, const std::string& name,
                      const ExportOptions& options) {
  const std::string folderName = ExportFolderName(name, options);
  const std::string target = targetFolder_ + "/" + folderName;
  RefuseExisting(target);
  const RepositoryHandle store = OpenRepositoryReadOnly(gitFolder);
  ObjectDatabase* database = FindObjectDatabase(store->ptr);
  if (!database) {
    throw StorageError("Unable to export " + gitFolder.FullPathMultiByte() +
                       ": it has no object database");
  }
  const StoreContents contents = ReadStore(*database, gitFolder.NativePath());
  if (fileSystem_ < 0) OpenFileSystem();
  const std::string temporary = MakeExportTemporary(targetFolder_, folderName);
  try {
    const std::uint64_t packBytes = WriteRepository(*database, contents, temporary, options);
    waiting_.push_back({temporary, {target, contents.listed.ids.size(), packBytes}});
  } catch (...) {
    std::string failedPath;
    RemoveTree(temporary, &failedPath);
    throw;
  }
}

std::vector<std::string> RemoveStaleExports(const std::string& folder) {
  std::vector<mevcore::filesupport::DiskInterface::Entry> entries;
  if (Disk().ListDir(folder, &entries) != 0) {
    return {"Unable to list " + folder + ": " + mevcore::config::ErrorText(errno)};
  }
  std::vector<std::string> failures;
  for (const auto& entry : entries) {
    if (!mevcore::filesupport::IsStaleTemporaryName(entry.name, kExportingMarker)) continue;
    std::string failedPath;
    const int error = RemoveTree(folder + "/" + entry.name, &failedPath);
    if (error != 0) {
      failures.push_back("Unable to remove " + failedPath + ", left by an export cut short: " +
                         mevcore::config::ErrorText(error));
    }
  }
  return failures;
}

}  // namespace git
}  // namespace mevstorage
