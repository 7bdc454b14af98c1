// Hostile project names and folder names: the console shows them escaped,
// the disk keeps their bytes, and nothing is lost.

#include <unistd.h>

#include <regex>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "HostileSupport.h"
#include "HubFixture.h"
#include "Transcript.h"

namespace velders {
namespace testing {
namespace {

using samplehub::HashTree;

class HostileNames : public HubTest {
 protected:
  std::string NoRepositoryLine(const std::string& shownFolder) const {
    const std::string shown = home_.Hub() + "/" + shownFolder;
    return ExceptionLineStart(shown) + "Unable to open the repository in " + shown +
           "/git: the folder does not exist\n";
  }

  std::string HeadName(const std::string& folder) const {
    return nlohmann::json::parse(samplehub::ReadHeadProperties(Folder(folder) + "/git"))["name"];
  }

  void MakeNonProject(const std::string& folder) {
    samplehub::SampleProject loose;
    loose.folderName = folder;
    loose.git = false;
    loose.syncDatabase = false;
    loose.version.reset();
    loose.folderFiles = {{"notes.txt", "not a project\n"}};
    Make(loose);
  }
};

std::string Question(const std::string& shownName) {
  return "\nWould you like to recover \n    '" + shownName +
         "'\n    (modified 2017-Nov-19 13:00:00) as a new, recovered Velder?\n"
         "Recover? (Yes/No/Quit): ";
}

const std::regex kRecoveredSuffix(" \\(Recovered \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\)$");

TEST_F(HostileNames, TerminalEscapesAreShownEscapedAndKeptOnDisk) {
  const std::string name = "\x1b]0;Owned\x07Red\x1b[31m\rFake\xc2\x9b" "2J\x7f";
  const std::string shownName = "\\x1b]0;Owned\\x07Red\\x1b[31m\\x0dFake\\xc2\\x9b2J\\x7f";
  Make(Project("Esc\x1b[31m.vd2", name));
  MakeNonProject("Bell\x07\x1b[2J");
  const auto loose = HashTree(Folder("Bell\x07\x1b[2J"));

  RunResult run = home_.Recover("n\nn\nn\ny\n\n");

  EXPECT_EQ(Dialogue() + WalkStart() + NoRepositoryLine("Bell\\x07\\x1b[2J") + Question(shownName) +
                "Recovering: " + shownName + "\n" + Summary(1),
            run.standardError);
  EXPECT_EQ(0u, ReadFile("Esc\x1b[31m.vd2/recovery_info.txt").find("Project: " + name + "\r\n"));
  const std::string newName = HeadName("Esc\x1b[31m.vd2");
  EXPECT_EQ(0u, newName.find(name + " (Recovered "));
  EXPECT_TRUE(std::regex_search(newName, kRecoveredSuffix)) << newName;
  EXPECT_EQ(loose, HashTree(Folder("Bell\x07\x1b[2J")));
}

// A right-to-left override in a name would make the console show the rest
// of the line backwards; it and its kin are shown escaped, byte by byte.
TEST_F(HostileNames, BidirectionalControlsAreShownEscapedAndKeptOnDisk) {
  const std::string name = "Invoice \xe2\x80\xae" "fdp.exe\xe2\x80\x8b";
  const std::string shownName = "Invoice \\xe2\\x80\\xaefdp.exe\\xe2\\x80\\x8b";
  Make(Project("Rtl\xe2\x80\xae.vd2", name));
  MakeNonProject("Iso\xe2\x81\xa7late");

  RunResult run = home_.Recover("n\nn\nn\ny\n\n");

  EXPECT_EQ(Dialogue() + WalkStart() + NoRepositoryLine("Iso\\xe2\\x81\\xa7late") +
                Question(shownName) + "Recovering: " + shownName + "\n" + Summary(1),
            run.standardError);
  EXPECT_EQ(0u, ReadFile("Rtl\xe2\x80\xae.vd2/recovery_info.txt").find("Project: " + name + "\r\n"));
  EXPECT_EQ(0u, HeadName("Rtl\xe2\x80\xae.vd2").find(name + " (Recovered "));
}

TEST_F(HostileNames, NewlinesInFolderNamesAreEscapedAndKept) {
  samplehub::SampleProject older = Project("Two\nLines.vd", "Two Lines");
  older.version = samplehub::kOlderDataModelVersion;
  Make(older);
  MakeNonProject("New\nLine");
  const auto loose = HashTree(Folder("New\nLine"));

  RunResult run = RecoverAll(false);

  EXPECT_EQ(Dialogue() + WalkStart() + NoRepositoryLine("New\\x0aLine") +
                "Recovering: Two Lines\n" + Summary(1),
            run.standardError);
  EXPECT_FALSE(Exists("Two\nLines.vd"));
  EXPECT_TRUE(Exists("Two\nLines.vd2/recovery_info.txt"));
  EXPECT_EQ(samplehub::kOlderDataModelVersion, ReadFile("Two\nLines.vd2/pre_recovery_version"));
  EXPECT_EQ(loose, HashTree(Folder("New\nLine")));
}

TEST_F(HostileNames, OneMebibyteNameIsRecoveredWhole) {
  std::string name;
  while (name.size() < (1u << 20)) name += "Long \xc3\xa9 name ";
  Make(Project("Long.vd2", name));

  RunResult run = RecoverAll(false);

  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: " + name + "\n" + Summary(1),
            run.standardError);
  EXPECT_EQ(0u, ReadFile("Long.vd2/recovery_info.txt").find("Project: " + name + "\r\n"));
  const std::string newName = HeadName("Long.vd2");
  EXPECT_EQ(0u, newName.find(name + " (Recovered "));
  EXPECT_TRUE(std::regex_search(newName, kRecoveredSuffix));
}

TEST_F(HostileNames, FolderNamesThatAreNotUtf8KeepTheirBytes) {
  samplehub::SampleProject older = Project("Caf\xe9.vd", "Cafe");
  older.version = samplehub::kOlderDataModelVersion;
  Make(older);
  MakeNonProject("Bad\xff\xfe");
  const auto loose = HashTree(Folder("Bad\xff\xfe"));

  RunResult run = RecoverAll(false);

  EXPECT_EQ(Dialogue() + WalkStart() + NoRepositoryLine("Bad\xff\xfe") + "Recovering: Cafe\n" +
                Summary(1),
            run.standardError);
  EXPECT_FALSE(Exists("Caf\xe9.vd"));
  EXPECT_TRUE(Exists("Caf\xe9.vd2/pre_recovery_sync.sqlite3"));
  EXPECT_EQ(0u, HeadName("Caf\xe9.vd2").find("Cafe (Recovered "));
  EXPECT_EQ(loose, HashTree(Folder("Bad\xff\xfe")));
}

// The walk never follows a symbolic link, so a linked project is named and
// left alone: the project it points at stays byte-identical.
TEST_F(HostileNames, ProjectFolderThatIsASymbolicLinkIsSaidAndNotFollowed) {
  const std::string elsewhere = home_.Home() + "/Elsewhere";
  samplehub::MakeProject(elsewhere, Project("Real.vd2", "Real"));
  ASSERT_EQ(0, ::symlink((elsewhere + "/Real.vd2").c_str(), Folder("Linked.vd2").c_str()));
  Make(Project("Plain.vd2", "Plain"));
  const auto target = HashTree(elsewhere);

  RunResult run = RecoverAll(false);

  EXPECT_EQ(Dialogue() + WalkStart() + "Skipped " + Folder("Linked.vd2") +
                " : a symbolic link is not followed\n" + "Recovering: Plain\n" + Summary(1),
            run.standardError);
  EXPECT_EQ(target, HashTree(elsewhere));
  EXPECT_TRUE(Exists("Linked.vd2"));
}

// A folder name at the system's length limit cannot take the longer
// extension: that is found before anything is changed, said, and the
// project is left as it was.
TEST_F(HostileNames, FolderNameAtTheLengthLimitIsSaidWhenItCannotBePromoted) {
  const std::string folder = std::string(252, 'L') + ".vd";
  Make(Project(folder, "Long"));
  const auto before = HashTree(Folder(folder));

  RunResult run = RecoverAll(false);

  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: Long\n    Unable to recover " + Folder(folder) +
                " : Unable to examine " + Folder(folder) + "2: File name too long; it is left as it was\n" +
                Summary(0),
            run.standardError);
  EXPECT_EQ(before, HashTree(Folder(folder)));
}

// A symbolic link inside a project would make the recovery write outside the
// hub: the project is not recovered, one line says why, and neither the
// project nor the file the link names changes.
TEST_F(HostileNames, ALinkInsideAProjectLeavesItAndItsTargetAlone) {
  Make(Project("Linked.vd2", "Linked"));
  const std::string outside = home_.Home() + "/outside-version";
  WriteBytes(outside, "kept outside");
  const std::string version = Folder("Linked.vd2") + "/version";
  ASSERT_EQ(0, ::unlink(version.c_str()));
  ASSERT_EQ(0, ::symlink(outside.c_str(), version.c_str()));
  const auto before = HashTree(Folder("Linked.vd2"));

  RunResult run = RecoverAll(true);

  EXPECT_EQ(Dialogue() + WalkStart() + "Recovering: Linked\n" +
                LeftAsItWas("Linked.vd2", version + " is a symbolic link, which is not followed") +
                Summary(0),
            run.standardError);
  EXPECT_EQ(before, HashTree(Folder("Linked.vd2")));
  EXPECT_EQ("kept outside", ReadFile("../../outside-version"));
}

}  // namespace
}  // namespace testing
}  // namespace velders
