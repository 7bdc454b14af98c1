#include "console/RecoverProject.h"

#include <exception>
#include <string>

#include <boost/date_time/posix_time/posix_time_types.hpp>

#include "console/ProjectLines.h"
#include "console/ReadAnswer.h"
#include "mevstorage/git/Storage.h"
#include "project/Examine.h"
#include "project/Ownership.h"
#include "project/Recovery.h"
#include "records/ConsoleText.h"
#include "records/TimeStamps.h"

namespace velders {
namespace {

using mevcore::filesupport::Dir;
using Kind = project::Preview::Kind;

// Shows the project and asks whether to recover it.
Answer AskAboutProject(const project::Preview& preview, Console& console) {
  console.out << std::endl;
  console.out << "Would you like to recover " << std::endl;
  console.out << "    '" << ConsoleSafe(preview.name) << "'" << std::endl;
  console.out << "    (modified " << ConsoleForm(preview.localModified)
              << ") as a new, recovered Velder?" << std::endl;
  console.out << "Recover? (Yes/No/Quit): ";
  return ReadAnswer(console.in);
}

// The request for an offered project, handed what its examination read.
project::RecoveryRequest RequestOf(const Dir& project, bool upgrade,
                                   project::Examination examination) {
  project::RecoveryRequest request;
  request.project = project;
  request.repository = std::move(examination.repository);
  request.properties = std::move(examination.properties);
  request.lastModified = examination.lastModified;
  request.recoveryTime = RecoveryTimeNow();
  request.upgrade = upgrade;
  request.tips = examination.tips;
  request.reads = std::move(examination.reads);
  request.listing = std::move(examination.listing);
  return request;
}

// Asks about an offered project, then recovers it on yes.
Outcome RecoverOnYes(bool upgrade, const Dir& project, project::Examination examination,
                     Console& console) {
  examination.reads.reset();
  examination.tips.reset();
  examination.listing.reset();
  const Answer answer = AskAboutProject(examination.preview, console);
  if (answer == Answer::kQuit) return Outcome::kStopWalk;
  if (answer == Answer::kNo) return Outcome::kNotRecovered;
  project::CheckStillOffered(project);
  console.out << "Recovering: " << ConsoleSafe(examination.preview.name) << std::endl;
  return SayRecovery(project,
                     project::RecoverFolder(RequestOf(project, upgrade, std::move(examination))),
                     console);
}

// The folder's examination when it is offered, else the exception line's
// text, if any.
struct ExaminedFolder {
  std::optional<project::Examination> offered;
  std::string said;
};

ExaminedFolder ExamineForWalk(const Dir& project) {
  ExaminedFolder examined;
  if (const auto foreign = project::ForeignOwner(project)) {
    examined.said = *foreign;
    return examined;
  }
  project::Examination examination =
      project::ExamineFolder(project, mevstorage::git::SQLite3OdbBackend::OpenRepository);
  if (examination.preview.kind == Kind::kWouldRecover) {
    examined.offered = std::move(examination);
  } else {
    examined.said = examination.said;
  }
  return examined;
}

}  // namespace

Outcome AskAndRecoverProject(bool upgrade, const Dir& project, Console& console) {
  try {
    ExaminedFolder examined = ExamineForWalk(project);
    if (examined.offered) {
      return RecoverOnYes(upgrade, project, std::move(*examined.offered), console);
    }
    if (!examined.said.empty()) SayException(project, examined.said, console);
  } catch (const std::exception& e) {
    SayException(project, e.what(), console);
  }
  return Outcome::kNotRecovered;
}

LookedAt LookAt(const Dir& project, bool upgrade, std::shared_future<bool> mayStore) {
  LookedAt looked;
  looked.project = project;
  try {
    ExaminedFolder examined = ExamineForWalk(project);
    looked.said = examined.said;
    if (!examined.offered) return looked;
    looked.name = examined.offered->preview.name;
    project::RecoveryRequest request = RequestOf(project, upgrade, std::move(*examined.offered));
    if (mayStore.valid()) request.mayStore = [mayStore] { return mayStore.get(); };
    looked.prepared = project::PrepareRecovery(std::move(request));
  } catch (const std::exception& e) {
    looked.said = e.what();
  }
  return looked;
}

Outcome RecoverLookedAt(LookedAt looked, Console& console, std::promise<bool>* walkGoesOn) {
  bool told = false;
  const auto tell = [&](bool goesOn) {
    if (walkGoesOn && !told) walkGoesOn->set_value(goesOn);
    told = true;
  };
  Outcome outcome = Outcome::kNotRecovered;
  if (looked.name) {
    console.out << "Recovering: " << ConsoleSafe(*looked.name) << std::endl;
  }
  if (looked.prepared) {
    const project::RecoveryReport report =
        project::ApplyRecovery(std::move(*looked.prepared), [&] { tell(true); });
    outcome = SayRecovery(looked.project, report, console);
  } else if (!looked.said.empty()) {
    SayException(looked.project, looked.said, console);
  }
  tell(outcome != Outcome::kStopWalk);
  return outcome;
}

}  // namespace velders
