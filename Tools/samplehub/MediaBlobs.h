#pragma once

#include <cstddef>
#include <string>

#include <git2.h>

#include "mevstorage/git/Storage.h"

namespace samplehub {

// The bytes of media blob `index`; distinct for every index.
std::string MediaBlobContent(std::size_t index);
// The tree entry name of media blob `index` of `count`: "clip-" and the
// index, zero-padded to the width of `count`, then ".json".
std::string MediaBlobName(std::size_t index, std::size_t count);

// Writes media blobs 0 .. count-1 and the tree that holds them under their
// MediaBlobName; returns the tree's id. The storage library gathers the
// writes in one transaction, so this stays fast for many blobs.
git_oid WriteMediaTree(const mevstorage::git::RepositoryHandle& repository,
                       const std::string& gitFolder, std::size_t count);

}  // namespace samplehub
