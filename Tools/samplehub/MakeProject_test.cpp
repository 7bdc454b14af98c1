#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include <git2.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "MediaBlobs.h"
#include "SampleHub.h"
#include "mevstorage/git/References.h"

namespace samplehub {
namespace {

bool Exists(const std::string& path) {
  struct stat status;
  return ::lstat(path.c_str(), &status) == 0;
}

std::string BlobId(const std::string& bytes) {
  git_oid oid;
  git_odb_hash(&oid, bytes.data(), bytes.size(), GIT_OBJECT_BLOB);
  return mevstorage::git::HexOf(oid);
}

std::string SyncValue(const std::string& database, const std::string& key) {
  sqlite3* raw = nullptr;
  sqlite3_open_v2(database.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(raw, "SELECT value FROM sync_state WHERE key = ?1", -1, &statement, nullptr);
  sqlite3_bind_text(statement, 1, key.c_str(), -1, SQLITE_TRANSIENT);
  std::string value = sqlite3_step(statement) == SQLITE_ROW
                          ? reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))
                          : "<no row>";
  sqlite3_finalize(statement);
  return value;
}

SampleProject ThreeCommitProject() {
  SampleProject project;
  project.folderName = "Alpha.vd2";
  project.properties = {"Alpha", "First cut", {"a", "b"}, "rating", 3};
  project.commitTimes = {1500000000, 1500000100, 1500000200};
  project.treeFiles = {{"data/model.json", "{}"}, {"data/deep/notes", "n"}};
  return project;
}

TEST(MakeProject, CommitsAHistoryThatEndsAtProduction) {
  ScratchFolder hub;
  std::string folder = MakeProject(hub.Path(), ThreeCommitProject());
  std::string git = folder + "/git";

  HeadCommit head = ReadHeadCommit(git);
  EXPECT_EQ(3u, CountHeadHistory(git));
  EXPECT_EQ(1u, head.parentCount);
  EXPECT_EQ(1500000200, head.time);
  EXPECT_EQ("Saved edit session 3", head.message);
  EXPECT_EQ(head.id, ReadBranchTarget(git, "production"));
  EXPECT_EQ(R"({"description":"First cut","name":"Alpha","rating":3,"tags":["a","b"]})",
            ReadHeadProperties(git));
}

TEST(MakeProject, TreeHoldsPropertiesAndTheTreeFilesInSubTrees) {
  ScratchFolder hub;
  SampleProject project = ThreeCommitProject();
  std::string git = MakeProject(hub.Path(), project) + "/git";

  std::map<std::string, std::string> expected = {
      {"data/deep/notes", BlobId("n")},
      {"data/model.json", BlobId("{}")},
      {"properties", BlobId(project.properties.ToJson())}};
  EXPECT_EQ(expected, ReadHeadTree(git));
}

TEST(MakeProject, EarlierCommitsHoldDraftsUnlessTheTextIsExact) {
  SampleProject project = ThreeCommitProject();
  EXPECT_NE(std::string::npos, project.PropertiesAtCommit(1).find("Alpha (draft 1)"));
  EXPECT_EQ(project.properties.ToJson(), project.PropertiesAtCommit(3));
  EXPECT_EQ("Created the project", project.MessageAtCommit(1));

  project.propertiesText = "not json";
  project.lastCommitMessage = "Last words";
  EXPECT_EQ("not json", project.PropertiesAtCommit(1));
  EXPECT_EQ("Last words", project.MessageAtCommit(3));
}

TEST(MakeProject, KeepsExactBytesOfNamesAndProperties) {
  ScratchFolder hub;
  SampleProject project = ThreeCommitProject();
  project.folderName = "Caf\xe9 \xff.vd";
  project.propertiesText = std::string("{\"name\":\"\xc3\xa9\"}\0\xfe tail", 18);

  std::string folder = MakeProject(hub.Path(), project);

  EXPECT_EQ(hub.Path() + "/Caf\xe9 \xff.vd", folder);
  EXPECT_EQ(*project.propertiesText, ReadHeadProperties(folder + "/git"));
}

TEST(MakeProject, WritesTheFilesOfTheProjectFolder) {
  ScratchFolder hub;
  SampleProject project = ThreeCommitProject();
  project.preRecoverySyncDatabase = true;
  project.deletedMarker = true;
  project.version = kOlderDataModelVersion;
  project.folderFiles = {{"exports/list.txt", "one\n"}};
  std::string folder = MakeProject(hub.Path(), project);

  auto files = HashTree(folder);
  EXPECT_EQ(BlobId(""), files.at("deleted"));
  EXPECT_EQ(BlobId(kOlderDataModelVersion), files.at("version"));
  EXPECT_EQ(BlobId("one\n"), files.at("exports/list.txt"));
  for (const char* database : {"/sync.sqlite3", "/pre_recovery_sync.sqlite3"}) {
    EXPECT_EQ(ReadHeadCommit(folder + "/git").id, SyncValue(folder + database, "lastSyncedCommit"));
    EXPECT_EQ("2017-07-14 02:43:20", SyncValue(folder + database, "lastSyncTime"));
    EXPECT_EQ("3", SyncValue(folder + database, "serverRevision"));
  }
}

TEST(MakeProject, LeavesOutWhatIsNotAsked) {
  ScratchFolder hub;
  SampleProject project;
  project.folderName = "Bare";
  project.git = false;
  project.syncDatabase = false;
  project.version.reset();
  std::string bare = MakeProject(hub.Path(), project);
  EXPECT_TRUE(HashTree(bare).empty());

  project.folderName = "Empty version";
  project.version = "";
  EXPECT_EQ(BlobId(""), HashTree(MakeProject(hub.Path(), project)).at("version"));
}

TEST(MakeProject, MakesARepositoryWithoutCommitsWhenAskedForNone) {
  ScratchFolder hub;
  SampleProject project;
  project.folderName = "Unborn";
  std::string folder = MakeProject(hub.Path(), project);
  EXPECT_TRUE(Exists(folder + "/git"));
  EXPECT_THROW(ReadHeadCommit(folder + "/git"), std::exception);
  EXPECT_EQ("", SyncValue(folder + "/sync.sqlite3", "lastSyncedCommit"));
}

TEST(MakeProject, PutsExtraBlobsInTheMediaTree) {
  ScratchFolder hub;
  SampleProject project = ThreeCommitProject();
  project.extraBlobs = 1200;
  auto tree = ReadHeadTree(MakeProject(hub.Path(), project) + "/git");

  EXPECT_EQ(1203u, tree.size());
  EXPECT_EQ(BlobId(MediaBlobContent(0)), tree.at("media/clip-0000.json"));
  EXPECT_EQ(BlobId(MediaBlobContent(1199)), tree.at("media/clip-1199.json"));
  EXPECT_NE(MediaBlobContent(8), MediaBlobContent(9));
}

void ExpectRefusal(const std::string& hub, const SampleProject& project, const std::string& named) {
  try {
    MakeProject(hub, project);
    ADD_FAILURE() << "made " << project.folderName;
  } catch (const SampleHubError& error) {
    EXPECT_NE(std::string::npos, std::string(error.what()).find(named)) << error.what();
  }
}

TEST(MakeProject, RefusesWhatItCannotMakeSoundly) {
  ScratchFolder hub;
  SampleProject project = ThreeCommitProject();
  MakeProject(hub.Path(), project);
  ExpectRefusal(hub.Path(), project, hub / "Alpha.vd2");

  project.folderName = "../Escaped";
  ExpectRefusal(hub.Path(), project, "../Escaped");
  project.folderName = "Clash";
  project.treeFiles = {{"data", "x"}, {"data/model.json", "{}"}};
  ExpectRefusal(hub.Path(), project, "\"data\"");
  EXPECT_FALSE(Exists(hub / "Clash")) << "a failed project is left behind";
  project.folderName = "Second properties";
  project.treeFiles = {{"properties", "{}"}};
  ExpectRefusal(hub.Path(), project, "properties");
  project.folderName = "Bad path";
  project.treeFiles = {{"data//x", "{}"}};
  ExpectRefusal(hub.Path(), project, "data//x");
  ExpectRefusal("", ThreeCommitProject(), "No hub folder");
  EXPECT_FALSE(Exists("/Alpha.vd2"));
}

}  // namespace
}  // namespace samplehub
