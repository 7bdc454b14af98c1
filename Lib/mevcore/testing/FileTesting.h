#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "mevcore/utility/Text.h"

// Helpers for the file layer's tests: a scratch folder on the real disk and
// plain-stream access to files, independent of the code under test.
namespace mevcore {
namespace filesupport {
namespace testing {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/mevcore-files-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool IsThere(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::symlink_status(path, ignored).type() !=
         std::filesystem::file_type::not_found;
}

inline utility::UTF16String U(const std::string& text) {
  return utility::UTF8to16(utility::ToUTF8(text));
}

inline std::string Narrow(const utility::UTF16String& text) {
  return utility::ToNarrow(utility::UTF16to8(text));
}

}  // namespace testing
}  // namespace filesupport
}  // namespace mevcore
