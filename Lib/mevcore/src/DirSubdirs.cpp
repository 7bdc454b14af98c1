#include <dirent.h>

#include <algorithm>
#include <cerrno>

#include "FilePath.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/Dir.h"
#include "mevcore/filesupport/DiskInterface.h"

namespace mevcore {
namespace filesupport {
namespace {

// True for a real folder; symbolic links, even to folders, are not.
bool IsFolder(const std::string& parent, const DiskInterface::Entry& entry) {
  if (entry.type != DT_UNKNOWN) return entry.type == DT_DIR;
  const std::string path = filepath::Join(parent, entry.name);
  struct stat info;
  if (Disk().Lstat(path, &info) == 0) return S_ISDIR(info.st_mode);
  if (errno == ENOENT) return false;  // removed while the walk looked
  config::ThrowSystemError("Unable to examine", path, errno);
}

bool IsWanted(const std::string& name, bool includeHidden, const SubdirFilter* filter) {
  if (name.empty() || (!includeHidden && name.front() == '.')) return false;
  return filter == nullptr || !*filter || (*filter)(filepath::ToUTF16(name));
}

std::vector<std::string> SubfolderNames(const std::string& parent, bool includeHidden,
                                        const SubdirFilter* filter) {
  std::vector<DiskInterface::Entry> entries;
  if (Disk().ListDir(parent, &entries) != 0) {
    config::ThrowSystemError("Unable to list", parent, errno);
  }
  std::vector<std::string> names;
  for (const DiskInterface::Entry& entry : entries) {
    if (IsFolder(parent, entry) && IsWanted(entry.name, includeHidden, filter)) {
      names.push_back(entry.name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool Cancelled(bool (*cancel)()) { return cancel != nullptr && cancel(); }

}  // namespace

SubdirIterator Dir::BeginSubdirs(bool includeHidden, bool (*cancel)(),
                                 boost::shared_ptr<SubdirFilter> filter) const {
  SubdirIterator iterator;
  if (Cancelled(cancel)) return iterator;
  iterator.state_ = std::make_shared<SubdirIterator::State>();
  iterator.state_->parent = *this;
  iterator.state_->names = SubfolderNames(path_, includeHidden, filter.get());
  iterator.state_->cancel = cancel;
  return iterator;
}

SubdirIterator Dir::EndSubdirs() const { return SubdirIterator(); }

bool SubdirIterator::AtEnd() const { return !state_ || state_->position >= state_->names.size(); }

bool SubdirIterator::operator==(const SubdirIterator& other) const {
  if (AtEnd() || other.AtEnd()) return AtEnd() && other.AtEnd();
  if (state_->position != other.state_->position) return false;
  return state_ == other.state_ ||
         (state_->parent.NativePath() == other.state_->parent.NativePath() &&
          state_->names == other.state_->names);
}

Dir SubdirIterator::operator*() const {
  if (AtEnd()) throw config::mev_exception("There is no sub-folder at the end of a folder walk");
  return Dir::FromNativePath(filepath::Join(state_->parent.NativePath(), state_->names[state_->position]));
}

SubdirIterator& SubdirIterator::operator++() {
  if (AtEnd()) return *this;
  // Copies of an iterator walk on their own.
  if (state_.use_count() > 1) state_ = std::make_shared<State>(*state_);
  if (Cancelled(state_->cancel)) {
    state_.reset();
  } else {
    ++state_->position;
  }
  return *this;
}

}  // namespace filesupport
}  // namespace mevcore
