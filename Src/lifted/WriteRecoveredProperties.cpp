#include "lifted/WriteSessionProperties.h"

#include "records/Constants.h"
#include "records/TimeStamps.h"

namespace velders {

namespace {

using mevcore::utility::ImmutableString;
using mevcore::utility::ToUTF8;
using mevcore::utility::UTF8String;

UTF8String DescriptionWithNote(const ImmutableString& description, const UTF8String& note) {
  UTF8String text = description.str();
  if (!text.empty()) text += ToUTF8(" ");
  return text + note;
}

}  // namespace

mevstorage::git::CommitHandle CommitRecoveredProperties(
    const mevstorage::git::RepositoryHandle& repository, const SessionProperties& properties,
    const boost::posix_time::ptime& recovery, const boost::posix_time::ptime& lastModified) {
  SessionProperties recovered = properties;
  const UTF8String name = MakeRecoveredName(properties.name, recovery);
  const UTF8String note = MakeRecoveryNote(recovery, lastModified);
  recovered.name = ImmutableString::CreateDynamic(name);
  recovered.description = ImmutableString::CreateDynamic(DescriptionWithNote(properties.description, note));
  return CommitSessionProperties(repository, recovered, RecoveryCommitMessage(note));
}

bool WriteRecoveredProperties(const mevstorage::git::RepositoryHandle& repository,
                              const SessionProperties& properties,
                              const boost::posix_time::ptime& recovery,
                              const boost::posix_time::ptime& lastModified) {
  const mevstorage::git::CommitHandle commit =
      CommitRecoveredProperties(repository, properties, recovery, lastModified);
  if (!commit) return false;
  if (!mevstorage::git::SetBranchToCommit(repository, kProductionBranch, commit)) {
    ReportBranchNotMoved(repository);
    return false;
  }
  return true;
}

UTF8String RecoveryCommitMessage(const UTF8String& note) {
  return ToUTF8("Velders Recovery ") + note;
}

}  // namespace velders
