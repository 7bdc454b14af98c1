#pragma once

#include <cstddef>
#include <string>

namespace bench {

// The content of bulk blob `index`, of exactly `size` bytes. Text: "Note
// <index>" and lines of words from a small vocabulary, which compresses
// about as well as prose. Media: bytes that do not compress, a stream of its
// own for every index. Distinct for every index.
std::string BulkText(std::size_t index, std::size_t size);
std::string BulkMedia(std::size_t index, std::size_t size);

// Whether bulk blob `index` stands for media (every tenth) or is text.
bool IsBulkMedia(std::size_t index);

// How many commits a bulk project has on top of its first, and so the
// fewest objects it can have: 5 in the first commit, 4 more (a batch tree,
// "footage", the root tree and the commit) for each further one, and one
// blob in each batch.
constexpr std::size_t kBulkBatches = 10;
constexpr std::size_t kBulkProjectMinObjects = 5 + 5 * kBulkBatches;

// Makes, in `hubFolder` (made when missing), the project folder
// BenchFolderName(0, 1), which must not exist yet, whose repository holds
// exactly `objects` objects (at least kBulkProjectMinObjects) and about
// `mebibytes` MiB: a first commit of the session properties and a data
// file, then kBulkBatches commits, each adding one batch of the bulk blobs
// as "footage/batch-<b>" to the tree. Half of the bulk bytes are text, half
// media; media blobs, being one in ten, are nine times larger on average.
// Sizes vary from half to one and a half times the mean. The storage
// library must be started. Throws std::runtime_error, the sample hub
// builder's or the storage library's errors, naming what failed.
void MakeBulkProject(const std::string& hubFolder, std::size_t objects, std::size_t mebibytes);

}  // namespace bench
