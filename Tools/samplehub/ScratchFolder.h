#pragma once

#include <string>

namespace samplehub {

// A new, empty folder under the system's temporary folder, removed with all
// it holds when the value is destroyed. For tests.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }
  // `Path()` + "/" + `relative`.
  std::string operator/(const std::string& relative) const;

 private:
  std::string path_;
};

}  // namespace samplehub
