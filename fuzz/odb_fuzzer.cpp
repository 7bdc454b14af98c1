// Fuzzes the object database check that `velders-hub check` runs: the
// input is written as "odb.sqlite3" into the "git" folder of a sample
// project (its configuration, HEAD and references made once) and checked.
// The check may only refuse with StorageError or give its problems; it
// must leave the folder as it was (the database is opened read-only, and
// nothing is made beside it), and the line `check` prints must be
// console-safe.
//
// The initial corpus is this project's database as velders-sample-hub makes
// it ("Harbour Lights.vd2"), compacted to 512-byte pages ("PRAGMA
// page_size=512; VACUUM;"), so that its objects are the ones the references
// name, and copies of it damaged with SQL: a changed blob, a wrong size or
// type, a missing tree, odd oids, another schema, WAL mode, a cut.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <string>

#include "FuzzSupport.h"
#include "SampleHub.h"
#include "hub/CheckLine.h"
#include "mevstorage/git/StorageError.h"
#include "mevstorage/git/Verify.h"

namespace {

struct SampleGitFolder {
  samplehub::ScratchFolder hub;
  std::string shown;
  std::string path;

  SampleGitFolder() {
    fuzz::StartStorage();
    const samplehub::SampleProject project = samplehub::StandardSample().front().project;
    shown = project.folderName;
    path = samplehub::MakeProject(hub.Path(), project) + "/git";
  }
};

const SampleGitFolder& GitFolder() {
  static const SampleGitFolder folder;
  return folder;
}

std::string CheckedLine(const SampleGitFolder& git, const std::string& input) {
  const auto folder = mevcore::filesupport::Dir::FromNativePath(git.path);
  try {
    const mevstorage::git::VerifyResult result = mevstorage::git::VerifyRepository(folder);
    if (result.problems.size() > result.problemCount || result.problems.size() > 10) {
      fuzz::Fail("the problems kept do not match their count", input);
    }
    return velders::hub::CheckLine(git.shown, result);
  } catch (const mevstorage::git::StorageError& error) {
    return velders::hub::FailedLine(git.shown, error.what());
  } catch (const std::exception& error) {
    fuzz::Fail(std::string("the check threw something other than StorageError: ") +
                   error.what(),
               input);
  }
}

// The names of the entries that are new, gone or changed.
std::string Changed(const std::map<std::string, std::string>& before,
                    const std::map<std::string, std::string>& after) {
  std::string names;
  for (const auto& [name, bytes] : after) {
    const auto was = before.find(name);
    if (was == before.end() || was->second != bytes) names += name + " ";
  }
  for (const auto& [name, bytes] : before) {
    if (!after.count(name)) names += name + " (gone) ";
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GitFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const SampleGitFolder& git = GitFolder();
  fuzz::WriteFile(git.path + "/odb.sqlite3", input);
  const std::map<std::string, std::string> before = fuzz::FolderContents(git.path);
  fuzz::CheckConsoleSafe(CheckedLine(git, input), input);
  const std::map<std::string, std::string> after = fuzz::FolderContents(git.path);
  if (after != before) fuzz::Fail("the check changed the folder: " + Changed(before, after), input);
  return 0;
}
