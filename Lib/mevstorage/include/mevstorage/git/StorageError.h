#pragma once

#include <stdexcept>
#include <string>

namespace mevstorage {
namespace git {

// The failure of a storage function that throws: what() names what failed
// and why, as "<context>: <reason>" or, made from one text, the text alone.
class StorageError : public std::runtime_error {
 public:
  explicit StorageError(const std::string& message, int gitClass = 0)
      : std::runtime_error(message), reason_(message), gitClass_(gitClass) {}
  StorageError(const std::string& context, const std::string& reason, int gitClass = 0)
      : std::runtime_error(context + ": " + reason), reason_(reason), gitClass_(gitClass) {}

  // Why, without the context: libgit2's message or the system's text.
  const std::string& Reason() const noexcept { return reason_; }
  // libgit2's error class (a git_error_t) when the reason is libgit2's; else 0.
  int GitClass() const noexcept { return gitClass_; }

 private:
  std::string reason_;
  int gitClass_ = 0;
};

// libgit2's last error message on this thread, or `fallback` when it has none.
std::string LastGitError(const char* fallback = "unknown libgit2 error");

// Throws StorageError "<context>: <LastGitError()>", or the message alone
// without a context, carrying libgit2's last error class.
[[noreturn]] void ThrowLastGitError(const std::string& context);
[[noreturn]] void ThrowLastGitError();

}  // namespace git
}  // namespace mevstorage
