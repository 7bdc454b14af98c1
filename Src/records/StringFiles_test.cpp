#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "Model/Utils.h"
#include "ScratchFolder.h"
#include "TestSupport.h"
#include "mevcore/filesupport/FaultInjectingDisk.h"
#include "mevcore/filesupport/FaultPlan.h"

namespace velders {
namespace {

using mevcore::filesupport::File;
using mevcore::utility::ToUTF8;
using mevcore::utility::UTF16to8;
using mevcore::utility::UTF8String;
using testsupport::ReadBytes;
using testsupport::RecordedDiagnostics;
using testsupport::WriteFile;
using YondraLocalHub::ReadStringFile;
using YondraLocalHub::WriteStringFile;

File FileAt(const std::string& path) { return File::FromNativePath(path); }

std::string ReadAsString(const std::string& path) {
  const auto text = ReadStringFile(FileAt(path));
  return std::string(text.c_str(), text.size());
}

// Exactly one level 3 report of `site`'s message naming `path`, as record,
// trace line and assertion report.
void ExpectOneFileReport(const RecordedDiagnostics& diagnostics, const char* message,
                         const std::string& path) {
  const auto& sink = diagnostics.sink;
  ASSERT_EQ(1u, sink.logs.size());
  const auto& record = *sink.logs[0];
  EXPECT_EQ(3, record.level);
  EXPECT_STREQ(message, record.message);
  EXPECT_STREQ("exception", record.values[0].name);
  EXPECT_STREQ("path", record.values[1].name);
  EXPECT_EQ(path, mevcore::utility::ToNarrow(boost::any_cast<UTF8String>(record.values[1].value)));
  ASSERT_EQ(1u, sink.traces.size());
  EXPECT_NE(std::string::npos, sink.traces[0].find(", path: " + path + "\r\n")) << sink.traces[0];
  ASSERT_EQ(1u, sink.asserts.size());
  EXPECT_EQ("Logged an error.", sink.asserts[0].condition);
}

class StringFiles : public ::testing::Test {
 protected:
  samplehub::ScratchFolder scratch;
  RecordedDiagnostics diagnostics;
};

TEST_F(StringFiles, BytesTravelUnchangedBothWays) {
  const std::string bytes("\xef\xbb\xbfline one\r\nline\0two\r\n\xc3\xa9\xff", 25);
  ASSERT_TRUE(WriteStringFile(FileAt(scratch / "a.txt"), ToUTF8(bytes)));
  EXPECT_EQ(bytes, ReadBytes(scratch / "a.txt"));
  WriteFile(scratch / "b.txt", bytes);
  EXPECT_EQ(bytes, ReadAsString(scratch / "b.txt"));
  EXPECT_TRUE(diagnostics.sink.logs.empty());
}

TEST_F(StringFiles, AShortTextReplacesALongerFileWhole) {
  WriteFile(scratch / "a.txt", std::string(5000, 'x'));
  ASSERT_TRUE(WriteStringFile(FileAt(scratch / "a.txt"), ToUTF8("short")));
  EXPECT_EQ("short", ReadBytes(scratch / "a.txt"));
  ASSERT_TRUE(WriteStringFile(FileAt(scratch / "a.txt"), UTF8String()));
  EXPECT_EQ("", ReadBytes(scratch / "a.txt"));
  struct stat info {};
  ASSERT_EQ(0, ::stat((scratch / "a.txt").c_str(), &info));
  EXPECT_EQ(0, info.st_size);
}

TEST_F(StringFiles, WritingMakesMissingFolders) {
  const std::string path = scratch / "one/two/three.txt";
  ASSERT_TRUE(WriteStringFile(FileAt(path), ToUTF8("made")));
  EXPECT_EQ("made", ReadBytes(path));
}

TEST_F(StringFiles, MissingAndEmptyFilesReadAsEmptyWithoutReport) {
  EXPECT_EQ("", ReadAsString(scratch / "missing"));
  WriteFile(scratch / "empty", "");
  EXPECT_EQ("", ReadAsString(scratch / "empty"));
  EXPECT_TRUE(diagnostics.sink.logs.empty());
  EXPECT_TRUE(diagnostics.sink.asserts.empty());
}

TEST_F(StringFiles, AFolderThatCannotBeMadeGivesFalseWithoutReport) {
  WriteFile(scratch / "blocker", "a file, not a folder");
  EXPECT_FALSE(WriteStringFile(FileAt(scratch / "blocker/sub/a.txt"), ToUTF8("x")));
  EXPECT_EQ("a file, not a folder", ReadBytes(scratch / "blocker"));
  EXPECT_TRUE(diagnostics.sink.logs.empty());
}

TEST_F(StringFiles, WritingOverAFolderIsReported) {
  const std::string path = scratch / "taken";
  ASSERT_EQ(0, ::mkdir(path.c_str(), 0700));
  EXPECT_FALSE(WriteStringFile(FileAt(path), ToUTF8("x")));
  ExpectOneFileReport(diagnostics, "Caught exception attempting to create and write to a file", path);
}

TEST_F(StringFiles, AFileOf4GiBOrMoreIsRefusedNotCut) {
  const std::string path = scratch / "huge";
  WriteFile(path, "");
  ASSERT_EQ(0, ::truncate(path.c_str(), (1LL << 32) + 3));  // sparse: takes no space
  EXPECT_EQ("", ReadAsString(path));
  ExpectOneFileReport(diagnostics, "Caught exception attempting to read from file", path);
}

// Every disk call that a read or write makes, failed one at a time.
class StringFileFaults : public StringFiles {
 protected:
  template <class Operation>
  std::uint64_t CountDiskCalls(Operation operation) {
    mevcore::filesupport::FaultInjectingDisk counter(real);
    mevcore::filesupport::ScopedDisk installed(counter);
    operation();
    return counter.CallCount();
  }

