#include "DurableFiles.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "ScratchFolder.h"

namespace bench {
namespace {

std::string MessageOf(void (*action)(const std::string&, const std::string&), const std::string& a,
                      const std::string& b) {
  try {
    action(a, b);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "";
}

TEST(WriteFileSynced, ReplacesALongerFileWhole) {
  samplehub::ScratchFolder scratch;
  WriteFileSynced(scratch / "info.txt", "a much longer first text");
  WriteFileSynced(scratch / "info.txt", "short");
  EXPECT_EQ(ReadWholeFile(scratch / "info.txt"), "short");
}

TEST(WriteFileSynced, FailsNamingThePathAndReason) {
  samplehub::ScratchFolder scratch;
  EXPECT_EQ(MessageOf(&WriteFileSynced, scratch / "missing/info.txt", "x"),
            "Unable to create " + (scratch / "missing/info.txt") + ": No such file or directory");
}

TEST(RenameAsideSynced, NeverReplacesTheTarget) {
  samplehub::ScratchFolder scratch;
  WriteFileSynced(scratch / "sync.sqlite3", "current");
  WriteFileSynced(scratch / "pre_recovery_sync.sqlite3", "earlier");
  EXPECT_EQ(MessageOf(&RenameAsideSynced, scratch / "sync.sqlite3", scratch / "pre_recovery_sync.sqlite3"),
            "Unable to rename " + (scratch / "sync.sqlite3") + " to " +
                (scratch / "pre_recovery_sync.sqlite3") + ": File exists");
  EXPECT_EQ(ReadWholeFile(scratch / "pre_recovery_sync.sqlite3"), "earlier");
}

TEST(RenameOverSynced, ReplacesTheTarget) {
  samplehub::ScratchFolder scratch;
  WriteFileSynced(scratch / "production.tmp", "new\n");
  WriteFileSynced(scratch / "production", "old\n");
  RenameOverSynced(scratch / "production.tmp", scratch / "production");
  EXPECT_EQ(ReadWholeFile(scratch / "production"), "new\n");
  EXPECT_FALSE(PathExists(scratch / "production.tmp"));
}

TEST(ParentFolder, IsThePathUpToTheLastSlash) {
  EXPECT_EQ(ParentFolder("/hub/project/git"), "/hub/project");
  EXPECT_EQ(ParentFolder("/hub"), "/");
  EXPECT_EQ(ParentFolder("hub"), ".");
}

}  // namespace
}  // namespace bench
