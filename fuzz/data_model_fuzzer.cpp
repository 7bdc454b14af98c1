// Fuzzes the data model upgrade's reading of "version" and
// "pre_recovery_version". The input gives both files (either may be
// missing). What CheckUpgrade finds must be what UpgradeDataModel does: a
// refusal writes nothing; an upgrade leaves the current data model in
// "version" and the old content, every byte of it, in the saved copy; and
// an upgraded project checks as already upgraded.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "FuzzSupport.h"
#include "ScratchFolder.h"
#include "upgrade/DataModel.h"

namespace {

using Contents = std::map<std::string, std::string>;

samplehub::ScratchFolder& Project() {
  static samplehub::ScratchFolder folder;
  return folder;
}

void Place(const std::string& name, const std::optional<std::string>& bytes) {
  const std::string path = Project() / name;
  if (bytes) {
    fuzz::WriteFile(path, *bytes);
  } else {
    std::string ignored;
    if (fuzz::ReadFile(path, &ignored)) fuzz::RemoveFile(path);
  }
}

std::string Shown(const Contents& files) {
  std::string text;
  for (const auto& [name, bytes] : files) text += name + "=[" + bytes + "] ";
  return text;
}

void CheckUpgraded(const Contents& before, const velders::UpgradeCheck& check) {
  const Contents after = fuzz::FolderContents(Project().Path());
  if (check.alreadyDone) {
    if (after != before) fuzz::Fail("an upgraded project was written again", Shown(before));
    return;
  }
  const auto old = before.find("version");
  const Contents expected = {
      {"version", velders::DataModelBytes()},
      {"pre_recovery_version", old == before.end() ? std::string() : old->second}};
  if (after != expected) fuzz::Fail("the upgrade left " + Shown(after), Shown(before));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const bool hasVersion = provider.ConsumeBool();
  const bool hasSaved = provider.ConsumeBool();
  const std::string version = provider.ConsumeRandomLengthString();
  const std::string saved = provider.ConsumeRemainingBytesAsString();
  Place("version", hasVersion ? std::optional<std::string>(version) : std::nullopt);
  Place("pre_recovery_version", hasSaved ? std::optional<std::string>(saved) : std::nullopt);

  const mevcore::filesupport::Dir project =
      mevcore::filesupport::Dir::FromNativePath(Project().Path());
  const Contents before = fuzz::FolderContents(Project().Path());
  const velders::UpgradeCheck check = velders::CheckUpgrade(project);
  const bool upgraded = velders::UpgradeDataModel(project);
  if (upgraded != check.refusal.empty()) {
    fuzz::Fail("the check said \"" + check.refusal + "\" but the upgrade did otherwise",
               Shown(before));
  }
  if (!upgraded) {
    if (fuzz::FolderContents(Project().Path()) != before) {
      fuzz::Fail("a refused upgrade wrote", Shown(before));
    }
    return 0;
  }
  CheckUpgraded(before, check);
  const velders::UpgradeCheck again = velders::CheckUpgrade(project);
  if (!again.refusal.empty() || !again.alreadyDone) {
    fuzz::Fail("an upgraded project checks as \"" + again.refusal + "\"", Shown(before));
  }
  return 0;
}
