#pragma once

#include <string>

#include "mevcore/filesupport/Dir.h"

namespace mevstorage {
namespace testing {

// A new, empty folder under the temporary folder ($TMPDIR or /tmp), removed
// with everything in it when the value goes.
class TempFolder {
 public:
  TempFolder();
  // The same, under `base` instead.
  explicit TempFolder(const std::string& base);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  mevcore::filesupport::Dir AsDir() const;
  // The path of `name` inside the folder; nothing is made.
  std::string Child(const std::string& name) const;
  mevcore::filesupport::Dir ChildDir(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace testing
}  // namespace mevstorage
