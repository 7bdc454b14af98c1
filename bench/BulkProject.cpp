#include "BulkProject.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>

#include "BenchHub.h"
#include "FolderFiles.h"
#include "GitErrors.h"
#include "SampleHub.h"
#include "mevstorage/git/Repository.h"

namespace bench {

namespace git = mevstorage::git;

namespace {

using TreePtr = std::unique_ptr<git_tree, decltype(&git_tree_free)>;
using BuilderPtr = std::unique_ptr<git_treebuilder, decltype(&git_treebuilder_free)>;

const char* const kWords[64] = {
    "take",   "scene",  "shot",   "close",   "wide",    "pan",     "tilt",    "cut",
    "fade",   "in",     "out",    "the",     "a",       "of",      "and",     "on",
    "camera", "light",  "sound",  "actor",   "door",    "window",  "street",  "night",
    "day",    "rain",   "slow",   "fast",    "left",    "right",   "frame",   "focus",
    "colour", "grade",  "audio",  "music",   "cue",     "marker",  "reel",    "clip",
    "track",  "level",  "mix",    "room",    "tone",    "voice",   "over",    "under",
    "with",   "after",  "before", "again",   "hold",    "move",    "turn",    "look",
    "enters", "leaves", "speaks", "waits",   "runs",    "stops",   "smiles",  "ends"};

// Where bulk blobs begin to take their sizes from: every blob is at least
// this large, so that its text is more than its header.
constexpr std::size_t kSmallestBulkBlob = 64;

// A fraction in [0, 1) that spreads the indices evenly.
double SpreadOf(std::size_t index) { return static_cast<double>((index * 7919) % 1000) / 1000; }

// The bulk blobs of a project and their mean sizes.
struct BulkLayout {
  std::size_t blobs = 0;
  double textMean = 0;
  double mediaMean = 0;

  BulkLayout(std::size_t objects, std::size_t mebibytes) {
    if (objects < kBulkProjectMinObjects)
      throw std::runtime_error("A bulk project needs at least " +
                               std::to_string(kBulkProjectMinObjects) + " objects, not " +
                               std::to_string(objects));
    blobs = objects - 5 - 4 * kBulkBatches;
    const std::size_t media = blobs / 10;
    const double bytes = static_cast<double>(mebibytes) * (1 << 20);
    textMean = media == 0 ? bytes / blobs : bytes / 2 / (blobs - media);
    mediaMean = media == 0 ? 0 : bytes / 2 / media;
  }

