#pragma once

#include <optional>
#include <string>

#include "mevcore/filesupport/Dir.h"
#include "mevcore/filesupport/File.h"
#include "mevcore/utility/ImmutableString.h"
#include "mevcore/utility/Text.h"

namespace velders {

// The data model that upgraded projects carry.
struct DataModel {
  mevcore::utility::ImmutableString dataModel;
  mevcore::utility::ImmutableString suiteClient;
};

// The program-wide record of the current data model.
const DataModel& CurrentDataModel();

// The JSON text of the current data model, the new content of "version":
// {"dataModel":"2.0.1","suiteClient":"2018"}.
mevcore::utility::UTF8String DataModelJson();
// The same bytes, for comparing with a file's content.
std::string DataModelBytes();

// Saves the project's "version" as "pre_recovery_version" and rewrites
// "version" with DataModelJson(); a missing or empty "version" is saved as an
// empty copy. A project already upgraded this way (its "version" holds
// DataModelJson() and "pre_recovery_version" exists) is left as it is, so the
// saved copy keeps the content from before the upgrade. An existing
// "pre_recovery_version" that holds anything but the content it would be
// given is never written over. False when "version" holds bytes that cannot
// be read or the saved copy would be written over (nothing is written then),
// or when a write failed (a failed save leaves "version" untouched); the
// console line is the caller's. Each file is synced as it is written; the
// folder, for both files at once, after both with FolderSync::kNow, and
// not at all with FolderSync::kByCaller, whose caller syncs it before
// relying on them.
bool UpgradeDataModel(
    const mevcore::filesupport::Dir& projectFolder,
    mevcore::filesupport::FolderSync sync = mevcore::filesupport::FolderSync::kNow);

// What UpgradeDataModel finds before it writes anything, found by reading
// alone: why it would fail (`refusal`, empty when it would go on), whether
// the project is already upgraded (nothing to write), and the content of
// "version" it would save.
struct UpgradeCheck {
  std::string refusal;
  bool alreadyDone = false;
  mevcore::utility::ImmutableString old;
};
UpgradeCheck CheckUpgrade(const mevcore::filesupport::Dir& projectFolder);
// The same for a "version" already read whole: `version` holds its bytes,
// or nothing when the file is not there.
UpgradeCheck CheckUpgradeOfRead(const mevcore::filesupport::Dir& projectFolder,
                                const std::optional<std::string>& version);

}  // namespace velders
