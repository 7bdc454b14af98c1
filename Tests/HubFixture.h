#pragma once

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ProgramRunner.h"
#include "SampleHub.h"

namespace velders {
namespace testing {

// A scratch home whose hub is made of sample projects, with helpers to look
// at the result of a run.
class HubTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  void Make(const samplehub::SampleProject& project);
  void MakeStandardSample();
  std::string Folder(const std::string& name) const { return home_.Hub() + "/" + name; }
  bool Exists(const std::string& name) const;
  std::string ReadFile(const std::string& path) const;

  // The folder's files by path, less the object database, which a recovery
  // taken back may leave holding objects that nothing references.
  std::map<std::string, std::string> FilesBesidesObjects(const std::string& name) const;
  // "    Unable to recover <folder> : <reason>; it is left as it was\n".
  std::string LeftAsItWas(const std::string& name, const std::string& reason) const;

  // The recover-all run, upgrade as asked.
  RunResult RecoverAll(bool upgrade, const std::string& tz = "UTC0") const;
  // velders-hub with the arguments, in the scratch home.
  RunResult Hub(const std::vector<std::string>& arguments) const;
  std::string Git(const std::string& folder) const { return Folder(folder) + "/git"; }
  std::string Database(const std::string& folder) const { return Git(folder) + "/odb.sqlite3"; }
  // The hub's files by path, less the object databases, which keep the
  // recovery commits that nothing names any more.
  std::map<std::string, std::string> HubFiles() const;

  ScratchHome home_;
};

// The hex id Git gives a blob of the bytes.
std::string HexOfBlob(const std::string& bytes);

// A small current project with the given folder and name.
samplehub::SampleProject Project(const std::string& folder, const std::string& name);

// "Caught an exception while working on <folder> : " — the start of the line.
std::string ExceptionLineStart(const std::string& folder);

}  // namespace testing
}  // namespace velders