  mevcore::filesupport::RealDiskInterface real;
};

TEST_F(StringFileFaults, AFailedReadGivesEmptyAndOneReport) {
  const std::string path = scratch / "a.txt";
  WriteFile(path, "content");
  const std::uint64_t calls = CountDiskCalls([&] { ReadAsString(path); });
  ASSERT_GT(calls, 0u);
  for (std::uint64_t n = 1; n <= calls; ++n) {
    RecordedDiagnostics fresh;
    mevcore::filesupport::FaultInjectingDisk faulty(real);
    faulty.FailCall(n, EIO);
    std::string read;
    {
      mevcore::filesupport::ScopedDisk installed(faulty);
      read = ReadAsString(path);
    }
    SCOPED_TRACE("failed disk call " + std::to_string(n));
    EXPECT_EQ("", read);
    ExpectOneFileReport(fresh, "Caught exception attempting to read from file", path);
  }
}

TEST_F(StringFileFaults, AFailedWriteGivesFalseAndAtMostOneReport) {
  const std::string path = scratch / "a.txt";
  const std::uint64_t calls =
      CountDiskCalls([&] { WriteStringFile(FileAt(path), ToUTF8("first")); });
  ASSERT_GT(calls, 0u);
  std::size_t reported = 0;
  for (std::uint64_t n = 1; n <= calls; ++n) {
    RecordedDiagnostics fresh;
    mevcore::filesupport::FaultInjectingDisk faulty(real);
    faulty.FailCall(n, EIO);
    bool written = true;
    {
      mevcore::filesupport::ScopedDisk installed(faulty);
      written = WriteStringFile(FileAt(path), ToUTF8("second"));
    }
    SCOPED_TRACE("failed disk call " + std::to_string(n));
    EXPECT_FALSE(written);
    EXPECT_LE(fresh.sink.logs.size(), 1u);
    if (!fresh.sink.logs.empty()) {
      ++reported;
      ExpectOneFileReport(fresh, "Caught exception attempting to create and write to a file", path);
    }
  }
  EXPECT_GT(reported, 0u);
}

// The files in a folder, to see that no temporary file stays behind.
std::size_t EntryCount(const std::string& folder) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    (void)entry;
    ++count;
  }
  return count;
}

TEST_F(StringFileFaults, AFailedWriteLeavesTheOldTextWholeAndNoTemporaryFile) {
  const std::string path = scratch / "a.txt";
  WriteFile(path, "the old text");
  const std::uint64_t calls =
      CountDiskCalls([&] { WriteStringFile(FileAt(path), ToUTF8("the new text")); });
  for (std::uint64_t n = 1; n <= calls; ++n) {
    SCOPED_TRACE("failed disk call " + std::to_string(n));
    WriteFile(path, "the old text");
    mevcore::filesupport::FaultInjectingDisk faulty(real);
    faulty.FailCall(n, ENOSPC);
    {
      mevcore::filesupport::ScopedDisk installed(faulty);
      EXPECT_FALSE(WriteStringFile(FileAt(path), ToUTF8("the new text")));
    }
    const std::string text = ReadBytes(path);
    EXPECT_TRUE(text == "the old text" || text == "the new text") << text;
    EXPECT_EQ(1u, EntryCount(scratch.Path()));
  }
}

// The process ends at each disk call of a write in turn, as in a crash: the
// file holds the old text or the new one, never a part or nothing.
TEST_F(StringFileFaults, ACrashAtAnyCallLeavesTheOldOrTheNewText) {
  const std::string path = scratch / "version";
  const std::string oldText(3000, 'o');
  WriteFile(path, oldText);
  const std::uint64_t calls =
      CountDiskCalls([&] { WriteStringFile(FileAt(path), ToUTF8("new")); });
  for (std::uint64_t n = 1; n <= calls + 1; ++n) {
    SCOPED_TRACE("crash at disk call " + std::to_string(n));
    WriteFile(path, oldText);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      mevcore::filesupport::FaultPlan plan = mevcore::filesupport::FaultPlan::CrashingAt(n, 3);
      mevcore::filesupport::SetFaultPlan(&plan);
      mevcore::filesupport::FaultInjectingDisk counted(real);
      mevcore::filesupport::ScopedDisk installed(counted);
      ::_exit(WriteStringFile(FileAt(path), ToUTF8("new")) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(n <= calls ? 3 : 0, WEXITSTATUS(status));
    const std::string text = ReadBytes(path);
    EXPECT_TRUE(text == oldText || text == "new") << text.size() << " bytes";
    if (WEXITSTATUS(status) == 0) {
      EXPECT_EQ("new", text);
    }
  }
}

TEST_F(StringFiles, ReplacingKeepsThePermissionsAndRefusesAReadOnlyFile) {
  const std::string path = scratch / "a.txt";
  WriteFile(path, "old");
  ASSERT_EQ(0, ::chmod(path.c_str(), 0600));
  ASSERT_TRUE(WriteStringFile(FileAt(path), ToUTF8("new")));
  struct stat info {};
  ASSERT_EQ(0, ::stat(path.c_str(), &info));
  EXPECT_EQ(0600u, info.st_mode & 07777);
  if (::geteuid() == 0) return;  // the superuser may write any file
  ASSERT_EQ(0, ::chmod(path.c_str(), 0400));
  EXPECT_FALSE(WriteStringFile(FileAt(path), ToUTF8("newer")));
  EXPECT_EQ("new", ReadBytes(path));
  EXPECT_EQ(1u, diagnostics.sink.logs.size());
}

}  // namespace
}  // namespace velders
