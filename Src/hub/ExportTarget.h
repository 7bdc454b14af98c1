#pragma once

#include <string>

#include "mevcore/filesupport/Dir.h"

namespace velders {
namespace hub {

// The path without the slashes at its end ("/" stays).
std::string WithoutTrailingSlashes(std::string path);

// Whether the folder `path` (or, when it is missing, the folder it would be
// made in) is the hub or lies inside it, links followed. False when the hub
// is missing. Throws mevcore's mev_exception when a folder cannot be examined.
bool IsInside(const std::string& path, const mevcore::filesupport::Dir& hub);

// Makes the folder and those above it that are missing, each made durable in
// its parent. Throws mevcore's mev_exception naming the path, also when it
// is there but no folder.
void MakeFolders(const std::string& path);

}  // namespace hub
}  // namespace velders
