#include "HubFixture.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include <git2.h>

#include "mevstorage/git/References.h"
#include "mevstorage/git/Storage.h"

namespace velders {
namespace testing {

void HubTest::SetUp() {
  mevstorage::git::Startup();
  ASSERT_EQ(0, ::mkdir(home_.Hub().c_str(), 0755));
}

void HubTest::TearDown() { mevstorage::git::Shutdown(); }

void HubTest::Make(const samplehub::SampleProject& project) {
  samplehub::MakeProject(home_.Hub(), project);
}

void HubTest::MakeStandardSample() {
  ASSERT_EQ(0, ::rmdir(home_.Hub().c_str()));
  samplehub::MakeSampleHub(home_.Hub());
}

bool HubTest::Exists(const std::string& name) const {
  struct stat status;
  return ::lstat(Folder(name).c_str(), &status) == 0;
}

std::string HubTest::ReadFile(const std::string& path) const {
  std::ifstream in(Folder(path), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

RunResult HubTest::RecoverAll(bool upgrade, const std::string& tz) const {
  return home_.Recover(upgrade ? "n\ny\ny\n\n" : "n\ny\nn\n\n", tz);
}

RunResult HubTest::Hub(const std::vector<std::string>& arguments) const {
  return RunProgram(VELDERS_HUB_BINARY, home_.Environment(), "", arguments);
}

std::map<std::string, std::string> HubTest::HubFiles() const {
  auto files = samplehub::HashTree(home_.Hub());
  for (auto it = files.begin(); it != files.end();) {
    it = it->first.find("/git/odb.sqlite3") != std::string::npos ? files.erase(it) : ++it;
  }
  return files;
}

std::map<std::string, std::string> HubTest::FilesBesidesObjects(const std::string& name) const {
  auto files = samplehub::HashTree(Folder(name));
  files.erase("git/odb.sqlite3");
  return files;
}

std::string HubTest::LeftAsItWas(const std::string& name, const std::string& reason) const {
  return "    Unable to recover " + Folder(name) + " : " + reason + "; it is left as it was\n";
}

std::string HexOfBlob(const std::string& bytes) {
  git_oid id;
  git_odb_hash(&id, bytes.data(), bytes.size(), GIT_OBJECT_BLOB);
  return mevstorage::git::HexOf(id);
}

samplehub::SampleProject Project(const std::string& folder, const std::string& name) {
  samplehub::SampleProject project;
  project.folderName = folder;
  project.properties = {name, "", {"tag"}, "x", 3};
  project.commitTimes = {1511013600, 1511096400};  // the last: 2017-11-19T13:00:00Z
  project.treeFiles = {{"data/model.json", "{}"}};
  return project;
}

std::string ExceptionLineStart(const std::string& folder) {
  return "Caught an exception while working on " + folder + " : ";
}

}  // namespace testing
}  // namespace velders
