#pragma once

#include <cstdint>
#include <string>

#include "mevcore/filesupport/Dir.h"
#include "mevcore/utility/Text.h"

namespace mevcore {
namespace filesupport {

// Whether a call that changes a folder's entries syncs the folder itself, or
// leaves that to its caller, who makes several changes to the same folder
// durable with one sync.
enum class FolderSync { kNow, kByCaller };

// A value naming a file, keeping the native path bytes. Operations that touch
// the disk throw config::mev_exception on failure.
class File {
 public:
  File() = default;
  explicit File(const utility::UTF16String& path);
  File(const Dir& folder, const utility::UTF16String& name);
  static File FromNativePath(std::string path);

  // True when an entry of this name exists (whatever its kind).
  bool Exists() const;
  // The length of the regular file the path names (links followed); anything
  // else (a FIFO, a device, a folder) has none and throws.
  std::uint64_t Length() const;

  utility::UTF16String FullPath() const;
  std::string FullPathMultiByte() const { return path_; }
  const std::string& NativePath() const { return path_; }
  utility::UTF16String GetName() const;
  Dir GetDir() const;
  // The extension of the name: from its last dot on (withDot) or after it.
  // Empty when the name has no dot, or its only dot is its first character.
  utility::UTF16String GetExtension(bool withDot) const;
  // The name less its extension and dot.
  utility::UTF16String GetTitle() const;

  // Renames within the same folder; never replaces an existing entry. With
  // FolderSync::kNow the folder is synced after it, so that the rename is
  // durable when the call returns.
  void Rename(const utility::UTF16String& newName, FolderSync sync = FolderSync::kNow);
  // Makes the file if it is missing. With failIfExists false an existing file
  // is left as it is; with true an existing file is an error. Either way an
  // entry that is not a regular file is an error, found without blocking.
  void Create(bool failIfExists);

 private:
  std::string path_;
};

}  // namespace filesupport
}  // namespace mevcore
