#include "ConfigIncludes.h"

#include <algorithm>
#include <cctype>

namespace mevstorage {
namespace git {
namespace {

// Reads the configuration syntax only as far as finding include paths
// needs: section headers, variable names and values with their quoting,
// escapes, comments and line continuations.
class IncludeScanner {
 public:
  IncludeScanner(const std::string& text, const std::string& folder)
      : text_(text), folder_(folder) {}

  std::vector<std::string> Scan() {
    // libgit2 passes over a byte order mark at the start.
    if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) at_ = 3;
    while (!AtEnd()) ScanLine();
    return paths_;
  }

 private:
  bool AtEnd() const { return at_ >= text_.size(); }
  char Here() const { return text_[at_]; }
  // Any white space but the line's end, as libgit2 trims it.
  bool Blank(char c) const {
    return c != '\n' && std::isspace(static_cast<unsigned char>(c));
  }

  void SkipBlanks() {
    while (!AtEnd() && Blank(Here())) ++at_;
  }
  void SkipLine() {
    while (!AtEnd() && Here() != '\n') ++at_;
  }

  // One line's content; a section header may be followed by a variable on
  // the same line.
  void ScanLine() {
    SkipBlanks();
    if (AtEnd()) return;
    if (Here() == '\n') {
      ++at_;
    } else if (Here() == ';' || Here() == '#') {
      SkipLine();
    } else if (Here() == '[') {
      ++at_;
      section_ = SectionName();
    } else {
      ScanVariable();
    }
  }

  // "[name]", "[name "sub"]" or the older "[name.sub]"; names are compared
  // without case, subsections as written.
  std::string SectionName() {
    std::string name;
    while (!AtEnd() && Here() != ']' && Here() != '"' && Here() != '\n' && !Blank(Here())) {
      name += static_cast<char>(std::tolower(static_cast<unsigned char>(Here())));
      ++at_;
    }
    SkipBlanks();
    if (!AtEnd() && Here() == '"') {
      ++at_;
      name += '.';
      while (!AtEnd() && Here() != '"' && Here() != '\n') {
        if (Here() == '\\' && at_ + 1 < text_.size() && text_[at_ + 1] != '\n') ++at_;
        name += Here();
        ++at_;
      }
    }
    while (!AtEnd() && Here() != ']' && Here() != '\n') ++at_;
    if (!AtEnd() && Here() == ']') ++at_;
    return name;
  }

  bool InIncludeSection() const {
    return section_ == "include" || section_.rfind("includeif.", 0) == 0;
  }

  void ScanVariable() {
    std::string key;
    while (!AtEnd() && (std::isalnum(static_cast<unsigned char>(Here())) || Here() == '-')) {
      key += static_cast<char>(std::tolower(static_cast<unsigned char>(Here())));
      ++at_;
    }
    SkipBlanks();
    if (key.empty() || AtEnd() || Here() != '=') {
      SkipLine();
      return;
    }
    ++at_;
    const std::string value = Value();
    if (InIncludeSection() && key == "path" && !value.empty()) Add(value);
  }

  // Where the line's content ends, less the blanks before it: libgit2 reads
  // a line as a C string, so a zero byte ends it too.
  std::size_t TrimmedLineEnd() const {
    std::size_t end = std::min(text_.find('\n', at_), text_.find('\0', at_));
    if (end == std::string::npos) end = text_.size();
    while (end > at_ && Blank(text_[end - 1])) --end;
    return end;
  }

  // Moves to the line that a backslash at a line's end joins to the value.
  // libgit2 passes over lines that hold only blanks or, outside quotes, a
  // comment; the text's end or a line that begins with a zero byte ends the
  // value. False when nothing is joined.
  bool ToJoinedLine(bool quoted) {
    for (;;) {
      SkipLine();
      if (AtEnd() || ++at_ == text_.size() || Here() == '\0') return false;
      std::size_t first = at_;
      while (first < text_.size() && Blank(text_[first])) ++first;
      const bool comment = !quoted && (text_[first] == ';' || text_[first] == '#');
      if (first < TrimmedLineEnd() && !comment) return true;
    }
  }

  // The value up to its line's end, read as libgit2 reads it: blanks at
  // either end of the line dropped first, then quotes removed, escapes
  // turned into their characters, a backslash at the line's end joining the
  // next line, and blanks the value ends with dropped unless quoted or
  // before such a backslash.
  std::string Value() {
    SkipBlanks();
    std::size_t end = TrimmedLineEnd();
    std::string value;
    std::size_t kept = 0;
    bool quoted = false;
    while (at_ < end) {
      const char c = Here();
      ++at_;
      if (!quoted && (c == ';' || c == '#')) break;
      if (c == '"') {
        quoted = !quoted;
        kept = value.size();
      } else if (c == '\\' && at_ == end) {
        kept = value.size();  // blanks before a join stay, even with nothing joined
        end = ToJoinedLine(quoted) ? TrimmedLineEnd() : at_;
      } else if (c == '\\') {
        const char escaped = Here();
        ++at_;
        value += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped == 'b' ? '\b' : escaped;
        kept = value.size();
      } else {
        value += c;
        if (quoted || !Blank(c)) kept = value.size();
      }
    }
    SkipLine();
    value.resize(kept);
    return value;
  }

  void Add(const std::string& path) {
    if (path.rfind("~/", 0) == 0) return;
    paths_.push_back(path[0] == '/' ? path : folder_ + "/" + path);
  }

  const std::string& text_;
  const std::string& folder_;
  std::size_t at_ = 0;
  std::string section_;
  std::vector<std::string> paths_;
};

}  // namespace

std::vector<std::string> IncludedPaths(const std::string& text, const std::string& folder) {
  return IncludeScanner(text, folder).Scan();
}

}  // namespace git
}  // namespace mevstorage
