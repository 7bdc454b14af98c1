#include <cerrno>
#include <cstring>
#include <vector>

#include "ObjectDatabase.h"
#include "RepositoryAccess.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/filesupport/DurableWrite.h"
#include "mevcore/filesupport/File.h"
#include "mevcore/utility/FileUtils.h"
#include "mevstorage/git/Repository.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

namespace {

using mevcore::filesupport::Dir;
using mevcore::filesupport::Disk;
using mevcore::filesupport::DiskInterface;
using mevcore::filesupport::DurableWriteFailure;
using mevcore::filesupport::DurableWriteOptions;
using mevcore::filesupport::WriteFileDurably;
using mevcore::filesupport::File;
using mevcore::utility::AsciiToUTF16;

constexpr const char* kConfig =
    "[core]\n"
    "\trepositoryformatversion = 0\n"
    "\tfilemode = true\n"
    "\tbare = true\n";

// Reports a failure of making the repository; `reason` says what failed.
class CreateFailure {
 public:
  explicit CreateFailure(const Dir& gitFolder) : folder_(gitFolder.FullPathMultiByte()) {}
  [[noreturn]] void Throw(const std::string& reason) const {
    throw StorageError("Unable to create a repository in " + folder_ + ": " + reason);
  }
  [[noreturn]] void ThrowSystem(const std::string& path, int error) const {
    Throw(path + ": " + mevcore::config::ErrorText(error));
  }

 private:
  std::string folder_;
};

void CheckBranchName(const std::string& branch, const CreateFailure& failure) {
  int valid = 0;
  const std::string name = "refs/heads/" + branch;
  if (git_reference_name_is_valid(&valid, name.c_str()) != 0 || !valid ||
      name.size() != std::strlen(name.c_str())) {
    failure.Throw("\"" + branch + "\" is not a valid branch name");
  }
}

// The folder exists and is empty afterwards.
void PrepareEmptyFolder(const Dir& gitFolder, const CreateFailure& failure) {
  if (!mevcore::utility::FileUtils::EnsureDirectoryExists(gitFolder.FullPath())) {
    failure.Throw("the folder cannot be made");
  }
  std::vector<DiskInterface::Entry> entries;
  if (Disk().ListDir(gitFolder.NativePath(), &entries) != 0) {
    failure.ThrowSystem(gitFolder.NativePath(), errno);
  }
  if (!entries.empty()) failure.Throw("the folder is not empty");
}

void MakeRepositoryFolder(const std::string& path, const CreateFailure& failure) {
  if (Disk().Mkdir(path, 0755) != 0) failure.ThrowSystem(path, errno);
}

// Writes a new file durably; never replaces an existing one.
void WriteNewRepositoryFile(const std::string& path, const std::string& text, const CreateFailure& failure) {
  DurableWriteOptions options;
  options.replace = false;
  DurableWriteFailure failed;
  const int error = WriteFileDurably(path, text.data(), text.size(), options, &failed);
  if (error != 0) failure.ThrowSystem(failed.path, error);
}

void SyncFolder(const std::string& path, const CreateFailure& failure) {
  if (Disk().SyncDir(path) != 0) failure.ThrowSystem(path, errno);
}

std::string ChildPath(const Dir& folder, const char* name) {
  return File(folder, AsciiToUTF16(name)).NativePath();
}

}  // namespace

RepositoryHandle CreateRepository(const Dir& gitFolder, const std::string& branch) {
  const CreateFailure failure(gitFolder);
  CheckBranchName(branch, failure);
  PrepareEmptyFolder(gitFolder, failure);
  for (const char* folder : {"objects", "refs", "refs/heads", "refs/tags"}) {
    MakeRepositoryFolder(ChildPath(gitFolder, folder), failure);
  }
  WriteNewRepositoryFile(ChildPath(gitFolder, "config"), kConfig, failure);
  std::string reason;
  if (!ObjectDatabase::Create(ChildPath(gitFolder, kObjectDatabaseName), &reason)) {
    failure.Throw(std::string(kObjectDatabaseName) + ": " + reason);
  }
  SyncFolder(ChildPath(gitFolder, "refs"), failure);
  // HEAD comes last: with it the folder becomes a repository for Git tools.
  // Its write syncs the folder, and with it every entry made above.
  WriteNewRepositoryFile(ChildPath(gitFolder, "HEAD"), "ref: refs/heads/" + branch + "\n", failure);
  return SQLite3OdbBackend::OpenRepository(gitFolder);
}

}  // namespace git
}  // namespace mevstorage
