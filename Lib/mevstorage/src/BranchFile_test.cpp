#include "BranchFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "RepositoryAccess.h"
#include "StorageTestSupport.h"
#include "mevcore/filesupport/FaultInjectingDisk.h"

namespace mevstorage {
namespace git {
namespace {

using mevcore::filesupport::FaultInjectingDisk;
using mevcore::filesupport::RealDiskInterface;
using mevcore::filesupport::ScopedDisk;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return in ? text.str() : "<missing>";
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

bool IsThere(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

class BranchFileTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    repository_ = CreateRepository(GitFolder());
    first_ = CommitTreeAt(repository_, MakeTree(repository_, {{"a", "1"}}), CommitHandle(), "1",
                          1000000000);
    second_ = CommitTreeAt(repository_, MakeTree(repository_, {{"a", "2"}}), first_, "2",
                           1000000060, "scratch");
  }
  void TearDown() override {
    first_.reset();
    second_.reset();
    repository_.reset();
    StorageTest::TearDown();
  }

  std::string Id(const CommitHandle& commit) { return HexOf(*git_commit_id(commit->ptr)); }
  std::string Production() { return GitPath("refs/heads/production"); }
  std::string Resolved(const char* name) {
    git_oid id;
    if (git_reference_name_to_id(&id, repository_->ptr, name) != 0) return "<none>";
    return HexOf(id);
  }
  bool MoveProduction(const CommitHandle& commit) {
    return SetBranchToCommit(repository_, Text("production"), commit);
  }

  RepositoryHandle repository_;
  CommitHandle first_;
  CommitHandle second_;
};

TEST_F(BranchFileTest, TheBranchFileHoldsTheIdAndNoLockStays) {
  ASSERT_TRUE(MoveProduction(second_));
  EXPECT_EQ(Id(second_) + "\n", ReadText(Production()));
  EXPECT_FALSE(IsThere(Production() + ".lock"));
  EXPECT_EQ(Id(second_), Resolved("HEAD"));
  ASSERT_TRUE(SetBranchToCommit(repository_, Text("team/review"), first_));
  EXPECT_EQ(Id(first_) + "\n", ReadText(GitPath("refs/heads/team/review")));
}

TEST_F(BranchFileTest, AHeldLockIsAFailureThatLeavesBranchAndLockAlone) {
  WriteText(Production() + ".lock", "another writer\n");
  EXPECT_FALSE(MoveProduction(second_));
  EXPECT_NE(std::string::npos, LastGitError().find("production.lock exists")) << LastGitError();
  EXPECT_EQ(Id(first_) + "\n", ReadText(Production()));
  EXPECT_EQ("another writer\n", ReadText(Production() + ".lock"));
}

// A move or removal from a commit the branch no longer names (another
// program moved it after it was read) leaves the branch as that program
// left it.
TEST_F(BranchFileTest, AMoveFromWhatTheBranchNoLongerNamesLeavesItAlone) {
  const std::string production = "refs/heads/production";
  EXPECT_THROW(MoveReference(repository_, production, Id(second_), Id(second_)), StorageError);
  EXPECT_NE(std::string::npos,
            LastGitError().find("it names " + Id(first_) + ", not " + Id(second_) +
                                " as read before: another program moved it meanwhile"))
      << LastGitError();
  EXPECT_THROW(MoveReference(repository_, production, "", Id(second_)), StorageError);
  EXPECT_EQ(Id(first_) + "\n", ReadText(Production()));
  EXPECT_FALSE(IsThere(Production() + ".lock"));

  MoveReference(repository_, production, Id(first_), Id(second_));
  EXPECT_EQ(Id(second_), Resolved("HEAD"));
  MoveReference(repository_, "refs/heads/new", "", Id(first_));
  EXPECT_EQ(Id(first_), Resolved("refs/heads/new"));

  EXPECT_THROW(RemoveReference(repository_, "refs/heads/new", Id(second_)), StorageError);
  EXPECT_EQ(Id(first_), Resolved("refs/heads/new"));
  RemoveReference(repository_, "refs/heads/new", Id(first_));
  EXPECT_EQ("<none>", Resolved("refs/heads/new"));
  EXPECT_FALSE(IsThere(GitPath("refs/heads/new.lock")));
}

TEST_F(BranchFileTest, ALooseFileWinsOverAPackedBranch) {
  ASSERT_EQ(0, std::remove(Production().c_str()));
  WriteText(GitPath("packed-refs"),
            "# pack-refs with: peeled fully-peeled sorted \n" + Id(first_) +
                " refs/heads/production\n");
  EXPECT_EQ(Id(first_), Resolved("HEAD"));
  ASSERT_TRUE(MoveProduction(second_));
  EXPECT_EQ(Id(second_), Resolved("HEAD"));
  EXPECT_EQ(Id(second_), Resolved("refs/heads/production"));
}

// Each disk call of a move fails in turn: the branch names the old commit or
// the new one, whole, and no lock file is left behind by a failure.
TEST_F(BranchFileTest, EachFailedCallLeavesTheOldOrTheNewBranch) {
  RealDiskInterface real;
  std::uint64_t calls = 0;
  {
    FaultInjectingDisk counting(real);
    ScopedDisk scoped(counting);
    ASSERT_TRUE(MoveProduction(second_));
    calls = counting.CallCount();
  }
  ASSERT_GE(calls, 6u);  // open, write, sync, close, rename, sync the folder
  for (std::uint64_t n = 1; n <= calls; ++n) {
    SCOPED_TRACE("failed call " + std::to_string(n));
    ASSERT_TRUE(MoveProduction(first_));
    FaultInjectingDisk faulty(real);
    faulty.FailCall(n, n % 2 ? EIO : ENOSPC);
    bool moved = true;
    {
      ScopedDisk scoped(faulty);
      moved = MoveProduction(second_);
    }
    EXPECT_FALSE(moved);
    const std::string content = ReadText(Production());
    EXPECT_TRUE(content == Id(first_) + "\n" || content == Id(second_) + "\n") << content;
    EXPECT_FALSE(IsThere(Production() + ".lock"));
  }
}

}  // namespace
}  // namespace git
}  // namespace mevstorage
