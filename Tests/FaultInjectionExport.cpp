// The export's fault and crash walks: "velders-hub export" of two projects
// runs in a forked child with each counted call (the core library's disk,
// SQLite's file layer) failing, or ending the process, in turn. After each
// run the hub is byte-identical; under a final name there is nothing, or an
// export with exactly the store's objects and references; a failed call
// leaves no temporary. The next export exports what is missing, refuses
// what is there, and removes what a dead export left. The fail walk makes
// bare repositories, the crash walk checked-out ones.

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "FaultInjectionChecks.h"
#include "FaultInjectionRun.h"
#include "FaultInjectionWalk.h"
#include "GitExport.h"
#include "SampleHub.h"
#include "mevstorage/git/Storage.h"

namespace velders {
namespace faults {
namespace {

namespace fs = std::filesystem;
using mevcore::filesupport::FaultPlan;

const std::vector<std::string> kExported = {"Alpha.vd2", "Done.vd2"};
constexpr std::uint64_t kFsckEvery = 15;
// Above every file but a pack: the transcript, references, the configuration.
constexpr std::uint64_t kFileSizeBelowPacks = 600;

std::string Exports(const PristineHub& hub) { return hub.Scratch() + "/exports"; }

// With `checkout`, repositories with production's files checked out.
std::string ExportCommand(const PristineHub& hub, bool checkout) {
  return std::string("export ") + (checkout ? "--checkout " : "") + "--to " + Exports(hub) + " " +
         kExported[0] + " " + kExported[1];
}

// The git folder of an export; its work tree, when checked out, is clean.
std::string GitDirOf(const std::string& exported, bool checkout) {
  return checkout ? exported + "/.git" : exported;
}

Findings CheckWorkTree(const std::string& exported) {
  const auto status = mevstorage::testing::RunGit({"-C", exported, "status", "--porcelain"});
  if (status.exitStatus == 0 && status.output.empty()) return {};
  return {exported + ": git status: " + status.output};
}

Findings CheckEnded(const RunOutcome& run) {
  if (run.exited && (run.exitCode == 0 || run.exitCode == 1) && run.escaped.empty()) return {};
  return {"the export ended with " + std::to_string(run.exitCode) + " " + run.escaped + ": " +
          run.transcript};
}

Findings CheckHubUnchanged(const PristineHub& hub) {
  Findings findings;
  for (const HubFolder& folder : hub.Folders()) {
    if (samplehub::HashTree(hub.Hub() + "/" + folder.name) != folder.files) {
      findings.push_back(folder.name + " changed in the hub");
    }
  }
  return findings;
}

// A final name holds a sound export; anything else is a temporary, and
// only where `temporaries` allows one. The projects present go to `present`.
Findings CheckExports(const PristineHub& hub, bool checkout, bool fsck, bool temporaries,
                      std::set<std::string>* present) {
  Findings findings;
  if (!fs::exists(Exports(hub))) return findings;
  for (const auto& entry : fs::directory_iterator(Exports(hub))) {
    const std::string name = entry.path().filename();
    const std::string project =
        checkout || name.size() <= 4 ? name : name.substr(0, name.size() - 4);
    if (name.find(".exporting-") != std::string::npos && name[0] == '.') {
      if (!temporaries) findings.push_back(name + " is left");
      continue;
    }
    if (std::find(kExported.begin(), kExported.end(), project) == kExported.end()) {
      findings.push_back(name + " is no export of a project named");
      continue;
    }
    present->insert(project);
    AddTagged(&findings, name + ": ",
              mevstorage::testing::CompareWithExport(
                  mevcore::filesupport::Dir::FromNativePath(hub.Hub() + "/" + project + "/git"),
                  GitDirOf(entry.path(), checkout)));
    if (!fsck) continue;
    const auto checked = mevstorage::testing::RunGitFsck(
        mevcore::filesupport::Dir::FromNativePath(GitDirOf(entry.path(), checkout)));
    if (checked.exitStatus != 0) findings.push_back(name + ": git fsck: " + checked.output);
    if (checkout) AddTagged(&findings, "", CheckWorkTree(entry.path()));
  }
  return findings;
}

// What the run said of each project matches what it left.
Findings CheckSaid(const RunOutcome& run, const std::set<std::string>& present, bool next) {
  Findings findings;
  for (const std::string& project : kExported) {
    const bool there = present.count(project) != 0;
    const bool exported = Says(run.transcript, project + ": exported to ");
    const bool refused = Says(run.transcript, project + ": refused: ");
    if ((exported || refused) != there || (next && !exported && !refused)) {
      findings.push_back(project + (there ? " is there" : " is not there") + ", and the run said: " +
                         run.transcript);
    }
  }
  return findings;
}

Findings TryPoint(const PristineHub& hub, FaultPlan plan, bool crash, bool checkout, bool fsck) {
  fs::remove_all(Exports(hub));
  const RunOutcome first = RunHubInChild(hub, ExportCommand(hub, checkout), plan);
  Findings found;
  std::set<std::string> present;
  if (crash && !first.crashed) found.push_back("the export did not reach the crash point");
  if (!crash) AddTagged(&found, "", CheckEnded(first));
  AddTagged(&found, "", CheckHubUnchanged(hub));
  AddTagged(&found, "", CheckExports(hub, checkout, fsck, crash, &present));
  if (!crash) AddTagged(&found, "", CheckSaid(first, present, false));
  const RunOutcome next = RunHubInChild(hub, ExportCommand(hub, checkout), FaultPlan::Counting());
  std::set<std::string> after;
  AddTagged(&found, "next export: ", CheckEnded(next));
  AddTagged(&found, "next export: ", CheckExports(hub, checkout, fsck, false, &after));
  AddTagged(&found, "next export: ", CheckSaid(next, after, true));
  if (after.size() != kExported.size()) found.push_back("next export: not every project is there");
  AddTagged(&found, "next export: ", CheckHubUnchanged(hub));
  return found;
}

// Counts the calls of a clean export, then tries every one of them (a
// sample in the sanitizer build: WalksPoint).
Findings WalkExport(WalkMode mode, bool checkout, std::uint64_t* points) {
  PristineHub hub;
  hub.Restore();
  fs::remove_all(Exports(hub));
  const RunOutcome clean = RunHubInChild(hub, ExportCommand(hub, checkout), FaultPlan::Counting());
  Findings findings;
  std::set<std::string> present;
  AddTagged(&findings, "clean export: ", CheckEnded(clean));
  AddTagged(&findings, "clean export: ", CheckExports(hub, checkout, true, false, &present));
  if (present.size() != kExported.size()) findings.push_back("clean export: not all exported");
  if (!findings.empty()) return findings;
  for (std::uint64_t n = 1; n <= clean.calls; ++n) {
    if (!WalksPoint(n)) continue;
    ++*points;
    const std::string tag = std::string(ModeVerb(mode)) + " at call " + std::to_string(n) + ": ";
    AddTagged(&findings, tag, TryPoint(hub, PlanFor(mode, n), mode == WalkMode::kCrash, checkout,
                                       n % kFsckEvery == 0));
  }
  return findings;
}

class ExportWalks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { mevstorage::git::Startup(); }
  static void TearDownTestSuite() { mevstorage::git::Shutdown(); }
};
class ExportFaultInjection : public ExportWalks {};
class ExportCrashPoints : public ExportWalks {};

std::string Shown(const Findings& findings) {
  std::string text;
  for (std::size_t i = 0; i < findings.size() && i < 10; ++i) text += findings[i] + "\n";
  return text;
}

// Bare exports here, with one call failing and with the disk full from it
// on; the crash walk checks out, so that between them both kinds are
// walked while each walk keeps its time.
TEST_F(ExportFaultInjection, EveryCallOfAnExportFailingInTurnLeavesNothingHalfDone) {
  std::uint64_t points = 0;
  Findings findings = WalkExport(WalkMode::kFail, false, &points);
  for (const std::string& found : WalkExport(WalkMode::kFull, false, &points)) {
    findings.push_back(found);
  }
  std::cout << points << " export fault points tried" << std::endl;
  EXPECT_LT(0u, points);
  EXPECT_TRUE(findings.empty()) << findings.size() << " findings:\n" << Shown(findings);
}

TEST_F(ExportCrashPoints, ACrashAtEveryCallOfAnExportLeavesNothingHalfDone) {
  std::uint64_t points = 0;
  const Findings findings = WalkExport(WalkMode::kCrash, true, &points);
  std::cout << points << " export crash points tried" << std::endl;
  EXPECT_LT(0u, points);
  EXPECT_TRUE(findings.empty()) << findings.size() << " findings:\n" << Shown(findings);
}

// A file size limit makes the writes of a pack fail as a full disk would,
// from the kernel rather than the fault layer.
TEST_F(ExportFaultInjection, APackThatCannotBeWrittenFailsTheProjectAndLeavesNothing) {
  PristineHub hub;
  hub.Restore();
  const RunOutcome run =
      RunHubInChild(hub, ExportCommand(hub, false), FaultPlan::Counting(), kFileSizeBelowPacks);
  EXPECT_TRUE(CheckEnded(run).empty()) << run.transcript;
  EXPECT_EQ(1, run.exitCode);
  for (const std::string& project : kExported) {
    EXPECT_TRUE(Says(run.transcript, project + ": failed: Unable to write " + Exports(hub) + "/." +
                                         project + ".git.exporting-"))
        << run.transcript;
  }
  EXPECT_TRUE(fs::is_empty(Exports(hub)));
  EXPECT_EQ(Findings(), CheckHubUnchanged(hub));
}

}  // namespace
}  // namespace faults
}  // namespace velders
