#pragma once

#include <exception>
#include <string>

// How the core library reports failure:
// - Its file and folder operations (Dir, File, the byte streams, FolderLock)
//   throw mev_exception, below: the errno and a message that names the
//   operation, the path and the system's reason. It is logged once, by
//   whoever catches it.
// - The functions at the level of the system calls keep the system's
//   convention, so that a fault plan can fail each of them as the system
//   would: the DiskInterface seam and OpenRegularFile give -1 with errno set,
//   WriteFileDurably the errno itself. FileUtils::EnsureDirectoryExists,
//   which its callers are written against, answers false.
// - A function whose whole answer is a reason or nothing returns
//   std::optional<std::string> (ForeignOwnerReason).

namespace mevcore {
namespace config {

// The library's one error type. The message names the operation, the path and
// the system's reason, e.g. "Unable to rename /a/b to /a/c: File exists".
class mev_exception : public std::exception {
 public:
  explicit mev_exception(std::string message, int error = 0)
      : message_(std::move(message)), error_(error) {}
  const char* what() const noexcept override { return message_.c_str(); }
  // The errno behind the failure, 0 when there was none.
  int error() const noexcept { return error_; }

 private:
  std::string message_;
  int error_;
};

// The errno the library gives a path that is there but names something other
// than a regular file (a FIFO, a device, a socket, a folder) where a regular
// file must be. No errno of the system says that; it lies beyond all of them.
constexpr int kNotRegularFile = 4096;

// The system's text for an errno; "it is not a regular file" for kNotRegularFile.
std::string ErrorText(int error);

// "<operation> <path>: <ErrorText(error)>".
std::string SystemErrorText(const std::string& operation, const std::string& path, int error);

// Throws mev_exception with SystemErrorText(operation, path, error).
[[noreturn]] void ThrowSystemError(const std::string& operation, const std::string& path, int error);

}  // namespace config
}  // namespace mevcore
