#include "mevcore/filesupport/DurableWrite.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "FileTesting.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/FaultInjectingDisk.h"

namespace mevcore {
namespace filesupport {
namespace {

using testing::IsThere;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

int Write(const std::string& path, const std::string& text,
          const DurableWriteOptions& options = DurableWriteOptions(),
          DurableWriteFailure* failure = nullptr) {
  return WriteFileDurably(path, text.data(), text.size(), options, failure);
}

// The same write in two halves.
int WriteStaged(const std::string& path, const std::string& text) {
  StagedWrite staged;
  const int error = staged.Begin(path, text.data(), text.size(), DurableWriteOptions());
  return error != 0 ? error : staged.Finish();
}

struct stat StatOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info;
}

// Nothing but the named entries is in the folder: no temporary stayed.
std::size_t EntryCount(const std::string& folder) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) count += !entry.path().empty();
  return count;
}

class DurableWrite : public ::testing::Test {
 protected:
  void SetUp() override { oldMask_ = ::umask(022); }
  void TearDown() override { ::umask(oldMask_); }

  TempFolder temp;

 private:
  mode_t oldMask_ = 0;
};

// Host applications and other users of a shared hub must see the same file
// after a rewrite: the mode wins over the umask, and (where the process may)
// owner and group stay. A new file gets the usual mode.
TEST_F(DurableWrite, ReplacingKeepsModeOwnerAndGroup) {
  const std::string open = temp / "open", narrow = temp / "narrow", fresh = temp / "fresh";
  WriteBytes(open, "old");
  WriteBytes(narrow, "old");
  ASSERT_EQ(::chmod(open.c_str(), 0666), 0);
  ASSERT_EQ(::chmod(narrow.c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(narrow.c_str(), 4321, 8765), 0);
  }

  ASSERT_EQ(Write(open, "new"), 0);
  ASSERT_EQ(Write(narrow, "new"), 0);
  ASSERT_EQ(Write(fresh, "new"), 0);

  EXPECT_EQ(ReadBytes(open), "new");
  EXPECT_EQ(StatOf(open).st_mode & 07777, 0666u);
  EXPECT_EQ(StatOf(narrow).st_mode & 07777, 0640u);
  EXPECT_EQ(StatOf(fresh).st_mode & 07777, 0644u);
  if (root) {
    EXPECT_EQ(StatOf(narrow).st_uid, 4321u);
    EXPECT_EQ(StatOf(narrow).st_gid, 8765u);
  }
  EXPECT_EQ(EntryCount(temp.Path()), 3u);
}

// A FIFO in place of the target is left as it is, and the write does not
// wait for a reader; a folder too.
TEST_F(DurableWrite, ATargetThatIsNotARegularFileIsRefused) {
  const std::string fifo = temp / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  ASSERT_EQ(::mkdir((temp / "folder").c_str(), 0755), 0);
  DurableWriteOptions writable;
  writable.refuseUnwritable = true;
  for (const DurableWriteOptions& options : {DurableWriteOptions(), writable}) {
    DurableWriteFailure failure;
    EXPECT_EQ(Write(fifo, "x", options, &failure), config::kNotRegularFile);
    EXPECT_EQ(failure.step, "examine");
    EXPECT_EQ(failure.path, fifo);
    EXPECT_TRUE(S_ISFIFO(StatOf(fifo).st_mode));
    EXPECT_NE(Write(temp / "folder", "x", options), 0);
  }
  EXPECT_EQ(EntryCount(temp.Path()), 2u);
}

// A fixed temporary is a lock: one that is there is another writer's, and
// neither it nor the target is touched. Without replace, a target that is
// there stays.
TEST_F(DurableWrite, AHeldLockOrAnExistingTargetIsRefusedAndLeftAlone) {
  const std::string target = temp / "branch", lock = temp / "branch.lock";
  WriteBytes(target, "old\n");
  WriteBytes(lock, "another writer\n");
  DurableWriteOptions locked;
  locked.temporary = lock;
  DurableWriteFailure failure;
  EXPECT_EQ(Write(target, "new\n", locked, &failure), EEXIST);
  EXPECT_EQ(failure.path, lock);
  EXPECT_EQ(ReadBytes(lock), "another writer\n");

  DurableWriteOptions onlyNew;
  onlyNew.replace = false;
  EXPECT_EQ(Write(target, "new\n", onlyNew), EEXIST);
  EXPECT_EQ(ReadBytes(target), "old\n");
  EXPECT_EQ(EntryCount(temp.Path()), 2u);

  ASSERT_EQ(::unlink(lock.c_str()), 0);
  ASSERT_EQ(Write(target, "new\n", locked), 0);
  EXPECT_EQ(ReadBytes(target), "new\n");
  EXPECT_FALSE(IsThere(lock));
}

