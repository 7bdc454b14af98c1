#include "hub/StatusLine.h"

#include <iterator>

#include <boost/algorithm/hex.hpp>

#include "records/ConsoleText.h"
#include "records/TimeStamps.h"

namespace velders {
namespace hub {

namespace {

using project::Inspection;
using Kind = Inspection::Kind;

// The folder name a ".vd" folder is given.
std::string PromotedShown(const std::string& shown) { return shown + "2"; }

std::string WouldRecoverText(const std::string& shown, const Inspection& inspection) {
  std::string text = "would recover \"" + ConsoleSafe(inspection.name) + "\", modified " +
                     ConsoleForm(inspection.localModified) + "; \"version\" upgraded " +
                     (inspection.upgradeWithNo ? "with either upgrade answer"
                                               : "only with the upgrade answer yes");
  if (inspection.promote) text += "; renamed to \"" + ConsoleSafe(PromotedShown(shown)) + "\"";
  if (!inspection.reason.empty()) {
    text += "; the recovery would be refused: " + ConsoleSafe(inspection.reason);
  }
  if (!inspection.upgradeRefusal.empty()) {
    text += "; the upgrade would fail and stop the run there: " +
            ConsoleSafe(inspection.upgradeRefusal);
  }
  return text;
}

std::string LeftPartWayText(const Inspection& inspection) {
  if (inspection.leftBy == Inspection::LeftBy::kEarlierProgram) {
    return "set aside by an earlier program without a recovery commit; the next run puts it "
           "back";
  }
  return inspection.nextRun == Inspection::NextRun::kFinishes
             ? "left part way by an interrupted run; the branch names its recovery commit, so "
               "the next run finishes it"
             : "left part way by an interrupted run; the branch does not name its recovery "
               "commit, so the next run puts it back";
}

std::string KindText(const std::string& shown, const Inspection& inspection) {
  switch (inspection.kind) {
    case Kind::kWouldRecover: return WouldRecoverText(shown, inspection);
    case Kind::kRecovered:
      return "already recovered " + (inspection.recoveredAt.empty()
                                         ? std::string("(when is not recorded)")
                                         : ConsoleSafe(inspection.recoveredAt));
    case Kind::kLeftPartWay: return LeftPartWayText(inspection);
    case Kind::kNotAProject:
      return (inspection.missing.empty() ? "not offered: " : "not a project: ") +
             ConsoleSafe(inspection.reason);
    case Kind::kUnreadable: return "cannot be read: " + ConsoleSafe(inspection.reason);
    case Kind::kSkipped: return "skipped: " + inspection.reason;
  }
  return std::string();
}

nlohmann::json OrNull(bool given, const std::string& text) {
  return given ? nlohmann::json(text) : nlohmann::json(nullptr);
}

void AddKindMembers(const std::string& shown, const Inspection& inspection,
                    nlohmann::json* entry) {
  nlohmann::json& json = *entry;
  switch (inspection.kind) {
    case Kind::kWouldRecover:
      json["name"] = inspection.name;
      json["lastModified"] = IsoExtended(inspection.localModified);
      json["upgradeWithYes"] = inspection.upgradeWithYes;
      json["upgradeWithNo"] = inspection.upgradeWithNo;
      json["renamedTo"] = OrNull(inspection.promote, PromotedShown(shown));
      json["refused"] = OrNull(!inspection.reason.empty(), inspection.reason);
      json["upgradeFails"] =
          OrNull(!inspection.upgradeRefusal.empty(), inspection.upgradeRefusal);
      return;
    case Kind::kRecovered:
      json["recovered"] = OrNull(!inspection.recoveredAt.empty(), inspection.recoveredAt);
      return;
    case Kind::kLeftPartWay:
      json["leftBy"] = inspection.leftBy == Inspection::LeftBy::kEarlierProgram
                           ? "earlierProgram" : "interruptedRun";
      json["nextRun"] =
          inspection.nextRun == Inspection::NextRun::kFinishes ? "finishes" : "putsBack";
      return;
    case Kind::kNotAProject:
      json["missing"] = inspection.missing;
      json["reason"] = inspection.reason;
      return;
    case Kind::kUnreadable:
    case Kind::kSkipped:
      json["reason"] = inspection.reason;
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

std::string StatusLine(const std::string& shown, const Inspection& inspection) {
  return ConsoleSafe(shown) + ": " + KindText(shown, inspection);
}

nlohmann::json StatusJson(const std::string& shown, const Inspection& inspection) {
  nlohmann::json entry = {{"folder", shown}, {"kind", KindKey(inspection.kind)}};
  // A script can still name such a folder back, from its bytes.
  if (!IsUtf8(shown)) {
    std::string hex;
    boost::algorithm::hex_lower(shown.begin(), shown.end(), std::back_inserter(hex));
    entry["folderBytes"] = hex;
  }
  AddKindMembers(shown, inspection, &entry);
  return entry;
}

const char* KindKey(Kind kind) {
  switch (kind) {
    case Kind::kWouldRecover: return "wouldRecover";
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
