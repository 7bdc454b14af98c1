#pragma once

#include <git2.h>

#include <string>

#include "mevstorage/git/Storage.h"

namespace mevstorage {
namespace git {

// Object ids, references and history, with ids in their hex form. Every
// function here throws StorageError, carrying libgit2's class and message,
// when it cannot do what it says.

// The 40 lower-case hex digits of the id.
std::string HexOf(const git_oid& id);
// The id whose hex form is `hex`. Throws StorageError "\"<hex>\" is not an
// object id" when it is no such form.
git_oid IdOf(const std::string& hex);
// The hex id of the commit. Throws StorageError for an empty handle.
std::string CommitHex(const CommitHandle& commit);

// The commit the reference `name` ("HEAD" or "refs/...") names, in hex;
// empty when there is no such reference or it names a branch with no commit
// yet. Throws StorageError "Unable to read <name>: <reason>".
std::string ResolveReference(const RepositoryHandle& repository, const std::string& name);

// What HEAD and the reference `name` ("refs/...") name, each as
// ResolveReference gives it, HEAD's failures first.
struct HeadAndReference {
  std::string head;
  std::string reference;
};
// Reads each file once: when HEAD is a symbolic reference to `name`, as a
// project's HEAD is to "production", `name` is resolved once for both, and a
// failure to read it is HEAD's ("Unable to read HEAD: <reason>").
HeadAndReference ResolveHeadAnd(const RepositoryHandle& repository, const std::string& name);

// The commit `hex`. Throws StorageError "Unable to read the commit <hex>:
// <reason>".
CommitHandle ReadCommit(const RepositoryHandle& repository, const std::string& hex);

// Whether `ancestor` is `commit` or one of its ancestors. Throws StorageError
// "Unable to walk the history: <reason>".
bool DescendsFrom(const RepositoryHandle& repository, const std::string& commit,
                  const std::string& ancestor);

// Whether a commit on the first-parent history of `tip`, `tip` included, has
// a message that begins with `prefix`. A history that cannot be read to its
// end when no such commit was met tells nothing: StorageError "Unable to
// walk the history: <reason>".
bool FirstParentHistoryHas(const RepositoryHandle& repository, const std::string& tip,
                           const std::string& prefix);

// The blob `name` of the tree of the commit HEAD names, with that commit.
struct HeadBlob {
  std::string commit;  // hex
  BlobHandle blob;
};
// Reads it as GetHeadCommit, GetTreeAtCommit and GetBlob do, saying which
// read failed: StorageError "Unable to resolve HEAD: <reason>", "Unable to
// read the commit <hex>: <reason>", "Unable to read the tree of the commit
// <hex>: <reason>", "The tree of the commit <hex> holds no \"<name>\"" (no
// such entry, or one that is not a blob) or "Unable to read \"<name>\" of the
// commit <hex>: <reason>".
HeadBlob ReadHeadBlob(const RepositoryHandle& repository, const std::string& name);

}  // namespace git
}  // namespace mevstorage
