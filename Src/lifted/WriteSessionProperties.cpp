#include "lifted/WriteSessionProperties.h"

#include <boost/make_shared.hpp>

#include "lifted/GitErrorReport.h"
#include "mevcore/utility/RecycledMemory.h"
#include "platform/ReportSites.h"
#include "records/Constants.h"

namespace velders {
namespace {

namespace git = mevstorage::git;
using mevcore::utility::RecycledMemory;
using mevcore::utility::UTF8String;

void ReportCommitFailed(const git::RepositoryHandle& repository) {
  const char* path = git_repository_path(repository->ptr);
  Report(sites::commitFailed, {{"path", path ? path : ""}});
}

// A step that failed inside the storage library: the repository, the step
// and libgit2's reason.
void ReportStepFailed(const git::RepositoryHandle& repository, const char* step) {
  const char* path = git_repository_path(repository->ptr);
  const git_error* last = git_error_last();
  Report(sites::commitStepFailed, {{"path", path ? path : ""},
                                   {"step", step},
                                   {"message", last && last->message ? last->message : ""}});
}

git::TreeHandle TreeOf(const git::CommitHandle& commit) {
  if (!commit || !commit->ptr) return git::TreeHandle();
  return git::GetTreeAtCommit(commit);
}

// The record's JSON text as a payload that refers to the text's own bytes
// and keeps the text alive.
boost::shared_ptr<const RecycledMemory> PropertiesPayload(SessionProperties properties) {
  const auto text = boost::make_shared<const UTF8String>(mevcore::serialization::GetJSONUTF8String(
      boost::make_shared<boost::any>(SessionPropertiesToVariant(properties)), false));
  const boost::shared_ptr<RecycledMemory> payload = RecycledMemory::Create(0);
  payload->Free();
  payload->ReferTo(text->data(), text->size(), text);
  return payload;
}

// The tree the node writes; empty when it is not written.
git::TreeHandle WriteTree(const git::RepositoryHandle& repository,
                          const boost::shared_ptr<git::TreeBuilderNode>& node) {
  const git_oid id = git::FinalizeTreeBuilderNode(repository, node);
  if (git_oid_iszero(&id)) {
    ReportStepFailed(repository, "write the tree");
    return git::TreeHandle();
  }
  const git::TreeHandle tree = boost::make_shared<git::Wrap<git_tree>>();
  const int looked = git_tree_lookup(&tree->ptr, repository->ptr, &id);
  if (looked != 0) {
    ReportGitError(sites::writeTreeLookupFailed, looked);
    return git::TreeHandle();
  }
  return tree;
}

}  // namespace

git::CommitHandle CommitSessionProperties(const git::RepositoryHandle& repository,
                                          const git::CommitHandle& head,
                                          SessionProperties properties,
                                          const UTF8String& message) {
  if (!repository || !repository->ptr) return git::CommitHandle();
  const git::TreeHandle headTree = TreeOf(head);
  if (!headTree || !headTree->ptr) {
    ReportCommitFailed(repository);
    return git::CommitHandle();
  }
  const boost::shared_ptr<git::TreeBuilderNode> node =
      git::ConstructRootTreeBuilderNode(repository, headTree);
  if (!node || !node->builder || !node->builder->ptr) {
    ReportStepFailed(repository, "copy the head tree");
    return git::CommitHandle();
  }
  // Made in a statement of its own, so that the record given to it is freed
  // before the blob is stored.
  const auto payload = PropertiesPayload(std::move(properties));
  if (!git::TreeBuilderInsertPayload(repository, node->builder, kPropertiesBlobName, payload)) {
    ReportStepFailed(repository, "store the properties");
    return git::CommitHandle();
  }
  const git::TreeHandle tree = WriteTree(repository, node);
  if (!tree) return git::CommitHandle();
  const git::CommitHandle commit =
      git::WriteCommit(repository, tree, head, reinterpret_cast<const char*>(message.c_str()));
  if (!commit || !commit->ptr) {
    ReportCommitFailed(repository);
    return git::CommitHandle();
  }
  return commit;
}

bool WriteSessionProperties(const git::RepositoryHandle& repository,
                            const SessionProperties& properties, const UTF8String& message) {
  const git::CommitHandle commit =
      CommitSessionProperties(repository, git::GetHeadCommit(repository), properties, message);
  if (!commit) return false;
  if (!git::SetBranchToCommit(repository, kProductionBranch, commit)) {
    ReportStepFailed(repository, "move the branch");
    return false;
  }
  return true;
}

}  // namespace velders
