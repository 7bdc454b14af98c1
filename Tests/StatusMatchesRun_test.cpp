// What `velders-hub status --json` foresees for each entry of a hub is what a
// recovery run then does with it, with either upgrade answer: the sample hub,
// the hostile stores and folders of the other tests, and the entries whose
// fate is decided only late in a recovery.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "HostileSupport.h"
#include "HubFixture.h"
#include "Transcript.h"

namespace velders {
namespace testing {
namespace {

class StatusMatchesRun : public HubTest {
 protected:
  // Makes one case in the hub; what it returns is held while the programs run.
  using Maker = std::function<std::shared_ptr<void>(StatusMatchesRun&)>;
  struct Case {
    std::string folder;  // where it stands in the walk
    Maker make;
  };

  void Fifo(const std::string& path) {
    ::unlink(Folder(path).c_str());
    ASSERT_EQ(0, ::mkfifo(Folder(path).c_str(), 0644)) << path;
  }
  void Shell(const std::string& command) { ASSERT_EQ(0, std::system(command.c_str())) << command; }

  // A write cut short after it changed the database: the copies taken
  // mid-write are what a killed writer leaves.
  void LeaveHotJournal(const std::string& folder) {
    const std::string database = Database(folder);
    sqlite3* writer = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(database.c_str(), &writer));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(writer,
                                      "PRAGMA cache_size = 1; BEGIN IMMEDIATE; WITH RECURSIVE "
                                      "n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                                      "100) INSERT INTO objects SELECT randomblob(20), 3, 1000, "
                                      "randomblob(1000) FROM n",
                                      nullptr, nullptr, nullptr));
    Shell("cp '" + database + "' '" + database + ".cut' && cp '" + database + "-journal' '" +
          database + "-journal.cut'");
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
    Shell("mv '" + database + ".cut' '" + database + "' && mv '" + database + "-journal.cut' '" +
          database + "-journal'");
  }

  std::vector<std::string> Arguments(const std::string& program,
                                     std::vector<std::string> arguments) const {
    if (!readOnlyHub_) return arguments;
    const std::string hub = home_.Hub();
    arguments.insert(arguments.begin(), {"-m", "sh", "-c",
                                         "mount --bind \"$0\" \"$0\" && mount -o remount,bind,ro "
                                         "\"$0\" && exec \"$@\"",
                                         hub, program});
    return arguments;
  }
  RunResult Run(const std::string& program, const std::vector<std::string>& arguments,
                const std::string& input) const {
    const bool wrapped = readOnlyHub_;
    return RunProgram(wrapped ? "/usr/bin/unshare" : program, home_.Environment(), input,
                      Arguments(program, arguments), 60);
  }

  // The run's console text as the status document foresees it; `stop`
  // becomes the entry the walk would end at, if any.
  std::string Foreseen(const nlohmann::json& entries, bool upgrade, std::string* stop) const;
  // The run's console text, its exception lines about entries the status
  // says it passes over left out (each says the status's reason, when it
  // says one), and those about projects it would not recover said as their
  // refusals.
  std::string Said(const nlohmann::json& entries, const std::string& console) const;

  // Runs status and then the recovery over the hub made of `cases`; returns
  // the folder the walk ended at, empty when it went through.
  std::string ExpectRunAsForeseen(const std::vector<Case>& cases, bool upgrade);
  // Every case, the hub made again for the rest after each stop of the walk.
  void ExpectEachAsForeseen(const std::vector<Case>& cases, bool upgrade);

  // A small current project in the folder, then changed.
  static Case Changed(const std::string& folder,
                      std::function<void(StatusMatchesRun&)> change = nullptr,
                      const char* version = nullptr);
  static std::vector<Case> HostileCases();

  bool readOnlyHub_ = false;
};

