#include "FuzzSupport.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>
#include <vector>

#include "mevstorage/git/Storage.h"

namespace fuzz {

namespace fs = std::filesystem;

void Fail(const std::string& what, const std::string& detail) {
  std::fprintf(stderr, "%s\n", what.c_str());
  // Enough of the input to recognise it; the whole of it is in the saved file.
  constexpr std::size_t kShown = 300;
  if (!detail.empty()) {
    std::fprintf(stderr, "  %s%s\n", Escaped(detail.substr(0, kShown)).c_str(),
                 detail.size() > kShown ? "..." : "");
  }
  std::abort();
}

std::string Escaped(const std::string& bytes) {
  std::string text;
  char escape[5];
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f && byte != '\\') {
      text += c;
    } else {
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      text += escape;
    }
  }
  return text;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) Fail("the harness could not write " + path);
}

bool ReadFile(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  *bytes = content.str();
  return true;
}

void RemoveFile(const std::string& path) {
  std::error_code error;
  fs::remove(path, error);
  if (error) Fail("the harness could not remove " + path + ": " + error.message());
}

std::map<std::string, std::string> FolderContents(const std::string& folder) {
  std::map<std::string, std::string> contents;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    const std::string path = entry.path().lexically_relative(folder).string();
    std::string bytes;
    if (entry.is_symlink() || (!entry.is_directory() && !entry.is_regular_file())) {
      contents[path] = "<other>";
    } else if (entry.is_regular_file()) {
      ReadFile(entry.path().string(), &bytes);
      contents[path] = bytes;
    } else {
      contents[path] = "";
    }
  }
  return contents;
}

void StartStorage() {
  static const bool started = [] {
    mevstorage::git::Startup();
    return true;
  }();
  (void)started;
}

namespace {

std::string Utf8(std::uint32_t codePoint) {
  std::string bytes;
  if (codePoint < 0x800) {
    bytes += static_cast<char>(0xC0 | (codePoint >> 6));
  } else if (codePoint < 0x10000) {
    bytes += static_cast<char>(0xE0 | (codePoint >> 12));
    bytes += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
  } else {
    bytes += static_cast<char>(0xF0 | (codePoint >> 18));
    bytes += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    bytes += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
  }
  bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
  return bytes;
}

// Encoded independently of ConsoleSafe's decoder: the C1 controls and the
// format characters, as their UTF-8 bytes.
const std::vector<std::string>& Hidden() {
  static const std::vector<std::string> hidden = [] {
    const std::pair<std::uint32_t, std::uint32_t> ranges[] = {
        {0x80, 0x9F},     {0x61C, 0x61C},   {0x180E, 0x180E}, {0x200B, 0x200F},
        {0x202A, 0x202E}, {0x2060, 0x2064}, {0x2066, 0x206F}, {0xFEFF, 0xFEFF},
        {0xFFF9, 0xFFFB}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F}};
    std::vector<std::string> encoded;
    for (const auto& [first, last] : ranges) {
      for (std::uint32_t c = first; c <= last; ++c) encoded.push_back(Utf8(c));
    }
    return encoded;
  }();
  return hidden;
}

}  // namespace

void CheckConsoleSafe(const std::string& line, const std::string& input) {
  for (const char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) Fail("a control byte reaches the console: " + Escaped(line), input);
  }
  for (const std::string& hidden : Hidden()) {
    if (line.find(hidden) != std::string::npos) {
      Fail("an invisible character reaches the console: " + Escaped(line), input);
    }
  }
}

}  // namespace fuzz
