#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "mevcore/filesupport/Dir.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

// The export's target exists already; nothing was written.
class ExportTargetExists : public StorageError {
 public:
  using StorageError::StorageError;
};

// How far an export is, as it writes the objects.
struct ExportProgress {
  std::uint64_t objectsDone = 0;
  std::uint64_t objectsTotal = 0;
  std::uint64_t bytesDone = 0;  // uncompressed object bytes
  std::uint64_t bytesTotal = 0;
};

struct ExportOptions {
  // False: a bare repository "<name>.git". True: a repository "<name>" with
  // its objects and references in "<name>/.git", whose work tree holds the
  // files of the branch "production", checked out on that branch.
  bool checkout = false;
  // Called as the objects are written (after each batch of them, and within
  // a large one), when given.
  std::function<void(const ExportProgress&)> progress;
};

struct ExportSummary {
  std::string path;          // the repository made
  std::uint64_t objects = 0;  // objects in its pack
  std::uint64_t packBytes = 0;
};

// The name of the folder an export of the project `name` makes.
std::string ExportFolderName(const std::string& name, const ExportOptions& options);

// What became of one export when its group was finished: `error` is null
// when `summary` is in place and durable, else what failed
// (ExportTargetExists when the target came to exist meanwhile).
struct ExportOutcome {
  ExportSummary summary;
  std::exception_ptr error;
};

// Exports into one folder, made durable together so that syncing costs
// little per export. Add exports the repository in a project's "git" folder
// into a new standard Git repository `targetFolder`/ExportFolderName(name,
// options):
// - every row of the object database, reachable or not, into one pack with
//   its index (pack version 2 of undeltified objects, index version 2), each
//   object's id hashed again from its content as it is written, and what
//   Git's own check refuses and libgit2 reads all the same refused too: a
//   date or time zone of an author, committer or tagger that Git cannot
//   read; a tree entry of a mode or name Git refuses, two of one name, or
//   entries out of Git's order;
// - HEAD, the loose references and "packed-refs" copied as they are, and a
//   configuration of its own;
// - then checked, through libgit2 reading the pack by its index: the pack
//   holds exactly the ids read, and every reference and every object
//   reachable from one is in it;
// - with options.checkout, the work tree written by CheckOutBranch for the
//   branch "production" (nothing when the project has no such branch, as a
//   clone of the bare export would give).
// The store is opened as OpenRepositoryReadOnly opens it: nothing in it is
// made, changed or locked, and a host may write meanwhile (rows it commits
// during the export may or may not be exported; references are read first,
// so every object they name is). Everything is written, through Disk(), into
// ".<folder name>.exporting-<pid>-<n>" beside the target, and left there
// until Finish: that syncs the whole file system of `targetFolder` once
// (through a descriptor opened before the group's first write, so that a
// failure to write back any of its files is reported), renames each
// temporary to its target, never over one that exists, then syncs
// `targetFolder` once. When that last sync fails every target is renamed
// back, so that no final name holds an export that may not survive a crash.
// A temporary not put in place is removed, also by the destructor.
// `targetFolder` must exist. Add throws ExportTargetExists when the target
// exists (before anything is read or written), and StorageError naming the
// object, reference, row or path and the reason for anything else, its
// temporary removed and the group's other exports kept. libgit2's window
// over pack files is limited here for the whole process, so that memory
// stays bounded. Not for use from two threads at once.
class ExportGroup {
 public:
  explicit ExportGroup(std::string targetFolder);
  ~ExportGroup();
  ExportGroup(const ExportGroup&) = delete;
  ExportGroup& operator=(const ExportGroup&) = delete;

  void Add(const mevcore::filesupport::Dir& gitFolder, const std::string& name,
           const ExportOptions& options);
  // The exports added since the last Finish, and the bytes of their packs.
  std::size_t Waiting() const { return waiting_.size(); }
  std::uint64_t WaitingBytes() const;
  // Puts every export added since the last Finish in place, as above; their
  // outcomes, in the order they were added. Throws nothing but bad_alloc.
  std::vector<ExportOutcome> Finish();

 private:
  struct Written {
    std::string temporary;
    ExportSummary summary;
  };

  void OpenFileSystem();
  std::vector<ExportOutcome> PutEachInPlace();

  std::string targetFolder_;
  int fileSystem_ = -1;
  std::vector<Written> waiting_;
};

// Removes, in `folder`, the temporaries of exports whose process is gone (a
// crash or a kill left them). Returns one line for each that could not be
// removed, naming it and the reason.
std::vector<std::string> RemoveStaleExports(const std::string& folder);

}  // namespace git
}  // namespace mevstorage