std::string StatusMatchesRun::Foreseen(const nlohmann::json& entries, bool upgrade,
                                       std::string* stop) const {
  const std::string answer = upgrade ? "WithYes" : "WithNo";
  std::string links, walk;
  unsigned long long recovered = 0;
  for (const nlohmann::json& entry : entries) {
    if (entry["kind"] == "skipped" && entry["reason"] == "a symbolic link, which is not followed") {
      links += "Skipped " + Folder(entry["folder"]) + " : a symbolic link is not followed\n";
    }
  }
  for (const nlohmann::json& entry : entries) {
    const std::string folder = Folder(entry["folder"]), kind = entry["kind"];
    if (kind != "wouldRecover" && kind != "wouldNotRecover") continue;
    walk += "Recovering: " + entry["name"].get<std::string>() + "\n";
    if (kind == "wouldNotRecover") {
      if (!entry.value("stopsRun", false)) {
        walk += LeftAsItWas(entry["folder"], entry["reason"]);
        continue;
      }
      *stop = entry["folder"];
      walk += "    Unable to write files in " + folder + "\n";
      break;
    }
    const bool upgrades = entry["upgrade" + answer],
               fails = entry.contains("upgradeFails") && !entry["upgradeFails"].is_null();
    if (upgrades && fails) walk += "    Unable to upgrade data model in " + folder + "\n";
    if (entry.value("stopsRun" + answer, false)) {
      *stop = entry["folder"];
      break;
    }
    ++recovered;
  }
  return Dialogue() + WalkStart() + links + walk + Summary(recovered);
}

std::string StatusMatchesRun::Said(const nlohmann::json& entries,
                                   const std::string& console) const {
  std::map<std::string, nlohmann::json> byFolder;
  for (const nlohmann::json& entry : entries) byFolder[Folder(entry["folder"])] = entry;
  const std::string start = "Caught an exception while working on ";
  std::istringstream lines(console);
  std::string said;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t split = line.find(" : ");
    if (line.rfind(start, 0) != 0 || split == std::string::npos) {
      said += line + "\n";
      continue;
    }
    const std::string folder = line.substr(start.size(), split - start.size());
    const std::string reason = line.substr(split + 3);
    const nlohmann::json& entry = byFolder[folder];
    const std::string kind = entry.value("kind", "");
    if (kind == "wouldNotRecover") {
      said += "    Unable to recover " + folder + " : " + reason + "; it is left as it was\n";
    } else if (kind == "unreadable") {
      EXPECT_EQ(entry["reason"], reason) << folder;
    } else if (kind != "notAProject" && kind != "recovered") {
      said += line + "\n";
    }
  }
  return said;
}

std::string StatusMatchesRun::ExpectRunAsForeseen(const std::vector<Case>& cases, bool upgrade) {
  Shell("rm -rf '" + home_.Hub() + "' && mkdir '" + home_.Hub() + "'");
  std::vector<std::shared_ptr<void>> held;
  for (const Case& c : cases) held.push_back(c.make(*this));
  const RunResult status = Run(VELDERS_HUB_BINARY, {"status", "--json"}, "");
  EXPECT_EQ(0, status.exitCode) << status.standardError;
  const nlohmann::json entries = nlohmann::json::parse(status.standardOutput)["entries"];
  std::string stop;
  const std::string foreseen = Foreseen(entries, upgrade, &stop);

  const RunResult run = Run(VELDERS_RECOVERY_BINARY, {}, upgrade ? "n\ny\ny\n\n" : "n\ny\nn\n\n");

  EXPECT_EQ(foreseen, Said(entries, run.standardError))
      << "exit code " << run.exitCode << (run.timedOut ? ", timed out" : "") << "\n"
      << run.standardError << status.standardOutput;
  for (const nlohmann::json& entry : entries) {
    const bool renames = entry["kind"] == "wouldRecover" && entry["renamedTo"].is_string() &&
                         !entry.value(upgrade ? "stopsRunWithYes" : "stopsRunWithNo", false);
    if (renames && (stop.empty() || entry["folder"].get<std::string>() < stop)) {
      EXPECT_TRUE(Exists(entry["renamedTo"])) << entry.dump();
    }
  }
  return stop;
}

