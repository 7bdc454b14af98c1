#include "upgrade/DataModel.h"

#include <boost/make_shared.hpp>

#include "Model/Utils.h"
#include "mevcore/config/Exception.h"
#include "mevcore/filesupport/File.h"
#include "mevcore/serialization/JSON.h"
#include "records/Constants.h"

namespace velders {
namespace {

using mevcore::filesupport::Dir;
using mevcore::filesupport::File;
using mevcore::filesupport::FolderSync;
using mevcore::utility::AsciiToUTF16;
using mevcore::utility::ImmutableString;
using mevcore::utility::UTF8String;

// Empty text from a "version" that holds bytes: the file could not be read,
// and upgrading would lose its content.
bool ReadFailed(const ImmutableString& text, const File& version) {
  if (!text.empty()) return false;
  try {
    return version.Exists() && version.Length() != 0;
  } catch (const mevcore::config::mev_exception&) {
    return true;
  }
}

enum class Saved { kNo, kYes, kUnknown };

// Whether "pre_recovery_version" is there. When that cannot be told, the
// upgrade must not go on: it could write over the saved copy of the
// content from before the recovery.
Saved SavedCopy(const File& saved) {
  try {
    return saved.Exists() ? Saved::kYes : Saved::kNo;
  } catch (const mevcore::config::mev_exception&) {
    return Saved::kUnknown;
  }
}

// The whole old content is saved, zero bytes and all, so nothing of it is
// lost. The second write's folder sync, when asked for, makes both entries
// durable.
bool SaveAndRewrite(const File& version, const File& saved, const ImmutableString& old,
                    FolderSync sync) {
  return YondraLocalHub::WriteStringFile(saved, old.str(), FolderSync::kByCaller) &&
         YondraLocalHub::WriteStringFile(version, DataModelJson(), sync);
}

// A saved copy that holds something other than what the upgrade would save
// is the only copy of an older content: it is never written over.
bool SavedCopyDiffers(const File& saved, const ImmutableString& old) {
  try {
    if (!saved.Exists()) return false;
  } catch (const mevcore::config::mev_exception&) {
    return true;
  }
  const ImmutableString kept = YondraLocalHub::ReadStringFile(saved);
  return kept.str() != old.str() || ReadFailed(kept, saved);
}

}  // namespace

const DataModel& CurrentDataModel() {
  static const DataModel current{ImmutableString::CreateStatic("2.0.1"),
                                 ImmutableString::CreateStatic("2018")};
  return current;
}

namespace {

UTF8String SerializedDataModel() {
  const DataModel& current = CurrentDataModel();
  mevcore::serialization::JSONObject object;
  mevcore::serialization::AddToObject(object, "dataModel", current.dataModel.str());
  mevcore::serialization::AddToObject(object, "suiteClient", current.suiteClient.str());
  return mevcore::serialization::GetJSONUTF8String(boost::make_shared<boost::any>(object), false);
}

}  // namespace

// Compared with every project's "version": serialized once.
UTF8String DataModelJson() {
  static const UTF8String json = SerializedDataModel();
  return json;
}

namespace {

// What the saved copy lets the upgrade of `check.old` do.
void CheckSavedCopy(const File& saved, UpgradeCheck* check) {
  if (check->old.str() == DataModelJson()) {
    // Already upgraded once its old content is saved; with no saved copy,
    // the current content is saved as it is.
    const Saved copy = SavedCopy(saved);
    if (copy == Saved::kUnknown) check->refusal = "\"pre_recovery_version\" cannot be examined";
    check->alreadyDone = copy == Saved::kYes;
    return;
  }
  if (SavedCopyDiffers(saved, check->old)) {
    check->refusal = "\"pre_recovery_version\" holds other content than \"version\", and is "
                     "never written over";
  }
}

File SavedVersionFile(const Dir& projectFolder) {
  return File(projectFolder, AsciiToUTF16(kPreRecoveryVersionFileName));
}

}  // namespace

UpgradeCheck CheckUpgrade(const Dir& projectFolder) {
  const File version(projectFolder, AsciiToUTF16(kVersionFileName));
  UpgradeCheck check;
  check.old = YondraLocalHub::ReadStringFile(version);
  if (ReadFailed(check.old, version)) {
    check.refusal = "\"version\" cannot be read";
    return check;
  }
  CheckSavedCopy(SavedVersionFile(projectFolder), &check);
  return check;
}

UpgradeCheck CheckUpgradeOfRead(const Dir& projectFolder,
                                const std::optional<std::string>& version) {
  UpgradeCheck check;
  if (version) {
    check.old = ImmutableString::CreateDynamic(UTF8String(version->begin(), version->end()));
  }
  CheckSavedCopy(SavedVersionFile(projectFolder), &check);
  return check;
}

std::string DataModelBytes() {
  const UTF8String json = DataModelJson();
  return std::string(json.begin(), json.end());
}

bool UpgradeDataModel(const Dir& projectFolder, FolderSync sync) {
  const UpgradeCheck check = CheckUpgrade(projectFolder);
  if (!check.refusal.empty()) return false;
  if (check.alreadyDone) return true;
  return SaveAndRewrite(File(projectFolder, AsciiToUTF16(kVersionFileName)),
                        SavedVersionFile(projectFolder), check.old, sync);
}

}  // namespace velders
