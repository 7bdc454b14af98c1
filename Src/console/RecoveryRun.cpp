#include "console/RecoveryRun.h"

#include <cstdint>
#include <cstring>
#include <iostream>
#include <string>

#include "console/LinkedFolders.h"
#include "console/NoLocalizer.h"
#include "console/ReadAnswer.h"
#include "console/RecoverProject.h"
#include "mevcore/config/Config.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/CommonDirs.h"
#include "mevcore/filesupport/Dir.h"
#include "mevcore/threads/Threads.h"
#include "mevcore/utility/Text.h"
#include "mevstorage/git/Storage.h"
#include "records/ConsoleText.h"
#include "records/Version.h"

namespace velders {
namespace {

using mevcore::filesupport::Dir;
using mevcore::utility::AsciiToUTF16;

void WriteBanner() {
  std::cerr << std::endl;
  std::cerr << "Velders Recovery " << kVersionText << std::endl;
  std::cerr << std::endl;
  std::cerr << "This application will run a job to recover existing local Velders" << std::endl;
  std::cerr << "    that can be found in the current operating system user's home folder." << std::endl;
  std::cerr << "    All Velders detected in the home folder will be considered for" << std::endl;
  std::cerr << "    recovery, regardless of the Lumora user that was logged" << std::endl;
  std::cerr << "    in when the Velder was used." << std::endl;
  std::cerr << "    These Velders will be converted to new, recovered Velders," << std::endl;
  std::cerr << "    and their auto-save history will be saved, but the shared history will" << std::endl;
  std::cerr << "    not be saved, and all collaborators must be re-invited. The recovered" << std::endl;
  std::cerr << "    Velders will not be initially stored in the cloud, so you must wait" << std::endl;
  std::cerr << "    for these projects to be fully synchronized to the cloud the next time" << std::endl;
  std::cerr << "    that you run Framewright or Motionsmith. " << std::endl;
}

// Asks until the user says the host applications are closed; false on quit.
bool AskAppsClosed() {
  for (;;) {
    std::cerr << std::endl;
    std::cerr << "Please exit Framewright, Motionsmith, Cuebook, and Renderhall" << std::endl;
    std::cerr << "    before continuing, to prevent data corruption." << std::endl;
    std::cerr << "Are any of these apps still running? (Yes/No): ";
    int answer = ReadAnswer();
    if (answer == kQuit) return false;
    if (answer == kNo) return true;
  }
}

int AskRecoverAll() {
  std::cerr << std::endl;
  std::cerr << "Do you want to automatically recover all existing local Velders?" << std::endl;
  std::cerr << "    (If you answer 'no,' you will be asked if you want to convert each" << std::endl;
  std::cerr << "    individual Velder.)" << std::endl;
  std::cerr << "Recover all? (Yes/No/Quit): ";
  return ReadAnswer();
}

int AskUpgrade() {
  std::cerr << std::endl;
  std::cerr << "Do you want to upgrade Framewright LX 2017 (Velders Beta) projects " << std::endl;
  std::cerr << "  to Framewright LX 2018 Velders? (If you answer 'no,' you must" << std::endl;
  std::cerr << "  run Framewright LX 2017 to synchronize older Velders to the cloud.)" << std::endl;
  std::cerr << "Upgrade? (Yes/No/Quit): ";
  return ReadAnswer();
}

// The reason of a core library failure: the system's text when there is one.
std::string ReasonOf(const mevcore::config::mev_exception& e) {
  return e.error() != 0 ? std::strerror(e.error()) : e.what();
}

void SayLinkedFolders(const Dir& hub) {
  for (const std::string& link : LinkedFolders(hub)) {
    std::cerr << "Skipped " << ConsoleSafe(link) << " : a symbolic link is not followed"
              << std::endl;
  }
}

// Hands every sub-folder of the hub to RecoverProject; returns how many were
// recovered.
std::uint64_t WalkHub(bool askEach, bool upgrade) {
  std::cerr << std::endl;
  Dir hub(mevcore::filesupport::commondirs::MEVSharedDocumentsDir(),
          AsciiToUTF16("Velders Local Hub"));
  std::uint64_t recovered = 0;
  try {
    if (!hub.Exists()) {
      std::cerr << "No local Velders were found in " << ConsoleSafe(hub.FullPathMultiByte())
                << std::endl;
      return 0;
    }
    SayLinkedFolders(hub);
    for (auto it = hub.BeginSubdirs(true, nullptr, {}); it != hub.EndSubdirs(); ++it) {
      Dir project = *it;
      int result = RecoverProject(askEach, upgrade, project);
      if (result == 1) ++recovered;
      if (result == -1) break;
    }
  } catch (const mevcore::config::mev_exception& e) {
    std::cerr << "Unable to read " << ConsoleSafe(hub.FullPathMultiByte()) << " : "
              << ConsoleSafe(ReasonOf(e)) << std::endl;
  }
  return recovered;
}

void WriteSummary(std::uint64_t recovered) {
  std::cerr << std::endl;
  std::cerr << "Recovered " << recovered << " Velders." << std::endl;
  std::cerr << std::endl;
  std::cerr << "Press Enter/Return to exit." << std::endl;
  ReadAnswer();
}

// Runs the dialogue and the walk; returns the count of recovered projects.
std::uint64_t RunDialogue() {
  WriteBanner();
  if (!AskAppsClosed()) return 0;
  int recoverAll = AskRecoverAll();
  if (recoverAll == kQuit) return 0;
  int upgrade = AskUpgrade();
  if (upgrade == kQuit) return 0;
  return WalkHub(recoverAll == kNo, upgrade == kYes);
}

}  // namespace

int RunRecovery() {
  NoLocalizer localizer;
  mevcore::config::SetApplicationName(AsciiToUTF16("Velders Recovery"));
  mevcore::config::SetClientVersion(AsciiToUTF16(kVersionText));
  mevcore::config::Localizer::Set(&localizer, Dir());
  mevcore::threads::RegisterCurrentThreadAsMainThread();
  mevstorage::git::Startup();

  WriteSummary(RunDialogue());

  mevstorage::git::Shutdown();
  mevcore::config::Localizer::Set(nullptr, Dir());
  return 0;
}

}  // namespace velders
