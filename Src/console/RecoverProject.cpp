#include "console/RecoverProject.h"

#include <exception>
#include <stdexcept>
#include <string>

#include <boost/date_time/posix_time/posix_time_types.hpp>

#include "console/ProjectLines.h"
#include "console/ReadAnswer.h"
#include "lifted/ReadSessionProperties.h"
#include "lifted/SessionProperties.h"
#include "mevcore/filesupport/File.h"
#include "mevstorage/git/Storage.h"
#include "project/Ownership.h"
#include "project/Recovery.h"
#include "records/ConsoleText.h"
#include "records/Constants.h"
#include "records/TimeStamps.h"

namespace velders {
namespace {

using mevcore::filesupport::Dir;
using mevcore::filesupport::File;
using Result = project::RecoveryReport::Result;

// Shows the project and asks whether to recover it.
Answer AskAboutProject(const std::string& name, const boost::posix_time::ptime& localModified,
                       Console& console) {
  console.out << std::endl;
  console.out << "Would you like to recover " << std::endl;
  console.out << "    '" << ConsoleSafe(name) << "'" << std::endl;
  console.out << "    (modified " << ConsoleForm(localModified)
              << ") as a new, recovered Velder?" << std::endl;
  console.out << "Recover? (Yes/No/Quit): ";
  return ReadAnswer(console.in);
}

// The folder may have changed while the question was open: it is recovered
// only if it still is what the user agreed to.
void CheckStillRecoverable(const File& sync, const File& asideSync) {
  if (!sync.Exists()) {
    throw std::runtime_error(sync.FullPathMultiByte() + " no longer exists");
  }
  if (asideSync.Exists()) {
    throw std::runtime_error(asideSync.FullPathMultiByte() + " appeared meanwhile");
  }
}

Outcome RecoverOpenedProject(bool ask, bool upgrade, const Dir& project,
                             mevstorage::git::RepositoryHandle repository, Console& console) {
  File sync(project, kSyncFileName);
  File asideSync(project, kPreRecoverySyncFileName);
  if (!sync.Exists() || asideSync.Exists()) return Outcome::kNotRecovered;

  project::RecoveryRequest request;
  request.lastModified = boost::posix_time::ptime(boost::posix_time::not_a_date_time);
  if (!ReadSessionProperties(repository, request.lastModified, request.properties)) {
    return Outcome::kNotRecovered;
  }
  const std::string name(request.properties.name.c_str());
  const boost::posix_time::ptime localModified = ToLocalTime(request.lastModified);
  if (ask) {
    const Answer answer = AskAboutProject(name, localModified, console);
    if (answer != Answer::kYes) return static_cast<Outcome>(answer);
    CheckStillRecoverable(sync, asideSync);
  }
  console.out << "Recovering: " << ConsoleSafe(name) << std::endl;

  request.project = project;
  request.repository = std::move(repository);
  request.recoveryTime = RecoveryTimeNow();
  request.upgrade = upgrade;
  return SayRecovery(project, project::RecoverFolder(std::move(request)), console);
}

}  // namespace

Outcome RecoverProject(bool ask, bool upgrade, const Dir& project, Console& console) {
  try {
    const std::string foreign = project::ForeignOwner(project);
    if (!foreign.empty()) throw std::runtime_error(foreign);
    Dir gitFolder(project, mevcore::utility::AsciiToUTF16("git"));
    return RecoverOpenedProject(ask, upgrade, project,
                                mevstorage::git::SQLite3OdbBackend::OpenRepository(gitFolder),
                                console);
  } catch (const std::exception& e) {
    SayException(project, e.what(), console);
    return Outcome::kNotRecovered;
  }
}

}  // namespace velders