// Each call of a replace, whole or in two halves, fails in turn: the target
// holds the old text or the new, with its mode either way, and no temporary
// stays. Only the hint to start writing back may fail unnoticed.
TEST_F(DurableWrite, EachFailedCallLeavesTheOldOrTheNewFileWithItsMode) {
  const std::string target = temp / "version";
  RealDiskInterface real;
  for (const auto write : {&WriteStaged, +[](const std::string& path, const std::string& text) {
                             return Write(path, text);
                           }}) {
    const bool staged = write == &WriteStaged;
    SCOPED_TRACE(staged ? "in two halves" : "whole");
    std::uint64_t calls = 0;
    {
      WriteBytes(target, "old");
      FaultInjectingDisk counting(real);
      ScopedDisk scoped(counting);
      ASSERT_EQ(write(target, "new"), 0);
      calls = counting.CallCount();
    }
    ASSERT_GE(calls, 9u);  // stat, open, chown, chmod, write, sync, close, rename, folder sync
    for (std::uint64_t n = 1; n <= calls; ++n) {
      SCOPED_TRACE("failed call " + std::to_string(n));
      WriteBytes(target, "old");
      ASSERT_EQ(::chmod(target.c_str(), 0606), 0);
      FaultInjectingDisk faulty(real);
      faulty.FailCall(n, EIO);
      int error = 0;
      {
        ScopedDisk scoped(faulty);
        error = write(target, "new");
      }
      const std::string text = ReadBytes(target);
      if (error == 0) {
        EXPECT_TRUE(staged);
        EXPECT_EQ(text, "new");
      } else {
        EXPECT_EQ(error, EIO);
        EXPECT_TRUE(text == "old" || text == "new") << text;
      }
      EXPECT_EQ(StatOf(target).st_mode & 07777, 0606u);
      EXPECT_EQ(EntryCount(temp.Path()), 1u);
    }
  }
}

// A write begun and never finished leaves the target as it was, and no
// temporary, whether it is dropped or replaced by another.
TEST_F(DurableWrite, AnUnfinishedWriteLeavesTheTargetAsItWas) {
  const std::string target = temp / "recovery_info.txt";
  WriteBytes(target, "old");
  {
    StagedWrite first;
    ASSERT_EQ(first.Begin(target, "new", 3, DurableWriteOptions()), 0);
    EXPECT_EQ(EntryCount(temp.Path()), 2u);
    StagedWrite second;
    ASSERT_EQ(second.Begin(target, "newer", 5, DurableWriteOptions()), 0);
    first = std::move(second);
    EXPECT_EQ(EntryCount(temp.Path()), 2u);
  }
  EXPECT_EQ(ReadBytes(target), "old");
  EXPECT_EQ(EntryCount(temp.Path()), 1u);
}

// Only a temporary of a writer that is gone may be removed: a user's file
// that merely looks alike, or one a live process is writing, never.
TEST(StaleTemporaryName, OnlyAGoneWritersTemporaryIsStale) {
  const std::string live = std::to_string(::getpid());
  EXPECT_TRUE(IsStaleTemporaryName(".version.writing-999999999-0"));
  EXPECT_FALSE(IsStaleTemporaryName(".version.writing-" + live + "-0"));
  for (const char* name : {"version.writing-999999999-0", ".version.writing-9x-0",
                           ".version.writing-999999999-", ".writing-999999999-0",
                           ".version.writing-999999999-0.bak", ".version.writing-1234567890-0"}) {
    EXPECT_FALSE(IsStaleTemporaryName(name)) << name;
  }
}

}  // namespace
}  // namespace filesupport
}  // namespace mevcore
