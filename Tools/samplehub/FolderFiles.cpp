#include "FolderFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "SampleHubError.h"

namespace samplehub {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, const std::string& reason) {
  throw SampleHubError("Unable to " + what + " " + path + ": " + reason);
}

void WriteAll(int fd, const std::string& path, const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("write", path, std::strerror(errno));
    written += static_cast<std::size_t>(n);
  }
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& relative) {
  if (!folder.empty() && folder.back() == '/') return folder + relative;
  return folder + "/" + relative;
}

void CheckRelativePath(const std::string& relative, const std::string& what) {
  std::size_t start = 0;
  while (true) {
    std::size_t end = relative.find('/', start);
    std::string name = relative.substr(start, end == std::string::npos ? end : end - start);
    if (name.empty() || name == "." || name == "..")
      throw SampleHubError("The " + what + " \"" + relative +
                           "\" is not a relative path of names separated by \"/\"");
    if (end == std::string::npos) return;
    start = end + 1;
  }
}

void MakeFolders(const std::string& folder) {
  std::error_code error;
  fs::create_directories(fs::path(folder), error);
  if (error) Fail("make the folder", folder, error.message());
}

void MakeNewFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0777) != 0) Fail("make the folder", folder, std::strerror(errno));
}

FolderState ExamineFolder(const std::string& folder) {
  std::error_code error;
  fs::file_status status = fs::status(fs::path(folder), error);
  if (status.type() == fs::file_type::not_found) return FolderState::kMissing;
  if (error) Fail("examine", folder, error.message());
  if (status.type() != fs::file_type::directory) return FolderState::kNotAFolder;
  fs::directory_iterator entries(fs::path(folder), error);
  if (error) Fail("list the folder", folder, error.message());
  return entries == fs::directory_iterator() ? FolderState::kEmpty : FolderState::kHoldsEntries;
}

void RemoveQuietly(const std::string& folder) {
  std::error_code ignored;
  fs::remove_all(fs::path(folder), ignored);
}

void WriteNewFile(const std::string& path, const std::string& bytes) {
  MakeFolders(fs::path(path).parent_path().string());
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) Fail("create the file", path, std::strerror(errno));
  try {
    WriteAll(fd, path, bytes);
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0) Fail("write", path, std::strerror(errno));
}

}  // namespace samplehub
