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

Outcome RecoverOffered(bool ask, bool upgrade, const Dir& project,
                       project::Examination examination, Console& console) {
  if (ask) {
    examination.reads.reset();
    examination.tips.reset();
    examination.listing.reset();
    const Answer answer = AskAboutProject(examination.preview, console);
    if (answer == Answer::kQuit) return Outcome::kStopWalk;
    if (answer == Answer::kNo) return Outcome::kNotRecovered;
    project::CheckStillOffered(project);
  }
  console.out << "Recovering: " << ConsoleSafe(examination.preview.name) << std::endl;

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
  return SayRecovery(project, project::RecoverFolder(std::move(request)), console);
}

}  // namespace

Outcome RecoverProject(bool ask, bool upgrade, const Dir& project, Console& console) {
  try {
    if (const auto foreign = project::ForeignOwner(project)) {
      SayException(project, *foreign, console);
      return Outcome::kNotRecovered;
    }
    project::Examination examination =
        project::ExamineFolder(project, mevstorage::git::SQLite3OdbBackend::OpenRepository);
    if (examination.preview.kind == Kind::kWouldRecover) {
      return RecoverOffered(ask, upgrade, project, std::move(examination), console);
    }
    if (!examination.said.empty()) SayException(project, examination.said, console);
  } catch (const std::exception& e) {
    SayException(project, e.what(), console);
  }
  return Outcome::kNotRecovered;
}

}  // namespace velders
