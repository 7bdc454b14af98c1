#include "hub/StatusLine.h"

#include <iterator>

#include <boost/algorithm/hex.hpp>

#include "records/ConsoleText.h"
#include "records/TimeStamps.h"

namespace velders {
namespace hub {

namespace {

using project::Preview;
using Kind = Preview::Kind;

// The folder name a ".vd" folder is given.
std::string PromotedShown(const std::string& shown) { return shown + "2"; }

std::string Offered(const Preview& preview) {
  return "\"" + ConsoleSafe(preview.name) + "\", modified " + ConsoleForm(preview.localModified);
}

// With the answer no, a ".vd" folder is upgraded by its promotion, whose
// failure the run says and goes on.
std::string UpgradeFailure(const Preview& preview) {
  const std::string reason = ConsoleSafe(preview.upgradeRefusal);
  if (preview.upgradeWithNo && preview.stopsRunWithYes && !preview.stopsRunWithNo) {
    return "; the upgrade would fail: " + reason +
           "; with the upgrade answer yes that stops the run there, with no the run says so "
           "and still renames and counts the folder";
  }
  return "; the upgrade would fail" +
         std::string(preview.stopsRunWithYes ? " and stop the run there: " : ": ") + reason;
}

std::string WouldRecoverText(const std::string& shown, const Preview& preview) {
  std::string text = "would recover " + Offered(preview) + "; \"version\" upgraded " +
                     (preview.upgradeWithNo ? "with either upgrade answer"
                                               : "only with the upgrade answer yes");
  if (preview.promote) text += "; renamed to \"" + ConsoleSafe(PromotedShown(shown)) + "\"";
  if (!preview.upgradeRefusal.empty()) text += UpgradeFailure(preview);
  return text;
}

std::string WouldNotRecoverText(const Preview& preview) {
  return "would not recover " + Offered(preview) + ": " + ConsoleSafe(preview.reason) +
         (preview.stopsRun ? "; the run would stop there" : "; it would be left as it was");
}

std::string LeftPartWayText(const Preview& preview) {
  if (preview.leftBy == Preview::LeftBy::kEarlierProgram) {
    return "set aside by an earlier program without a recovery commit; the next run puts it "
           "back";
  }
  return preview.nextRun == Preview::NextRun::kFinishes
             ? "left part way by an interrupted run; the branch names its recovery commit, so "
               "the next run finishes it"
             : "left part way by an interrupted run; the branch does not name its recovery "
               "commit, so the next run puts it back";
}

std::string KindText(const std::string& shown, const Preview& preview) {
  switch (preview.kind) {
    case Kind::kWouldRecover: return WouldRecoverText(shown, preview);
    case Kind::kWouldNotRecover: return WouldNotRecoverText(preview);
    case Kind::kRecovered:
      return "already recovered " + (preview.recoveredAt.empty()
                                         ? std::string("(when is not recorded)")
                                         : ConsoleSafe(preview.recoveredAt));
    case Kind::kLeftPartWay: return LeftPartWayText(preview);
    case Kind::kNotAProject:
      return (preview.missing.empty() ? "not offered: " : "not a project: ") +
             ConsoleSafe(preview.reason);
    case Kind::kUnreadable: return "cannot be read: " + ConsoleSafe(preview.reason);
    case Kind::kSkipped: return "skipped: " + preview.reason;
  }
  return std::string();
}

nlohmann::json OrNull(bool given, const std::string& text) {
  return given ? nlohmann::json(text) : nlohmann::json(nullptr);
}

// The members of an offered project.
void AddOfferedMembers(const std::string& shown, const Preview& preview, nlohmann::json* entry) {
  nlohmann::json& json = *entry;
  json["name"] = preview.name;
  json["lastModified"] = IsoExtended(preview.localModified);
  if (preview.kind == Kind::kWouldNotRecover) {
    json["reason"] = preview.reason;
    json["stopsRun"] = preview.stopsRun;
    return;
  }
  json["upgradeWithYes"] = preview.upgradeWithYes;
  json["upgradeWithNo"] = preview.upgradeWithNo;
  json["renamedTo"] = OrNull(preview.promote, PromotedShown(shown));
  json["upgradeFails"] = OrNull(!preview.upgradeRefusal.empty(), preview.upgradeRefusal);
  json["stopsRunWithYes"] = preview.stopsRunWithYes;
  json["stopsRunWithNo"] = preview.stopsRunWithNo;
}

void AddKindMembers(const std::string& shown, const Preview& preview,
                    nlohmann::json* entry) {
  nlohmann::json& json = *entry;
  switch (preview.kind) {
    case Kind::kWouldRecover:
    case Kind::kWouldNotRecover:
      return AddOfferedMembers(shown, preview, entry);
    case Kind::kRecovered:
      json["recovered"] = OrNull(!preview.recoveredAt.empty(), preview.recoveredAt);
      return;
    case Kind::kLeftPartWay:
      json["leftBy"] = preview.leftBy == Preview::LeftBy::kEarlierProgram
                           ? "earlierProgram" : "interruptedRun";
      json["nextRun"] =
          preview.nextRun == Preview::NextRun::kFinishes ? "finishes" : "putsBack";
      return;
    case Kind::kNotAProject:
      json["missing"] = preview.missing;
      json["reason"] = preview.reason;
      return;
    case Kind::kUnreadable:
    case Kind::kSkipped:
      json["reason"] = preview.reason;
      return;
  }
}

// Whether the JSON writer would have to replace bytes of the text.
bool IsUtf8(const std::string& text) {
  try {
    nlohmann::json(text).dump();
    return true;
  } catch (const nlohmann::json::type_error&) {
    return false;
  }
}

}  // namespace

std::string StatusLine(const std::string& shown, const Preview& preview) {
  return ConsoleSafe(shown) + ": " + KindText(shown, preview);
}

nlohmann::json StatusJson(const std::string& shown, const Preview& preview) {
  nlohmann::json entry = {{"folder", shown}, {"kind", KindKey(preview.kind)}};
  // A script can still name such a folder back, from its bytes.
  if (!IsUtf8(shown)) {
    std::string hex;
    boost::algorithm::hex_lower(shown.begin(), shown.end(), std::back_inserter(hex));
    entry["folderBytes"] = hex;
  }
  AddKindMembers(shown, preview, &entry);
  return entry;
}

const char* KindKey(Kind kind) {
  switch (kind) {
    case Kind::kWouldRecover: return "wouldRecover";
    case Kind::kWouldNotRecover: return "wouldNotRecover";
    case Kind::kRecovered: return "recovered";
    case Kind::kLeftPartWay: return "leftPartWay";
    case Kind::kNotAProject: return "notAProject";
    case Kind::kUnreadable: return "unreadable";
    case Kind::kSkipped: return "skipped";
  }
  return "";
}

std::string CountLine(Kind kind, std::size_t count) {
  const std::string n = std::to_string(count) + " ";
  switch (kind) {
    case Kind::kWouldRecover: return n + "would be recovered";
    case Kind::kWouldNotRecover: return n + "would not be recovered";
    case Kind::kRecovered: return n + "already recovered";
    case Kind::kLeftPartWay: return n + "left part way";
    case Kind::kNotAProject: return n + (count == 1 ? "not a project" : "not projects");
    case Kind::kUnreadable: return n + "cannot be read";
    case Kind::kSkipped: return n + "skipped";
  }
  return n;
}

}  // namespace hub
}  // namespace velders
