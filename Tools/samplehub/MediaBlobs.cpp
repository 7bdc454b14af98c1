#include "MediaBlobs.h"

#include <memory>

#include "GitErrors.h"
#include "SampleHubError.h"
#include "mevstorage/git/Repository.h"

namespace samplehub {

namespace {

using BuilderPtr = std::unique_ptr<git_treebuilder, decltype(&git_treebuilder_free)>;

std::string ZeroPadded(std::size_t value, std::size_t width) {
  std::string digits = std::to_string(value);
  return std::string(digits.size() < width ? width - digits.size() : 0, '0') + digits;
}

}  // namespace

std::string MediaBlobContent(std::size_t index) {
  return "{\"clip\":" + std::to_string(index) + ",\"source\":\"card-" +
         std::to_string(index % 8) + "\",\"frames\":" + std::to_string(100 + index % 900) + "}";
}

std::string MediaBlobName(std::size_t index, std::size_t count) {
  return "clip-" + ZeroPadded(index, std::to_string(count).size()) + ".json";
}

git_oid WriteMediaTree(const mevstorage::git::RepositoryHandle& repository,
                       const std::string& gitFolder, std::size_t count) {
  git_treebuilder* raw = nullptr;
  CheckGit(git_treebuilder_new(&raw, repository->ptr, nullptr), "start the media tree", gitFolder);
  BuilderPtr builder(raw, &git_treebuilder_free);
  for (std::size_t index = 0; index < count; ++index) {
    std::string content = MediaBlobContent(index);
    git_oid blob = mevstorage::git::WriteBlob(repository, content.data(), content.size());
    if (git_oid_is_zero(&blob))
      throw SampleHubError("Unable to write media blob " + std::to_string(index) + " in " +
                           gitFolder + ": " + LastGitError());
    CheckGit(git_treebuilder_insert(nullptr, raw, MediaBlobName(index, count).c_str(), &blob,
                                    GIT_FILEMODE_BLOB),
             "add media blob " + std::to_string(index), gitFolder);
  }
  git_oid tree;
  CheckGit(git_treebuilder_write(&tree, raw), "write the media tree", gitFolder);
  return tree;
}

}  // namespace samplehub
