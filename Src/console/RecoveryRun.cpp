#include "console/RecoveryRun.h"

#include <cstdint>
#include <cstring>
#include <future>
#include <initializer_list>
#include <iostream>
#include <optional>
#include <string>

#include "console/LinkedFolders.h"
#include "console/LookAhead.h"
#include "console/NoLocalizer.h"
#include "console/ReadAnswer.h"
#include "console/ProjectLines.h"
#include "console/RecoverProject.h"
#include "mevcore/config/Config.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/CommonDirs.h"
#include "mevcore/filesupport/Dir.h"
#include "mevcore/filesupport/DiskInterface.h"
#include "mevcore/threads/Threads.h"
#include "mevcore/utility/Text.h"
#include "mevstorage/git/Storage.h"
#include "project/FolderHolds.h"
#include "project/Ownership.h"
#include "project/Resume.h"
#include "records/ConsoleText.h"
#include "records/Version.h"

namespace velders {
namespace {

using mevcore::filesupport::Dir;
using mevcore::utility::AsciiToUTF16;

void WriteBanner(std::ostream& out) {
  out << std::endl;
  out << "Velders Recovery " << kVersionText << std::endl;
  out << std::endl;
  out << "This application will run a job to recover existing local Velders" << std::endl;
  out << "    that can be found in the current operating system user's home folder." << std::endl;
  out << "    All Velders detected in the home folder will be considered for" << std::endl;
  out << "    recovery, regardless of the Lumora user that was logged" << std::endl;
  out << "    in when the Velder was used." << std::endl;
  out << "    These Velders will be converted to new, recovered Velders," << std::endl;
  out << "    and their auto-save history will be saved, but the shared history will" << std::endl;
  out << "    not be saved, and all collaborators must be re-invited. The recovered" << std::endl;
  out << "    Velders will not be initially stored in the cloud, so you must wait" << std::endl;
  out << "    for these projects to be fully synchronized to the cloud the next time" << std::endl;
  out << "    that you run Framewright or Motionsmith. " << std::endl;
}

// An empty line, the question's lines and its prompt, then the answer.
Answer Ask(Console& console, std::initializer_list<const char*> lines, const char* prompt) {
  console.out << std::endl;
  for (const char* line : lines) console.out << line << std::endl;
  console.out << prompt;
  return ReadAnswer(console.in);
}

// Asks until the user says the host applications are closed; false on quit.
bool AskAppsClosed(Console& console) {
  for (;;) {
    const Answer answer =
        Ask(console,
            {"Please exit Framewright, Motionsmith, Cuebook, and Renderhall",
             "    before continuing, to prevent data corruption."},
            "Are any of these apps still running? (Yes/No): ");
    if (answer == Answer::kQuit) return false;
    if (answer == Answer::kNo) return true;
  }
}

Answer AskRecoverAll(Console& console) {
  return Ask(console,
             {"Do you want to automatically recover all existing local Velders?",
              "    (If you answer 'no,' you will be asked if you want to convert each",
              "    individual Velder.)"},
             "Recover all? (Yes/No/Quit): ");
}

Answer AskUpgrade(Console& console) {
  return Ask(console,
             {"Do you want to upgrade Framewright LX 2017 (Velders Beta) projects ",
              "  to Framewright LX 2018 Velders? (If you answer 'no,' you must",
              "  run Framewright LX 2017 to synchronize older Velders to the cloud.)"},
             "Upgrade? (Yes/No/Quit): ");
}

// The reason of a failure to read the hub: the system's text when there is one.
std::string ReasonOf(const std::exception& e) {
  const auto* core = dynamic_cast<const mevcore::config::mev_exception*>(&e);
  return core && core->error() != 0 ? std::strerror(core->error()) : e.what();
}

void SayLinkedFolders(const Dir& hub, Console& console) {
  for (const std::string& link : LinkedFolders(hub)) {
    console.out << "Skipped " << ConsoleSafe(link) << " : a symbolic link is not followed"
                << std::endl;
  }
}

// Says that another program holds the hub: the recovery program, or one
// that cannot be told, as another run.
void SayHubHeld(const Dir& hub, const mevcore::filesupport::FolderLockHolder& holder,
                Console& console) {
  const std::string text = project::HolderText(holder);
  if (holder.program.empty() || project::HeldByRecovery(holder)) {
    console.out << "Another run of Velders Recovery"
                << (holder.pid ? " (process " + std::to_string(holder.pid) + ")" : "");
  } else {
    console.out << ConsoleSafe(text);
  }
  console.out << " is working on " << ConsoleSafe(hub.FullPathMultiByte())
              << "; nothing was changed" << std::endl;
}

// False too when that cannot be told.
bool OwnedByUser(const Dir& project) {
  try {
    return !project::ForeignOwner(project);
  } catch (const std::exception&) {
    return false;
  }
}

// Every folder an earlier run left part way is finished or put back, after
// an empty line when there is something to say; returns how many were
// finished. A folder of another user is left to the walk, which says why.
std::uint64_t ResumeLeftPartWay(const Dir& hub, Console& console) {
  std::uint64_t finished = 0;
  bool said = false;
  for (auto it = hub.BeginSubdirs(true, nullptr, {}); it != hub.EndSubdirs(); ++it) {
    const Dir project = *it;
    if (!OwnedByUser(project)) continue;
    const project::ResumeReport report = project::ResumeFolder(project);
    if (report.result == project::ResumeReport::Result::kNothingToDo) continue;
    if (!said) console.out << std::endl;
    said = true;
    if (SayResume(project, report, console)) ++finished;
  }
  return finished;
}

// Hands every sub-folder of the hub to AskAndRecoverProject; returns how
// many were recovered.
std::uint64_t WalkAsking(const Dir& hub, bool upgrade, Console& console) {
  std::uint64_t recovered = 0;
  for (auto it = hub.BeginSubdirs(true, nullptr, {}); it != hub.EndSubdirs(); ++it) {
    const Outcome outcome = AskAndRecoverProject(upgrade, *it, console);
    if (outcome == Outcome::kRecovered) ++recovered;
    if (outcome == Outcome::kStopWalk) break;
  }
  return recovered;
}

// Recovers every sub-folder of the hub in turn, while the next one is looked
// at (LookAt) on a second thread: its examination and the storing of its
// commit, with SQLite's syncs, overlap the steps of the project before. Its
// commit is stored only once that project can no longer stop the walk, so a
// walk that stops leaves every later folder exactly as it was; only the
// steps change a project folder, and they run here, in the hub's order, so
// the console and the folders are as a walk of one project at a time leaves
// them. On a disk whose calls are counted, each look waits for its turn, so
// the calls keep the order of that walk. Returns how many were recovered.
std::uint64_t WalkRecoveringAll(const Dir& hub, bool upgrade, Console& console) {
  LookAhead looks(mevcore::filesupport::DiskCallsMayOverlap());
  std::uint64_t recovered = 0;
  auto it = hub.BeginSubdirs(true, nullptr, {});
  std::future<LookedAt> next;
  if (it != hub.EndSubdirs()) next = looks.Start(*it, upgrade, {});
  while (next.valid()) {
    LookedAt current = next.get();
    std::promise<bool> walkGoesOn;
    if (++it != hub.EndSubdirs()) {
      next = looks.Start(*it, upgrade, walkGoesOn.get_future().share());
    }
    const Outcome outcome = RecoverLookedAt(std::move(current), console, &walkGoesOn);
    if (outcome == Outcome::kRecovered) ++recovered;
    if (outcome == Outcome::kStopWalk) break;
  }
  return recovered;
}

std::uint64_t WalkProjects(const Dir& hub, bool askEach, bool upgrade, Console& console) {
  return askEach ? WalkAsking(hub, upgrade, console) : WalkRecoveringAll(hub, upgrade, console);
}

// The walk holds the hub, so that a second run at the same time stops
// before it changes anything. The dialogue holds it already unless it was
// missing or could not be held then; the walk then holds it, and finishes
// what an earlier run left part way, itself.
std::uint64_t WalkHub(const Dir& hub, bool held, bool askEach, bool upgrade, Console& console) {
  if (!hub.Exists()) {
    console.out << "No local Velders were found in " << ConsoleSafe(hub.FullPathMultiByte())
                << std::endl;
    return 0;
  }
  project::FolderHolds holds;
  std::uint64_t finished = 0;
  if (!held) {
    holds = project::HoldFolders({hub});
    if (holds.busy) {
      SayHubHeld(hub, holds.holder, console);
      return 0;
    }
    finished = ResumeLeftPartWay(hub, console);
  }
  SayLinkedFolders(hub, console);
  return finished + WalkProjects(hub, askEach, upgrade, console);
}

Dir DefaultHub() {
  return Dir(mevcore::filesupport::commondirs::MEVSharedDocumentsDir(),
             AsciiToUTF16("Velders Local Hub"));
}

std::uint64_t Walk(const std::optional<Dir>& hubFolder, bool held, bool askEach, bool upgrade,
                   Console& console) {
  console.out << std::endl;
  std::string name = "Velders Local Hub";
  try {
    const Dir hub = hubFolder ? *hubFolder : DefaultHub();
    name = hub.FullPathMultiByte();
    return WalkHub(hub, held, askEach, upgrade, console);
  } catch (const std::exception& e) {
    console.out << "Unable to read " << ConsoleSafe(name) << " : " << ConsoleSafe(ReasonOf(e))
                << std::endl;
  }
  return 0;
}

void WriteSummary(std::uint64_t recovered, Console& console) {
  console.out << std::endl;
  console.out << "Recovered " << recovered << " Velders." << std::endl;
  console.out << std::endl;
  console.out << "Press Enter/Return to exit." << std::endl;
  ReadAnswer(console.in);
}

// The hub as the dialogue holds it.
struct HubHold {
  std::optional<Dir> hub;  // none when where it is cannot be told
  project::FolderHolds holds;
  bool Held() const { return !holds.locks.empty(); }
};

// The hub is held from before the first question, so that a second run
// hears at once that another program works on it. A hub that is missing,
// or cannot be examined or held, is left to the walk, which says so in its
// place in the dialogue.
HubHold HoldHub(const std::optional<Dir>& hubFolder) {
  HubHold hold;
  try {
    hold.hub = hubFolder ? *hubFolder : DefaultHub();
    hold.holds = project::HoldFolders({*hold.hub});
  } catch (const std::exception&) {
  }
  return hold;
}

// What an earlier run left part way is finished or put back as soon as the
// user says the applications are closed, whatever the answers after. A hub
// that cannot be listed is said by the walk.
std::uint64_t ResumeHeldHub(const HubHold& hold, Console& console) {
  if (!hold.Held()) return 0;
  try {
    return ResumeLeftPartWay(*hold.hub, console);
  } catch (const std::exception&) {
    return 0;
  }
}

// Runs the dialogue and the walk; returns the count of recovered projects.
std::uint64_t RunDialogue(const std::optional<Dir>& hubFolder, Console& console) {
  WriteBanner(console.out);
  const HubHold hold = HoldHub(hubFolder);
  if (hold.holds.busy) {
    console.out << std::endl;
    SayHubHeld(*hold.holds.busy, hold.holds.holder, console);
    return 0;
  }
  if (!AskAppsClosed(console)) return 0;
  const std::uint64_t finished = ResumeHeldHub(hold, console);
  const Answer recoverAll = AskRecoverAll(console);
  if (recoverAll == Answer::kQuit) return finished;
  const Answer upgrade = AskUpgrade(console);
  if (upgrade == Answer::kQuit) return finished;
  return finished + Walk(hubFolder, hold.Held(), recoverAll == Answer::kNo,
                         upgrade == Answer::kYes, console);
}

}  // namespace

int RunRecovery(Console& console, const std::optional<Dir>& hub) {
  NoLocalizer localizer;
  mevcore::config::SetApplicationName(AsciiToUTF16("Velders Recovery"));
  mevcore::config::SetClientVersion(AsciiToUTF16(kVersionText));
  mevcore::config::Localizer::Set(&localizer, Dir());
  mevcore::threads::RegisterCurrentThreadAsMainThread();
  mevstorage::git::Startup();

  WriteSummary(RunDialogue(hub, console), console);

  mevstorage::git::Shutdown();
  mevcore::config::Localizer::Set(nullptr, Dir());
  return 0;
}

int RunRecovery() {
  Console console{std::cerr, std::cin};
  return RunRecovery(console);
}

}  // namespace velders
