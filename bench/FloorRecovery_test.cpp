#include "FloorRecovery.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <stdexcept>

#include "BenchHub.h"
#include "DurableFiles.h"
#include "FolderFiles.h"
#include "SampleHub.h"

namespace bench {
namespace {

// The objects table of a project's database: how many rows, and the type of
// the row `hexId` names (0 when none).
struct ObjectTable {
  int rows = 0;
  int typeOfId = 0;
};

ObjectTable ReadObjectTable(const std::string& databasePath, const std::string& hexId) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open_v2(databasePath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  ObjectTable table;
  sqlite3_stmt* count = nullptr;
  sqlite3_prepare_v2(db, "SELECT count(*) FROM objects", -1, &count, nullptr);
  if (sqlite3_step(count) == SQLITE_ROW) table.rows = sqlite3_column_int(count, 0);
  sqlite3_finalize(count);
  sqlite3_stmt* type = nullptr;
  sqlite3_prepare_v2(db, "SELECT type FROM objects WHERE hex(oid) = upper(?1)", -1, &type, nullptr);
  sqlite3_bind_text(type, 1, hexId.c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_step(type) == SQLITE_ROW) table.typeOfId = sqlite3_column_int(type, 0);
  sqlite3_finalize(type);
  sqlite3_close(db);
  return table;
}

std::string Branch(const std::string& folder) {
  return ReadWholeFile(folder + "/git/refs/heads/production");
}

class FloorRecoveryTest : public testing::Test {
 protected:
  static constexpr std::size_t kProjects = 11;
  void SetUp() override { MakeBenchHub(hub_, kProjects, 3); }
  std::string Before(std::size_t index) const { return hub_ + "/" + BenchFolderName(index, kProjects); }
  std::string After(std::size_t index) const {
    const std::string folder = Before(index);
    return IsOlderModel(index) ? folder + "2" : folder;
  }

  samplehub::ScratchFolder scratch_;
  std::string hub_ = scratch_ / "hub";
};

TEST_F(FloorRecoveryTest, LeavesEveryProjectAsTheRecoveryWould) {
  const std::string oldBranch = Branch(Before(0));
  const int oldRows = ReadObjectTable(Before(0) + "/git/odb.sqlite3", "").rows;

  ASSERT_EQ(FloorRecoverHub(hub_), kProjects);

  for (std::size_t i = 0; i < kProjects; ++i) {
    SCOPED_TRACE(BenchFolderName(i, kProjects));
    const std::string folder = After(i);
    EXPECT_FALSE(PathExists(folder + "/sync.sqlite3"));
    EXPECT_TRUE(PathExists(folder + "/pre_recovery_sync.sqlite3"));
    EXPECT_EQ(PathExists(folder + "/pre_recovery_deleted"), HasDeletedMarker(i));
    EXPECT_FALSE(PathExists(folder + "/deleted"));
    EXPECT_EQ(ReadWholeFile(folder + "/recovery_info.txt").rfind("Project: Bench Project\r\n", 0), 0u);
    EXPECT_EQ(PathExists(folder + "/pre_recovery_version"), IsOlderModel(i));
    EXPECT_EQ(ReadWholeFile(folder + "/version"), samplehub::kCurrentDataModelVersion);

    const std::string branch = Branch(folder);
    ASSERT_EQ(branch.size(), 41u);
    EXPECT_NE(branch, oldBranch);
    EXPECT_FALSE(PathExists(folder + "/git/refs/heads/production.tmp"));
    const ObjectTable table = ReadObjectTable(folder + "/git/odb.sqlite3", branch.substr(0, 40));
    EXPECT_EQ(table.rows, oldRows + 3);
    EXPECT_EQ(table.typeOfId, 1) << "the branch names no commit row";
  }
  EXPECT_EQ(ReadWholeFile(After(9) + "/pre_recovery_version"), samplehub::kOlderDataModelVersion);
}

TEST_F(FloorRecoveryTest, ASecondRunFindsNothingToRecover) {
  FloorRecoverHub(hub_);
  const std::string branch = Branch(After(0));
  EXPECT_EQ(FloorRecoverHub(hub_), 0u);
  EXPECT_EQ(Branch(After(0)), branch);
}

TEST_F(FloorRecoveryTest, AFolderWithoutSyncDatabaseIsLeftAlone) {
  samplehub::WriteNewFile(hub_ + "/Loose Exports/notes.txt", "not a project");
  EXPECT_EQ(FloorRecoverHub(hub_), kProjects);
  EXPECT_FALSE(PathExists(hub_ + "/Loose Exports/recovery_info.txt"));
}

TEST_F(FloorRecoveryTest, AMissingObjectDatabaseFailsNamingIt) {
  ASSERT_EQ(std::remove((Before(0) + "/git/odb.sqlite3").c_str()), 0);
  try {
    FloorRecoverProject(Before(0));
    FAIL() << "a project without its object database was recovered";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find(Before(0) + "/git/odb.sqlite3"), std::string::npos)
        << error.what();
  }
}

}  // namespace
}  // namespace bench
