#include "Transcript.h"

namespace velders {
namespace testing {

std::string Banner() {
  return "\n"
         "Velders Recovery 1.0.1\n"
         "\n"
         "This application will run a job to recover existing local Velders\n"
         "    that can be found in the current operating system user's home folder.\n"
         "    All Velders detected in the home folder will be considered for\n"
         "    recovery, regardless of the Lumora user that was logged\n"
         "    in when the Velder was used.\n"
         "    These Velders will be converted to new, recovered Velders,\n"
         "    and their auto-save history will be saved, but the shared history will\n"
         "    not be saved, and all collaborators must be re-invited. The recovered\n"
         "    Velders will not be initially stored in the cloud, so you must wait\n"
         "    for these projects to be fully synchronized to the cloud the next time\n"
         "    that you run Framewright or Motionsmith. \n";
}

std::string AppsQuestion() {
  return "\n"
         "Please exit Framewright, Motionsmith, Cuebook, and Renderhall\n"
         "    before continuing, to prevent data corruption.\n"
         "Are any of these apps still running? (Yes/No): ";
}

std::string RecoverAllQuestion() {
  return "\n"
         "Do you want to automatically recover all existing local Velders?\n"
         "    (If you answer 'no,' you will be asked if you want to convert each\n"
         "    individual Velder.)\n"
         "Recover all? (Yes/No/Quit): ";
}

std::string UpgradeQuestion() {
  return "\n"
         "Do you want to upgrade Framewright LX 2017 (Velders Beta) projects \n"
         "  to Framewright LX 2018 Velders? (If you answer 'no,' you must\n"
         "  run Framewright LX 2017 to synchronize older Velders to the cloud.)\n"
         "Upgrade? (Yes/No/Quit): ";
}

std::string WalkStart() { return "\n"; }

std::string Summary(unsigned long long recovered) {
  return "\nRecovered " + std::to_string(recovered) +
         " Velders.\n"
         "\n"
         "Press Enter/Return to exit.\n";
}

std::string Dialogue() {
  return Banner() + AppsQuestion() + RecoverAllQuestion() + UpgradeQuestion();
}

}  // namespace testing
}  // namespace velders
