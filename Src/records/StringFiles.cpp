#include <cstdint>
#include <limits>
#include <string>

#include "Model/Utils.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/ByteStreams.h"
#include "mevcore/filesupport/DurableWrite.h"
#include "mevcore/utility/FileUtils.h"
#include "platform/ReportSites.h"

namespace YondraLocalHub {

using mevcore::config::mev_exception;
using mevcore::config::ThrowSystemError;
using mevcore::filesupport::Dir;
using mevcore::filesupport::DurableWriteFailure;
using mevcore::filesupport::DurableWriteOptions;
using mevcore::filesupport::WriteFileDurably;
using mevcore::filesupport::File;
using mevcore::filesupport::FolderSync;
using mevcore::utility::ImmutableString;
using mevcore::utility::UTF8String;

namespace {

// The byte streams count in 32 bits; a longer file or text would be cut
// silently, so it is refused as a failure of the file.
std::uint32_t StreamLength(std::uint64_t length, const File& file, const char* action) {
  if (length > std::numeric_limits<std::uint32_t>::max())
    throw mev_exception(std::string("Unable to ") + action + " " + file.FullPathMultiByte() +
                        ": 4 GiB or more at once is not supported");
  return static_cast<std::uint32_t>(length);
}

ImmutableString ReadWholeText(const File& file) {
  if (!file.Exists()) return ImmutableString();
  const std::string bytes = mevcore::filesupport::ReadWholeFile(file);
  return ImmutableString::CreateDynamic(UTF8String(bytes.begin(), bytes.end()));
}

// The file is replaced whole or not at all, and keeps its owner, group and
// permissions (WriteFileDurably); a file this process may not write, or one
// that is not a regular file, is refused rather than replaced.
bool WriteWholeFile(File& file, const UTF8String& content, FolderSync sync) {
  const Dir parent = Dir(file.FullPath()).Parent();
  if (!mevcore::utility::FileUtils::EnsureDirectoryExists(parent.FullPath())) return false;
  const std::uint32_t length = StreamLength(content.size(), file, "write");
  DurableWriteOptions options;
  options.refuseUnwritable = true;
  options.folderSync = sync;
  DurableWriteFailure failure;
  const int error = WriteFileDurably(file.NativePath(), content.data(), length, options, &failure);
  if (error != 0) ThrowSystemError("Unable to " + failure.step, failure.path, error);
  return true;
}

}  // namespace

ImmutableString ReadStringFile(const File& file) {
  try {
    return ReadWholeText(file);
  } catch (const mev_exception& error) {
    velders::Report(velders::sites::readStringFileFailed,
                    {{"exception", error.what()}, {"path", file.FullPath()}});
    return ImmutableString();
  }
}

bool WriteStringFile(File file, const UTF8String& content, FolderSync sync) {
  try {
    return WriteWholeFile(file, content, sync);
  } catch (const mev_exception& error) {
    velders::Report(velders::sites::writeStringFileFailed,
                    {{"exception", error.what()}, {"path", file.FullPath()}});
    return false;
  }
}

}  // namespace YondraLocalHub
