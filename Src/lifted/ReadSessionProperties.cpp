#include "lifted/ReadSessionProperties.h"

#include <boost/make_shared.hpp>

#include "lifted/GitErrorReport.h"
#include "platform/ReportSites.h"
#include "records/Constants.h"
#include "records/TimeStamps.h"

namespace velders {

namespace git = mevstorage::git;

namespace {

// Why the tree gave no "properties" blob: 0 when it has no blob entry of
// that name, else libgit2's result for reading the blob's object.
int PropertiesBlobFailure(const git::RepositoryHandle& repository, const git::TreeHandle& tree) {
  const git_tree_entry* entry = git_tree_entry_byname(tree->ptr, kPropertiesBlobName.c_str());
  if (!entry || git_tree_entry_type(entry) != GIT_OBJECT_BLOB) return 0;
  git::Wrap<git_blob> blob;
  return git_blob_lookup(&blob.ptr, repository->ptr, git_tree_entry_id(entry));
}

}  // namespace

bool ReadSessionProperties(const git::RepositoryHandle& repository,
                           boost::posix_time::ptime& lastModified,
                           SessionProperties& properties) {
  if (!repository || !repository->ptr) return false;
  git_oid head;
  const int resolved = git_reference_name_to_id(&head, repository->ptr, kHead.c_str());
  if (resolved != 0) {
    ReportGitError(sites::readHeadFailed, resolved);
    return false;
  }
  return ReadSessionPropertiesAt(repository, head, lastModified, properties);
}

bool ReadSessionPropertiesAt(const git::RepositoryHandle& repository, const git_oid& commitId,
                             boost::posix_time::ptime& lastModified,
                             SessionProperties& properties) {
  if (!repository || !repository->ptr) return false;
  git::Wrap<git_commit> commit;  // freed on every path
  const int looked = git_commit_lookup(&commit.ptr, repository->ptr, &commitId);
  if (looked != 0) {
    ReportGitError(sites::readCommitFailed, looked);
    return false;
  }

  const git::TreeHandle tree = boost::make_shared<git::Wrap<git_tree>>();
  const int treeResult = git_commit_tree(&tree->ptr, commit.ptr);
  if (treeResult != 0) {
    ReportGitError(sites::readTreeFailed, treeResult);
    return false;
  }

  const git::BlobHandle blob = git::GetBlob(repository, tree, kPropertiesBlobName);
  if (!blob || !blob->ptr) {
    if (const int failure = PropertiesBlobFailure(repository, tree)) {
      ReportGitError(sites::readBlobFailed, failure);
    }
    return false;
  }
  SessionProperties read;
  if (!DeserializeFromBlob(*blob, read)) return false;

  const boost::posix_time::ptime time = LastModifiedFromCommitTime(git_commit_time(commit.ptr));
  properties = std::move(read);
  lastModified = time;
  return true;
}

}  // namespace velders