void StatusMatchesRun::ExpectEachAsForeseen(const std::vector<Case>& cases, bool upgrade) {
  SCOPED_TRACE(upgrade ? "upgrade yes" : "upgrade no");
  std::vector<Case> rest = cases;
  while (!rest.empty() && !HasFailure()) {
    const std::string stop = ExpectRunAsForeseen(rest, upgrade);
    if (stop.empty()) return;
    std::vector<Case> after;
    for (const Case& c : rest) {
      if (c.folder > stop) after.push_back(c);
    }
    rest = std::move(after);
  }
}

StatusMatchesRun::Case StatusMatchesRun::Changed(const std::string& folder,
                                                 std::function<void(StatusMatchesRun&)> change,
                                                 const char* version) {
  return {folder, [folder, change, version](StatusMatchesRun& t) -> std::shared_ptr<void> {
            samplehub::SampleProject project = Project(folder, folder);
            if (version) project.version = version;
            t.Make(project);
            if (change) change(t);
            return nullptr;
          }};
}

std::vector<StatusMatchesRun::Case> StatusMatchesRun::HostileCases() {
  using T = StatusMatchesRun;
  const char* older = samplehub::kOlderDataModelVersion;
  return {
      {"Coastal Survey.vd2",
       [](T& t) -> std::shared_ptr<void> {
         samplehub::MakeSampleHub(t.home_.Hub());
         return nullptr;
       }},
      // Stores that cannot be opened or read.
      Changed("columns.vd2",
              [](T& t) { RunSql(t.Database("columns.vd2"), "ALTER TABLE objects ADD COLUMN p"); }),
      Changed("commit.vd2",
              [](T& t) {
                SpoilObjectData(t.Database("commit.vd2"),
                                samplehub::ReadHeadCommit(t.Git("commit.vd2")).id);
              }),
      Changed("cut.vd2", [](T& t) { CutFile(t.Database("cut.vd2"), 4096); }),
      Changed("early.vd2", [](T& t) { CommitHeadTreeAt(t.Git("early.vd2"), "-99999999999"); }),
      Changed("empty.vd2", [](T& t) { WriteBytes(t.Database("empty.vd2"), ""); }),
      {"exclusive.vd2",
       [](T& t) -> std::shared_ptr<void> {
         t.Make(Project("exclusive.vd2", "exclusive"));
         return std::make_shared<HeldDatabase>(t.Database("exclusive.vd2"), "BEGIN EXCLUSIVE");
       }},
      Changed("fifo config.vd2", [](T& t) { t.Fifo("fifo config.vd2/git/config"); }),
      Changed("fifo head.vd2", [](T& t) { t.Fifo("fifo head.vd2/git/HEAD"); }),
      Changed("fifo objects.vd2", [](T& t) { t.Fifo("fifo objects.vd2/git/odb.sqlite3"); }),
      Changed("garbage.vd2",
              [](T& t) { WriteBytes(t.Database("garbage.vd2"), std::string(8192, 'Z')); }),
      Changed("gitfile.vd2",
              [](T& t) {
                t.Shell("rm -rf '" + t.Git("gitfile.vd2") + "'");
                WriteBytes(t.Git("gitfile.vd2"), "gitdir: elsewhere\n");
              }),
      Changed("late.vd2", [](T& t) { CommitHeadTreeAt(t.Git("late.vd2"), "253402300800"); }),
      Changed("huge.vd2",
              [](T& t) { CommitHeadTreeAt(t.Git("huge.vd2"), "18446744073709551616"); }),
      Changed("missing.vd2",
              [](T& t) {
                WriteBytes(t.Git("missing.vd2") + "/refs/heads/production",
                           "0123456789abcdef0123456789abcdef01234567\n");
              }),
      // Folders a recovery would refuse, or fail part way.
      Changed("branch lock.vd2",
              [](T& t) {
                t.Shell("mkdir '" + t.Git("branch lock.vd2") + "/refs/heads/production.lock'");
              }),
      // Another program's write lock outlasts the wait of the commit's write.
      {"busy.vd2",
       [](T& t) -> std::shared_ptr<void> {
         t.Make(Project("busy.vd2", "busy"));
         return std::make_shared<HeldDatabase>(t.Database("busy.vd2"), "BEGIN IMMEDIATE");
       }},
      Changed("deleted taken.vd2",
              [](T& t) {
                WriteBytes(t.Folder("deleted taken.vd2/deleted"), "");
                WriteBytes(t.Folder("deleted taken.vd2/pre_recovery_deleted"), "older");
              }),
      Changed("info fifo.vd2", [](T& t) { t.Fifo("info fifo.vd2/recovery_info.txt"); }),
      Changed(
          "info folder.vd2",
          [](T& t) { t.Shell("mkdir '" + t.Folder("info folder.vd2") + "/recovery_info.txt'"); }),
      Changed("journal cut short.vd2", [](T& t) { t.LeaveHotJournal("journal cut short.vd2"); }),
      // At the length limit: the promoted name cannot be made.
      Changed(std::string(252, 'l') + ".vd"),
      Changed("linked version.vd2",
              [](T& t) {
                t.Shell("ln -sf ../../outside '" + t.Folder("linked version.vd2") + "/version'");
              }),
      Changed(
          "older saved.vd",
          [](T& t) { WriteBytes(t.Folder("older saved.vd/pre_recovery_version"), "other"); },
          older),
      Changed(
          "saved fifo.vd2", [](T& t) { t.Fifo("saved fifo.vd2/pre_recovery_version"); }, older),
      Changed(
          "saved folder.vd2",
          [](T& t) {
            t.Shell("mkdir '" + t.Folder("saved folder.vd2") + "/pre_recovery_version'");
          },
          "old text"),
      Changed("taken.vd"),
      Changed("taken.vd2",
              [](T& t) { t.Shell("rm '" + t.Folder("taken.vd2") + "/sync.sqlite3'"); }),
      Changed("version fifo.vd2", [](T& t) { t.Fifo("version fifo.vd2/version"); }),
      {"z link",
       [](T& t) -> std::shared_ptr<void> {
         t.Shell("ln -s 'zz healthy.vd2' '" + t.Folder("z link") + "'");
         WriteBytes(t.Folder("z plain file"), "notes");
         return nullptr;
       }},
      Changed("zz healthy.vd2"),
  };
}

TEST_F(StatusMatchesRun, EveryEntryFaresAsStatusForesawWithEitherUpgradeAnswer) {
  const std::vector<Case> cases = HostileCases();
  ExpectEachAsForeseen(cases, false);
  ExpectEachAsForeseen(cases, true);
}

// Needs a mount of its own, which only root in a mount namespace may make.
TEST_F(StatusMatchesRun, OnAReadOnlyFileSystemEveryProjectFaresAsStatusForesaw) {
  const RunResult probe =
      RunProgram("/usr/bin/unshare", home_.Environment(), "",
                 {"-m", "sh", "-c", "mount --bind \"$0\" \"$0\" && mount -o remount,bind,ro \"$0\"",
                  home_.Hub()});
  if (probe.exitCode != 0) {
    GTEST_SKIP() << "a read-only mount cannot be made here: " << probe.standardError;
  }
  readOnlyHub_ = true;
  const std::vector<Case> sample = {HostileCases().front()};
  ExpectEachAsForeseen(sample, false);
  ExpectEachAsForeseen(sample, true);
}

}  // namespace
}  // namespace testing
}  // namespace velders
