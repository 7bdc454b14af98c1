#include "console/RecoverProject.h"

#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>

#include <boost/date_time/posix_time/posix_time_types.hpp>

#include "console/ReadAnswer.h"
#include "lifted/ReadSessionProperties.h"
#include "lifted/SessionProperties.h"
#include "lifted/WriteSessionProperties.h"
#include "mevcore/filesupport/File.h"
#include "mevstorage/git/Storage.h"
#include "records/ConsoleText.h"
#include "records/Constants.h"
#include "records/RecoveryInfo.h"
#include "records/TimeStamps.h"
#include "upgrade/DataModel.h"
#include "upgrade/PromoteProjectFolder.h"

namespace velders {
namespace {

using mevcore::filesupport::Dir;
using mevcore::filesupport::File;

// Shows the project and asks whether to recover it.
int AskAboutProject(const std::string& name, const boost::posix_time::ptime& localModified) {
  std::cerr << std::endl;
  std::cerr << "Would you like to recover " << std::endl;
  std::cerr << "    '" << ConsoleSafe(name) << "'" << std::endl;
  std::cerr << "    (modified " << ConsoleForm(localModified)
            << ") as a new, recovered Velder?" << std::endl;
  std::cerr << "Recover? (Yes/No/Quit): ";
  return ReadAnswer();
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

void SetAside(const Dir& project, const mevcore::utility::UTF16String& name,
              const mevcore::utility::UTF16String& asideName) {
  File file(project, name);
  if (file.Exists()) file.Rename(asideName);
}

int RecoverOpenedProject(bool ask, bool upgrade, const Dir& project,
                         mevstorage::git::RepositoryHandle repository) {
  File sync(project, kSyncFileName);
  File asideSync(project, kPreRecoverySyncFileName);
  if (!sync.Exists() || asideSync.Exists()) return 0;

  boost::posix_time::ptime lastModified(boost::posix_time::not_a_date_time);
  SessionProperties properties;
  if (!ReadSessionProperties(repository, lastModified, properties)) return 0;

  const std::string name(properties.name.c_str());
  const boost::posix_time::ptime localModified = ToLocalTime(lastModified);
  if (ask) {
    int answer = AskAboutProject(name, localModified);
    if (answer != kYes) return answer;
    CheckStillRecoverable(sync, asideSync);
  }
  std::cerr << "Recovering: " << ConsoleSafe(name) << std::endl;

  const boost::posix_time::ptime recoveryTime = RecoveryTimeNow();
  if (!WriteRecoveryInfo(project, properties.name, recoveryTime, lastModified)) return -1;
  if (upgrade && !UpgradeDataModel(project)) return -1;
  sync.Rename(kPreRecoverySyncFileName);
  SetAside(project, kDeletedFileName, kPreRecoveryDeletedFileName);

  if (!WriteRecoveredProperties(repository, properties, recoveryTime, lastModified)) return 0;
  repository.reset();
  PromoteProjectFolder(project);
  return 1;
}

}  // namespace

int RecoverProject(bool ask, bool upgrade, const Dir& project) {
  try {
    Dir gitFolder(project, mevcore::utility::AsciiToUTF16("git"));
    return RecoverOpenedProject(ask, upgrade, project,
                                mevstorage::git::SQLite3OdbBackend::OpenRepository(gitFolder));
  } catch (const std::exception& e) {
    std::cerr << "Caught an exception while working on "
              << ConsoleSafe(project.FullPathMultiByte()) << " : " << ConsoleSafe(e.what())
              << std::endl;
    return 0;
  }
}

}  // namespace velders
