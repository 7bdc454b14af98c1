#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "FolderFiles.h"
#include "SampleHub.h"

namespace samplehub {
namespace {

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the tool with the arguments (already quoted) and the given HOME.
ToolRun RunTool(const ScratchFolder& scratch, const std::string& arguments,
                const std::string& home) {
  std::string command = "HOME=" + Quoted(home) + " " + Quoted(VELDERS_SAMPLE_HUB_PROGRAM) + " " +
                        arguments + " >" + Quoted(scratch / "out") + " 2>" + Quoted(scratch / "err");
  int status = std::system(command.c_str());
  ToolRun run;
  if (status != -1 && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  run.out = ReadWhole(scratch / "out");
  run.err = ReadWhole(scratch / "err");
  return run;
}

TEST(VeldersSampleHubTool, RefusesAFolderThatHoldsAnythingWithExitCode2) {
  ScratchFolder scratch, hub;
  WriteNewFile(hub / "keep.txt", "mine");
  auto before = HashTree(hub.Path());

  ToolRun run = RunTool(scratch, Quoted(hub.Path()), scratch.Path());

  EXPECT_EQ(2, run.exitCode);
  EXPECT_EQ("", run.out);
  EXPECT_NE(std::string::npos, run.err.find(hub.Path())) << run.err;
  EXPECT_EQ(before, HashTree(hub.Path()));
}

TEST(VeldersSampleHubTool, PrintsOneLinePerFolderItMade) {
  ScratchFolder scratch, hub;
  ToolRun run = RunTool(scratch, Quoted(hub / "Hub"), scratch.Path());

  ASSERT_EQ(0, run.exitCode) << run.err;
  EXPECT_EQ("", run.err);
  std::string expected = "Made the sample hub in " + hub / "Hub" + ":\n";
  for (const SampleHubEntry& entry : StandardSample())
    expected += "  " + entry.project.folderName + ": " + entry.what + "\n";
  EXPECT_EQ(expected, run.out);
  EXPECT_EQ(kCurrentDataModelVersion, ReadWhole(hub / "Hub/Harbour Lights.vd2/version"));
}

TEST(VeldersSampleHubTool, DefaultsToTheHubInTheSharedDocumentsFolder) {
  ScratchFolder scratch, home;
  ToolRun run = RunTool(scratch, "", home.Path());

  ASSERT_EQ(0, run.exitCode) << run.err;
  EXPECT_NE(std::string::npos, run.out.find(home / "Documents/Velders Local Hub"));
  EXPECT_FALSE(ReadHeadProperties(home / "Documents/Velders Local Hub/Harbour Lights.vd2/git").empty());
}

TEST(VeldersSampleHubTool, OtherFailuresEndWithExitCode1) {
  ScratchFolder scratch;
  WriteNewFile(scratch / "file", "");
  ToolRun run = RunTool(scratch, Quoted(scratch / "file"), scratch.Path());
  EXPECT_EQ(1, run.exitCode);
  EXPECT_NE(std::string::npos, run.err.find(scratch / "file")) << run.err;

  EXPECT_EQ(1, RunTool(scratch, "one two", scratch.Path()).exitCode);
}

}  // namespace
}  // namespace samplehub
