#include "console/RecoveryRun.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iostream>
#include <optional>
#include <string>

#include "console/LinkedFolders.h"
#include "console/NoLocalizer.h"
#include "console/ReadAnswer.h"
#include "console/ProjectLines.h"
#include "console/RecoverProject.h"
#include "mevcore/config/Config.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/CommonDirs.h"
#include "mevcore/filesupport/Dir.h"
#include "mevcore/filesupport/FolderLock.h"
#include "mevcore/threads/Threads.h"
#include "mevcore/utility/Text.h"
#include "mevstorage/git/Storage.h"
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

// Before anything is offered, every folder an earlier run left part way is
// finished or put back; returns how many were finished.
std::uint64_t ResumeLeftPartWay(const Dir& hub, Console& console) {
  std::uint64_t finished = 0;
  for (auto it = hub.BeginSubdirs(true, nullptr, {}); it != hub.EndSubdirs(); ++it) {
    const Dir project = *it;
    if (SayResume(project, project::ResumeFolder(project), console)) ++finished;
  }
  return finished;
}

// Hands every sub-folder of the hub to RecoverProject; returns how many were
// recovered.
std::uint64_t WalkProjects(const Dir& hub, bool askEach, bool upgrade, Console& console) {
  std::uint64_t recovered = ResumeLeftPartWay(hub, console);
  for (auto it = hub.BeginSubdirs(true, nullptr, {}); it != hub.EndSubdirs(); ++it) {
    const Dir project = *it;
    const Outcome outcome = RecoverProject(askEach, upgrade, project, console);
    if (outcome == Outcome::kRecovered) ++recovered;
    if (outcome == Outcome::kStopWalk) break;
  }
  return recovered;
}

// The walk holds the hub, so that a second run at the same time stops
// before it changes anything.
std::uint64_t WalkHub(const Dir& hub, bool askEach, bool upgrade, Console& console) {
  if (!hub.Exists()) {
    console.out << "No local Velders were found in " << ConsoleSafe(hub.FullPathMultiByte())
                << std::endl;
    return 0;
  }
  const auto held = mevcore::filesupport::FolderLock::TryHold(hub);
  if (!held) {
    console.out << "Another run of Velders Recovery is working on "
                << ConsoleSafe(hub.FullPathMultiByte()) << "; nothing was changed" << std::endl;
    return 0;
  }
  SayLinkedFolders(hub, console);
  return WalkProjects(hub, askEach, upgrade, console);
}

Dir DefaultHub() {
  return Dir(mevcore::filesupport::commondirs::MEVSharedDocumentsDir(),
             AsciiToUTF16("Velders Local Hub"));
}

std::uint64_t Walk(const std::optional<Dir>& hubFolder, bool askEach, bool upgrade,
                   Console& console) {
  console.out << std::endl;
  std::string name = "Velders Local Hub";
  try {
    const Dir hub = hubFolder ? *hubFolder : DefaultHub();
    name = hub.FullPathMultiByte();
    return WalkHub(hub, askEach, upgrade, console);
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

// Runs the dialogue and the walk; returns the count of recovered projects.
std::uint64_t RunDialogue(const std::optional<Dir>& hub, Console& console) {
  WriteBanner(console.out);
  if (!AskAppsClosed(console)) return 0;
  const Answer recoverAll = AskRecoverAll(console);
  if (recoverAll == Answer::kQuit) return 0;
  const Answer upgrade = AskUpgrade(console);
  if (upgrade == Answer::kQuit) return 0;
  return Walk(hub, recoverAll == Answer::kNo, upgrade == Answer::kYes, console);
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