  std::size_t SizeOf(std::size_t index) const {
    const double mean = IsBulkMedia(index) ? mediaMean : textMean;
    return std::max(kSmallestBulkBlob, static_cast<std::size_t>(mean * (0.5 + SpreadOf(index))));
  }
};

std::string NumberedName(const char* format, std::size_t index) {
  char name[32];
  std::snprintf(name, sizeof name, format, index);
  return name;
}

// The tree `base` (none when null) with the entry `name` set to `id`.
git_oid WithEntry(const git::RepositoryHandle& repository, const std::string& gitFolder,
                  const git_oid* base, const std::string& name, const git_oid& id,
                  git_filemode_t mode) {
  git_tree* baseTree = nullptr;
  if (base)
    samplehub::CheckGit(git_tree_lookup(&baseTree, repository->ptr, base), "look up a tree",
                        gitFolder);
  TreePtr baseOwner(baseTree, &git_tree_free);
  git_treebuilder* raw = nullptr;
  samplehub::CheckGit(git_treebuilder_new(&raw, repository->ptr, baseTree), "start a tree",
                      gitFolder);
  BuilderPtr builder(raw, &git_treebuilder_free);
  samplehub::CheckGit(git_treebuilder_insert(nullptr, raw, name.c_str(), &id, mode),
                      "add \"" + name + "\" to a tree", gitFolder);
  git_oid tree;
  samplehub::CheckGit(git_treebuilder_write(&tree, raw), "write a tree", gitFolder);
  return tree;
}

// Writes bulk blobs first .. last-1 and the tree that holds them.
git_oid WriteBatch(const git::RepositoryHandle& repository, const std::string& gitFolder,
                   const BulkLayout& layout, std::size_t first, std::size_t last) {
  git_treebuilder* raw = nullptr;
  samplehub::CheckGit(git_treebuilder_new(&raw, repository->ptr, nullptr), "start a batch tree",
                      gitFolder);
  BuilderPtr builder(raw, &git_treebuilder_free);
  for (std::size_t index = first; index < last; ++index) {
    const bool media = IsBulkMedia(index);
    const std::string content =
        media ? BulkMedia(index, layout.SizeOf(index)) : BulkText(index, layout.SizeOf(index));
    const git_oid blob = git::WriteBlob(repository, content.data(), content.size());
    if (git_oid_is_zero(&blob))
      throw std::runtime_error("Unable to write bulk blob " + std::to_string(index) + " in " +
                               gitFolder + ": " + samplehub::LastGitError());
    const std::string name = NumberedName(media ? "clip-%06zu.bin" : "note-%06zu.txt", index);
    samplehub::CheckGit(git_treebuilder_insert(nullptr, raw, name.c_str(), &blob, GIT_FILEMODE_BLOB),
                        "add bulk blob " + std::to_string(index), gitFolder);
  }
  git_oid tree;
  samplehub::CheckGit(git_treebuilder_write(&tree, raw), "write a batch tree", gitFolder);
  return tree;
}

git::TreeHandle LookupTree(const git::RepositoryHandle& repository, const std::string& gitFolder,
                           const git_oid& id) {
  git::TreeHandle tree(new git::Wrap<git_tree>());
  samplehub::CheckGit(git_tree_lookup(&tree->ptr, repository->ptr, &id), "look up the root tree",
                      gitFolder);
  return tree;
}

samplehub::SampleProject FirstCommit() {
  samplehub::SampleProject project;
  project.folderName = BenchFolderName(0, 1);
  project.properties = {kBenchProjectName, "Timing exports of a large project",
                        {"bench", "export"}, "frameRate", 25};
  project.commitTimes = {1525249800};
  project.treeFiles = {{"data/model.json", R"({"bins":["Footage","Notes"],"sequences":1})"}};
  return project;
}

}  // namespace

std::string BulkText(std::size_t index, std::size_t size) {
  std::string text = "Note " + std::to_string(index) + "\n";
  text.reserve(size + 16);
  std::mt19937_64 words(index);
  for (std::size_t count = 1; text.size() < size;) {
    std::uint64_t bits = words();
    for (int k = 0; k < 10 && text.size() < size; ++k, ++count, bits >>= 6) {
      text += kWords[bits & 63];
      text += count % 12 == 0 ? '\n' : ' ';
    }
  }
  text.resize(size);
  return text;
}

std::string BulkMedia(std::size_t index, std::size_t size) {
  std::string bytes(size, '\0');
  // Another stream than the text of the same index.
  std::mt19937_64 noise(~static_cast<std::uint64_t>(index));
  for (std::size_t at = 0; at < size; at += 8) {
    const std::uint64_t value = noise();
    std::memcpy(&bytes[at], &value, std::min<std::size_t>(8, size - at));
  }
  return bytes;
}

bool IsBulkMedia(std::size_t index) { return index % 10 == 9; }

void MakeBulkProject(const std::string& hubFolder, std::size_t objects, std::size_t mebibytes) {
  const BulkLayout layout(objects, mebibytes);
  const samplehub::SampleProject first = FirstCommit();
  const std::string gitFolder = samplehub::JoinPath(samplehub::MakeProject(hubFolder, first), "git");
  const git::RepositoryHandle repository =
      git::SQLite3OdbBackend::OpenRepository(mevcore::filesupport::Dir::FromNativePath(gitFolder));
  git::CommitHandle head = git::GetHeadCommit(repository);
  if (!head) throw std::runtime_error("Unable to read the head commit of " + gitFolder);
  git_oid footage{};
  for (std::size_t batch = 0; batch < kBulkBatches; ++batch) {
    const git_oid batchTree = WriteBatch(repository, gitFolder, layout,
                                         layout.blobs * batch / kBulkBatches,
                                         layout.blobs * (batch + 1) / kBulkBatches);
    footage = WithEntry(repository, gitFolder, batch ? &footage : nullptr,
                        NumberedName("batch-%02zu", batch), batchTree, GIT_FILEMODE_TREE);
    const git_oid root = WithEntry(repository, gitFolder, git_commit_tree_id(head->ptr), "footage",
                                   footage, GIT_FILEMODE_TREE);
    head = git::CommitTreeAt(repository, LookupTree(repository, gitFolder, root), head,
                             "Added footage batch " + std::to_string(batch + 1),
                             first.commitTimes.front() + 86400 * static_cast<std::int64_t>(batch + 1));
  }
}

}  // namespace bench
