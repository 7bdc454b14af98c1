#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "mevcore/utility/Text.h"

namespace mevcore {
namespace filesupport {

class SubdirIterator;

// A filter over sub-folder names: true keeps the folder.
using SubdirFilter = std::function<bool(const utility::UTF16String& name)>;

// A value naming a folder. It keeps the native path bytes, so a folder whose
// name is not valid UTF-8 still works. Operations that touch the disk throw
// config::mev_exception on failure.
class Dir {
 public:
  Dir() = default;
  explicit Dir(const utility::UTF16String& path);
  Dir(const Dir& parent, const utility::UTF16String& child);
  static Dir FromNativePath(std::string path);

  bool IsEmpty() const { return path_.empty(); }
  bool Exists() const;

  utility::UTF16String FullPath() const;
  // The native path bytes, as the console shows them.
  std::string FullPathMultiByte() const { return path_; }
  const std::string& NativePath() const { return path_; }
  // The last element of the path.
  utility::UTF16String GetName() const;
  Dir Parent() const;

  // Renames the folder within its parent; never replaces an existing entry.
  // This value then names the renamed folder.
  void Rename(const utility::UTF16String& newName);

  // The direct sub-folders, in byte-wise ascending order of their names;
  // entries that are not folders, and symbolic links, are skipped. With
  // includeHidden false, names that begin with a dot are skipped too. `cancel`
  // (may be null) is asked before each step; true ends the walk. `filter` (may
  // be empty) keeps the names it returns true for. Throws when the folder is
  // missing or cannot be listed.
  SubdirIterator BeginSubdirs(bool includeHidden, bool (*cancel)(),
                              boost::shared_ptr<SubdirFilter> filter) const;
  SubdirIterator EndSubdirs() const;

 private:
  std::string path_;
};

class SubdirIterator {
 public:
  SubdirIterator() = default;  // the end marker

  bool operator==(const SubdirIterator& other) const;
  bool operator!=(const SubdirIterator& other) const { return !(*this == other); }
  Dir operator*() const;
  SubdirIterator& operator++();

 private:
  friend class Dir;
  struct State {
    Dir parent;
    std::vector<std::string> names;
    std::size_t position = 0;
    bool (*cancel)() = nullptr;
  };
  bool AtEnd() const;

  std::shared_ptr<State> state_;
};

}  // namespace filesupport
}  // namespace mevcore
