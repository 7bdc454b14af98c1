#include "FaultInjectionChecks.h"

#include <git2.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <regex>
#include <sstream>

#include <nlohmann/json.hpp>

#include "GitExport.h"
#include "SampleHub.h"
#include "mevstorage/git/References.h"
#include "mevstorage/git/Storage.h"
#include "upgrade/DataModel.h"

namespace velders {
namespace faults {
namespace {

using Files = std::map<std::string, std::string>;
using mevcore::filesupport::Dir;

// The folder's path now: its old name, or the promoted one.
std::string CurrentPath(const PristineHub& hub, const HubFolder& folder, Findings* findings) {
  const std::string old = hub.Hub() + "/" + folder.name;
  const std::string promoted = old + "2";
  const bool hasOld = IsThere(old), hasPromoted = folder.older && IsThere(promoted);
  if (hasOld && hasPromoted) findings->push_back(folder.name + ": both names exist");
  if (!hasOld && !hasPromoted) findings->push_back(folder.name + ": the folder is gone");
  return hasPromoted ? promoted : old;
}

// "sync.sqlite3" and the companions SQLite keeps beside it.
std::vector<std::string> SyncFiles() {
  return {"sync.sqlite3", "sync.sqlite3-journal", "sync.sqlite3-wal", "sync.sqlite3-shm"};
}

std::string Entry(const Files& files, const std::string& name) {
  const auto found = files.find(name);
  return found == files.end() ? "" : found->second;
}

void CheckKept(const HubFolder& folder, const Files& now, const std::string& name,
               Findings* findings) {
  const std::string original = Entry(folder.files, name);
  if (original.empty()) return;
  if (Entry(now, name) != original && Entry(now, "pre_recovery_" + name) != original) {
    findings->push_back(folder.name + ": the original \"" + name + "\" is lost");
  }
}

std::string IntegrityCheck(const std::string& database) {
  sqlite3* db = nullptr;
  std::string answer = "cannot open";
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      answer = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    } else {
      answer = sqlite3_errmsg(db);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return answer;
}

void CheckReferences(git_repository* repository, const std::string& name, Findings* findings) {
  git_odb* odb = nullptr;
  git_repository_odb(&odb, repository);
  git_reference_iterator* references = nullptr;
  git_reference* reference = nullptr;
  git_reference_iterator_new(&references, repository);
  while (references && git_reference_next(&reference, references) == 0) {
    const git_oid* target = git_reference_target(reference);
    if (target && !git_odb_exists(odb, target)) {
      findings->push_back(name + ": " + git_reference_name(reference) + " names a missing object");
    }
    git_reference_free(reference);
  }
  git_reference_iterator_free(references);
  git_odb_free(odb);
}

// HEAD is the old head or a descendant of it, and its properties are JSON.
void CheckHead(git_repository* repository, const HubFolder& folder, Findings* findings) {
  git_oid head, old;
  if (git_reference_name_to_id(&head, repository, "HEAD") != 0) {
    findings->push_back(folder.name + ": HEAD does not resolve");
    return;
  }
  old = mevstorage::git::IdOf(folder.headId);
  if (!git_oid_equal(&head, &old) && git_graph_descendant_of(repository, &head, &old) != 1) {
    findings->push_back(folder.name + ": the old head is no longer reachable from HEAD");
  }
}

void CheckRepository(const std::string& path, const HubFolder& folder, bool fsck,
                     Findings* findings) {
  const std::string git = path + "/git";
  const std::string integrity = IntegrityCheck(git + "/odb.sqlite3");
  if (integrity != "ok") findings->push_back(folder.name + ": integrity check: " + integrity);
  try {
    mevstorage::git::RepositoryHandle repository =
        mevstorage::git::SQLite3OdbBackend::OpenRepository(Dir::FromNativePath(git));
    CheckHead(repository->ptr, folder, findings);
    CheckReferences(repository->ptr, folder.name, findings);
    nlohmann::json::parse(samplehub::ReadHeadProperties(git)).at("name");
  } catch (const std::exception& error) {
    findings->push_back(folder.name + ": " + error.what());
  }
  if (!fsck) return;
  const std::string exported = path + ".export";
  try {
    mevstorage::testing::ExportToPlainGit(Dir::FromNativePath(git), Dir::FromNativePath(exported));
    const auto result = mevstorage::testing::RunGitFsck(Dir::FromNativePath(exported));
    if (result.exitStatus != 0) findings->push_back(folder.name + ": fsck: " + result.output);
  } catch (const std::exception& error) {
    findings->push_back(folder.name + ": export: " + error.what());
  }
  std::error_code ignored;
  std::filesystem::remove_all(exported, ignored);
}

bool RepositoryChanged(const HubFolder& folder, const Files& now) {
  for (const auto& [name, id] : now) {
    if (name.rfind("git/", 0) == 0 && Entry(folder.files, name) != id) return true;
  }
  return false;
}

std::string BlobIdOf(const std::string& text) {
  git_oid id;
  git_odb_hash(&id, text.data(), text.size(), GIT_OBJECT_BLOB);
  return mevstorage::git::HexOf(id);
}

std::string CurrentVersionId() {
  const auto json = DataModelJson();
  return BlobIdOf(std::string(json.begin(), json.end()));
}

// The id of the first parent of the commit `id`; empty when it has none.
std::string FirstParent(const std::string& git, const std::string& id) {
  mevstorage::git::RepositoryHandle repository =
      mevstorage::git::SQLite3OdbBackend::OpenRepository(Dir::FromNativePath(git));
  const git_oid commitId = mevstorage::git::IdOf(id);
  git_commit* commit = nullptr;
  std::string parent;
  if (git_commit_lookup(&commit, repository->ptr, &commitId) == 0 &&
      git_commit_parentcount(commit) > 0) {
    parent = mevstorage::git::HexOf(*git_commit_parent_id(commit, 0));
  }
  git_commit_free(commit);
  return parent;
}

// The new head carries the recovered name and has the old head as its one
// parent.
bool RecoveredHead(const std::string& git, const HubFolder& folder, std::string* why) {
  const samplehub::HeadCommit head = samplehub::ReadHeadCommit(git);
  const std::string name = nlohmann::json::parse(samplehub::ReadHeadProperties(git)).at("name");
  if (name.find(" (Recovered ") == std::string::npos) {
    *why = "HEAD keeps the old name " + name;
  } else if (head.parentCount != 1 || FirstParent(git, head.id) != folder.headId) {
    *why = "the new head's one parent is not the old head";
  }
  return why->empty();
}

bool FilesRecovered(const HubFolder& folder, const Files& now, bool upgrade,
                    bool promotionUpgradeMayFail, std::string* why) {
  const auto expect = [&](bool condition, const std::string& what) {
    if (!condition && why->empty()) *why = what;
  };
  for (const std::string& name : SyncFiles()) {
    expect(Entry(now, name).empty(), "\"" + name + "\" is still there");
    expect(Entry(now, "pre_recovery_" + name) == Entry(folder.files, name),
           "\"" + name + "\" is not set aside");
  }
  expect(Entry(now, "deleted").empty(), "\"deleted\" is still there");
  expect(Entry(now, "pre_recovery_deleted") == Entry(folder.files, "deleted"),
         "\"deleted\" is not set aside");
  expect(!Entry(now, "recovery_info.txt").empty(), "no \"recovery_info.txt\"");
  if (folder.older && !upgrade && promotionUpgradeMayFail &&
      Entry(now, "version") == Entry(folder.files, "version")) {
    // The promotion's own upgrade failed; as written, the project counts.
  } else if (upgrade || folder.older) {
    expect(Entry(now, "version") == CurrentVersionId(), "\"version\" is not upgraded");
    expect(Entry(now, "pre_recovery_version") == Entry(folder.files, "version"),
           "\"pre_recovery_version\" does not hold the old \"version\"");
  } else {
    expect(Entry(now, "version") == Entry(folder.files, "version"), "\"version\" changed");
  }
  return why->empty();
}

}  // namespace

std::string LineAfter(const std::string& transcript, const std::string& start) {
  std::istringstream lines(transcript);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(start, 0) == 0) return line.substr(start.size());
  }
  return std::string();
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool IsThere(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

void AddTagged(Findings* all, const std::string& tag, const Findings& found) {
  for (const std::string& finding : found) all->push_back(tag + finding);
}

Findings CheckHub(const PristineHub& hub, bool fsck) {
  Findings findings;
  for (const HubFolder& folder : hub.Folders()) {
    const std::string path = CurrentPath(hub, folder, &findings);
    if (!IsThere(path)) continue;
    const Files now = samplehub::HashTree(path);
    if (!folder.recoverable) {
      if (now != folder.files) findings.push_back(folder.name + ": a skipped folder changed");
      continue;
    }
    for (const char* name : {"deleted", "version"}) CheckKept(folder, now, name, &findings);
    for (const std::string& name : SyncFiles()) CheckKept(folder, now, name, &findings);
    CheckRepository(path, folder, fsck && RepositoryChanged(folder, now), &findings);
  }
  return findings;
}

Findings CheckNoStrayTemporaries(const PristineHub& hub) {
  static const std::regex stray(R"(^\..+\.writing-\d+-\d+$)");
  Findings findings;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(hub.Hub())) {
    if (std::regex_match(entry.path().filename().string(), stray)) {
      findings.push_back("a stray temporary stays: " + entry.path().string());
    }
  }
  return findings;
}

Findings CheckRunEnded(const RunOutcome& run) {
  Findings findings;
  if (!run.exited || run.exitCode != 0) {
    findings.push_back("the run ended with " + std::to_string(run.exitCode) + " " + run.escaped);
  }
  static const std::regex summary("\nRecovered \\d+ Velders\\.\n\nPress Enter/Return to exit\\.\n$");
  if (!std::regex_search(run.transcript, summary)) findings.push_back("no summary at the end");
  return findings;
}

std::multiset<std::string> FailureLines(const std::string& transcript) {
  // A line may follow a question's prompt, which ends in no line end.
  static const std::regex prompts("^(.*\\((Yes/No|Yes/No/Quit)\\): )+");
  std::istringstream lines(transcript);
  std::multiset<std::string> failures;
  for (std::string line; std::getline(lines, line);) {
    line = std::regex_replace(line, prompts, "");
    if (line.rfind("Caught an exception", 0) == 0 || line.find("Unable to ") != std::string::npos) {
      failures.insert(line);
    }
  }
  return failures;
}

bool Says(const std::string& transcript, const std::string& line) {
  return transcript.rfind(line, 0) == 0 || transcript.find("\n" + line) != std::string::npos;
}

std::vector<std::string> NewFailureLines(const std::string& run, const std::string& clean) {
  const std::multiset<std::string> now = FailureLines(run), before = FailureLines(clean);
  std::vector<std::string> added;
  std::set_difference(now.begin(), now.end(), before.begin(), before.end(),
                      std::back_inserter(added));
  return added;
}

bool FullyRecovered(const PristineHub& hub, const HubFolder& folder, bool upgrade,
                    std::string* why, bool promotionUpgradeMayFail) {
  why->clear();
  const std::string path = hub.Hub() + "/" + folder.name + (folder.older ? "2" : "");
  if (!IsThere(path)) {
    *why = "the folder is not promoted";
    return false;
  }
  try {
    return FilesRecovered(folder, samplehub::HashTree(path), upgrade, promotionUpgradeMayFail,
                          why) &&
           RecoveredHead(path + "/git", folder, why);
  } catch (const std::exception& error) {
    *why = error.what();
    return false;
  }
}

bool AllRecovered(const PristineHub& hub, bool upgrade) {
  std::string why;
  for (const HubFolder& folder : hub.Folders()) {
    if (folder.recoverable && !FullyRecovered(hub, folder, upgrade, &why)) return false;
  }
  return true;
}

std::uint64_t CountStuck(const PristineHub& hub, bool upgrade, bool promotionUpgradeMayFail,
                         const std::string& when, Findings* findings) {
  std::uint64_t stuck = 0;
  std::string why, whyNot;
  for (const HubFolder& folder : hub.Folders()) {
    if (!folder.recoverable ||
        FullyRecovered(hub, folder, upgrade, &why, promotionUpgradeMayFail) ||
        AsItWas(hub, folder, &whyNot)) {
      continue;
    }
    ++stuck;
    findings->push_back(when + folder.name + " is stuck: " + why + "; " + whyNot);
  }
  return stuck;
}

bool AsItWas(const PristineHub& hub, const HubFolder& folder, std::string* why) {
  why->clear();
  const std::string path = hub.Hub() + "/" + folder.name;
  if (!IsThere(path)) {
    *why = "the folder is not under its old name";
    return false;
  }
  Files now = samplehub::HashTree(path), before = folder.files;
  // The database, and a journal of a transaction it did not commit.
  for (Files* files : {&now, &before}) {
    files->erase("git/odb.sqlite3");
    files->erase("git/odb.sqlite3-journal");
  }
  for (const auto& [name, id] : now) {
    if (Entry(before, name) != id) *why = "\"" + name + "\" is new or changed";
  }
  for (const auto& [name, id] : before) {
    if (Entry(now, name).empty()) *why = "\"" + name + "\" is gone";
  }
  return why->empty();
}

}  // namespace faults
}  // namespace velders
