#include "lifted/ReadSessionProperties.h"

#include <boost/make_shared.hpp>

#include "lifted/GitErrorReport.h"
#include "platform/ReportSites.h"
#include "records/Constants.h"
#include "records/TimeStamps.h"

namespace velders {

namespace git = mevstorage::git;

bool ReadSessionProperties(const git::RepositoryHandle& repository,
                           boost::posix_time::ptime& lastModified,
                           SessionProperties& properties) {
  if (!repository || !repository->ptr) return false;
  git::Wrap<git_commit> commit;  // freed on every path

  git_oid head;
  const int resolved = git_reference_name_to_id(&head, repository->ptr, kHead.c_str());
  if (resolved != 0) {
    ReportGitError(sites::readHeadFailed, resolved);
    return false;
  }
  if (git_commit_lookup(&commit.ptr, repository->ptr, &head) != 0) return false;

  const git::TreeHandle tree = boost::make_shared<git::Wrap<git_tree>>();
  const int treeResult = git_commit_tree(&tree->ptr, commit.ptr);
  if (treeResult != 0) {
    ReportGitError(sites::readTreeFailed, treeResult);
    return false;
  }

  const git::BlobHandle blob = git::GetBlob(repository, tree, kPropertiesBlobName);
  SessionProperties read;
  if (!blob || !DeserializeFromBlob(*blob, read)) return false;

  const boost::posix_time::ptime time = LastModifiedFromCommitTime(git_commit_time(commit.ptr));
  properties = std::move(read);
  lastModified = time;
  return true;
}

}  // namespace velders
