#pragma once

#include <boost/shared_ptr.hpp>
#include <git2.h>

#include <string>

#include "mevcore/filesupport/Dir.h"
#include "mevcore/utility/ImmutableString.h"
#include "mevcore/utility/RecycledMemory.h"
#include "mevstorage/git/StorageError.h"
#include "mevstorage/git/Wrap.h"

// How the storage library reports failure. Two groups:
// - The functions of this header that the recovery's session properties code
//   is written against (GetHeadCommit, GetCommit, GetTreeAtCommit, GetBlob,
//   ConstructRootTreeBuilderNode, TreeBuilderInsertPayload,
//   FinalizeTreeBuilderNode, WriteCommit, SetBranchToCommit) report it by
//   their result: an empty handle, a null node, an all-zero id or false, with
//   libgit2's last error (LastGitError) saying why; so does Repository.h's
//   WriteBlob, a helper for tools and tests, with an all-zero id.
//   OpenRepository throws.
// - Every other function of the library (SetReference, RemoveReference,
//   FlushWrites here; References.h, Repository.h, ReadOnly.h, Verify.h,
//   Export.h, Checkout.h, DatabaseFiles.h; ReadableOnlyByAWriter aside, a
//   question answered false when it cannot be told) throws StorageError,
//   whose message names what failed and carries the reason: libgit2's class
//   and message, or the system's text for an errno. The caller that catches
//   it says it, once.
// A read of the object database that fails leaves a trace in the structured
// log as well, whichever group asked for it, since the first group's callers
// may pass over an empty result without a word.

namespace mevstorage {
namespace git {

using RepositoryHandle = boost::shared_ptr<Wrap<git_repository>>;
using CommitHandle = boost::shared_ptr<Wrap<git_commit>>;
using TreeHandle = boost::shared_ptr<Wrap<git_tree>>;
using BlobHandle = boost::shared_ptr<Wrap<git_blob>>;
using TreeBuilderHandle = boost::shared_ptr<Wrap<git_treebuilder>>;

// An editable tree: a copy of a tree that entries can be inserted into.
struct TreeBuilderNode {
  TreeBuilderHandle builder;
};

// Once at start, before any repository is opened; once at the end, after
// every handle is released.
void Startup();
void Shutdown();

class SQLite3OdbBackend {
 public:
  // Opens a project's "git" folder: a bare repository whose objects live in
  // "odb.sqlite3" inside it. Creates and changes nothing. Throws
  // StorageError (a std::exception) naming the folder and the reason when
  // there is no usable repository; for a folder that belongs to another user
  // than the process's effective one ("root" included) the reason alone:
  // "<folder> is owned by user <uid>; run as that user".
  static RepositoryHandle OpenRepository(const mevcore::filesupport::Dir& gitFolder);
};

// The commit HEAD names; empty on failure.
CommitHandle GetHeadCommit(const RepositoryHandle& repository);
// The commit's root tree; empty on failure.
TreeHandle GetTreeAtCommit(const CommitHandle& commit);
// The blob of the tree's entry `name`; empty when absent or not a blob.
BlobHandle GetBlob(const RepositoryHandle& repository, const TreeHandle& tree,
                   const mevcore::utility::ImmutableString& name);
// An editable copy of the tree (of an empty tree when the handle is empty);
// null on failure.
boost::shared_ptr<TreeBuilderNode> ConstructRootTreeBuilderNode(
    const RepositoryHandle& repository, const TreeHandle& tree);
// Makes a blob of the payload's bytes (not copied first) and sets the entry
// `name` of the builder to it. True once the entry holds that blob.
bool TreeBuilderInsertPayload(
    const RepositoryHandle& repository, const TreeBuilderHandle& builder,
    const mevcore::utility::ImmutableString& name,
    const boost::shared_ptr<const mevcore::utility::RecycledMemory>& payload);
// Writes the node's tree; all zero on failure.
git_oid FinalizeTreeBuilderNode(const RepositoryHandle& repository,
                                const boost::shared_ptr<TreeBuilderNode>& node);
// Commits the tree with the message, its parent the commit HEAD names (none
// when HEAD names nothing yet), author and committer "Velders Recovery", time
// now. Empty on failure.
CommitHandle WriteCommit(const RepositoryHandle& repository, const TreeHandle& tree,
                         const char* message);
// WriteCommit with the parent given rather than read from HEAD: `parent`,
// or none when the handle is empty.
CommitHandle WriteCommit(const RepositoryHandle& repository, const TreeHandle& tree,
                         const CommitHandle& parent, const char* message);
// The commit `id`; empty on failure.
CommitHandle GetCommit(const RepositoryHandle& repository, const git_oid& id);
// Moves refs/heads/<branch> to the commit, making it if missing. True once
// the branch names the commit (and the commit is durable: pending writes are
// flushed first, and the branch stays where it was when that fails).
bool SetBranchToCommit(const RepositoryHandle& repository,
                       const mevcore::utility::ImmutableString& branch,
                       const CommitHandle& commit);

// Points the reference `name` (in full: "refs/...") at the commit `target`
// (hex) the way SetBranchToCommit moves a branch: pending writes made durable
// first, then "<name>.lock" made exclusively, synced and renamed over the
// reference. Returns once the reference names the target; else throws
// StorageError with libgit2's reason as its message, and the reference is
// where it was.
void SetReference(const RepositoryHandle& repository, const std::string& name,
                  const std::string& target);
// The same, moving the reference only from the commit `from` (hex; empty:
// the reference is not there yet): that it still names `from` is checked
// once its lock file is held, so that one another program moved meanwhile
// stays where that program left it, and the reason says what it names now.
void MoveReference(const RepositoryHandle& repository, const std::string& name,
                   const std::string& from, const std::string& target);
// Removes the loose file of the reference `name` ("refs/..."), durably.
// Returns once there is no such file; a reference kept only in "packed-refs"
// is not touched. Throws StorageError with libgit2's reason as its message.
void RemoveReference(const RepositoryHandle& repository, const std::string& name);
// The same, only while the reference still names `from` (hex), checked with
// its lock file held, as MoveReference checks it.
void RemoveReference(const RepositoryHandle& repository, const std::string& name,
                     const std::string& from);

// Commits every object written so far to the database, durably. Writes are
// otherwise gathered until the branch moves or the repository is released.
// Throws StorageError "Unable to make the writes durable in <folder>:
// <reason>" (Reason(): the database's own text) when something stays
// pending.
void FlushWrites(const RepositoryHandle& repository);

}  // namespace git
}  // namespace mevstorage
