#pragma once

#include <string>

#include "mevcore/filesupport/File.h"
#include "mevcore/utility/Text.h"

// Native path handling shared by Dir and File. Paths are kept as the bytes the
// system uses, without a trailing slash (except the root "/").
namespace mevcore {
namespace filesupport {
namespace filepath {

std::string FromUTF16(const utility::UTF16String& path);
utility::UTF16String ToUTF16(const std::string& path);

std::string WithoutTrailingSlash(std::string path);
std::string Join(const std::string& parent, const std::string& child);
// The last element; empty for the root.
std::string LastElement(const std::string& path);
// The folder above; "." for a bare name, "/" for the root itself.
std::string ParentOf(const std::string& path);

// Renames `*path` to `newName` in the same folder without replacing anything,
// points `*path` at the new name, then (FolderSync::kNow) makes the change
// durable. Throws
// config::mev_exception when the name is not a plain name or a step fails; once
// the rename itself has succeeded, `*path` names the new entry.
void RenameWithinParent(std::string* path, const utility::UTF16String& newName,
                        FolderSync sync = FolderSync::kNow);

}  // namespace filepath
}  // namespace filesupport
}  // namespace mevcore
