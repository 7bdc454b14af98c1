#include "lifted/WriteSessionProperties.h"

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

// The recovered record: the recovered name, the description extended by
// the note; and, in `message`, the recovery commit's message.
SessionProperties RecoveredRecord(SessionProperties recovered,
                                  const boost::posix_time::ptime& recovery,
                                  const boost::posix_time::ptime& lastModified,
                                  UTF8String* message) {
  const UTF8String note = MakeRecoveryNote(recovery, lastModified);
  recovered.name = ImmutableString::CreateDynamic(MakeRecoveredName(recovered.name, recovery));
  recovered.description =
      ImmutableString::CreateDynamic(DescriptionWithNote(recovered.description, note));
  *message = ToUTF8("Velders Recovery ") + note;
  return recovered;
}

}  // namespace

mevstorage::git::CommitHandle CommitRecoveredProperties(
    const mevstorage::git::RepositoryHandle& repository,
    const mevstorage::git::CommitHandle& head, SessionProperties properties,
    const boost::posix_time::ptime& recovery, const boost::posix_time::ptime& lastModified) {
  UTF8String message;
  SessionProperties recovered =
      RecoveredRecord(std::move(properties), recovery, lastModified, &message);
  return CommitSessionProperties(repository, head, std::move(recovered), message);
}

bool WriteRecoveredProperties(const mevstorage::git::RepositoryHandle& repository,
                              const SessionProperties& properties,
                              const boost::posix_time::ptime& recovery,
                              const boost::posix_time::ptime& lastModified) {
  UTF8String message;
  const SessionProperties recovered = RecoveredRecord(properties, recovery, lastModified, &message);
  return WriteSessionProperties(repository, recovered, message);
}

}  // namespace velders
