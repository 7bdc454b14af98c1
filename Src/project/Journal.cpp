#include "project/Journal.h"

#include <iterator>
#include <stdexcept>

#include <boost/algorithm/hex.hpp>
#include <nlohmann/json.hpp>

#include "project/ProjectFiles.h"
#include "records/Constants.h"

namespace velders {
namespace project {
namespace {

using mevcore::filesupport::Dir;
using mevcore::filesupport::File;
using nlohmann::json;

constexpr int kFormat = 1;

std::string Hex(const std::string& bytes) {
  std::string hex;
  boost::algorithm::hex_lower(bytes.begin(), bytes.end(), std::back_inserter(hex));
  return hex;
}

std::string Bytes(const std::string& hex) { return boost::algorithm::unhex(hex); }

json OptionalHex(const std::optional<std::string>& bytes) {
  return bytes ? json(Hex(*bytes)) : json(nullptr);
}

std::optional<std::string> OptionalBytes(const json& value) {
  if (value.is_null()) return std::nullopt;
  return Bytes(value.get<std::string>());
}

}  // namespace

const char kKeptProductionReference[] = "refs/pre_recovery/production";

File InProgressFile(const Dir& project) {
  return File(GitFolder(project), mevcore::utility::AsciiToUTF16(kJournalFileName));
}

File RecordFile(const Dir& project) {
  return File(GitFolder(project), mevcore::utility::AsciiToUTF16(kRecordFileName));
}

std::string JournalText(const Journal& journal) {
  const json text = {
      {"format", kFormat},
      {"direction", journal.direction == Journal::Direction::kRecover ? "recover" : "undo"},
      {"commit", journal.commit},
      {"head", journal.head},
      {"production", journal.production ? json(*journal.production) : json(nullptr)},
      {"keepProduction", journal.keepProduction},
      {"recoveryInfo", Hex(journal.recoveryInfo)},
      {"priorRecoveryInfo", OptionalHex(journal.priorRecoveryInfo)},
      {"upgrade", journal.upgrade},
      {"priorVersion", OptionalHex(journal.priorVersion)},
      {"savedVersionExisted", journal.savedVersionExisted},
      {"deleted", journal.deleted},
      {"promote", journal.promote},
      {"recoveryTime", journal.recoveryTime}};
  return text.dump(2) + "\n";
}

Journal ParseJournal(const std::string& text, const std::string& path) {
  try {
    const json value = json::parse(text);
    if (value.at("format").get<int>() != kFormat) {
      throw std::runtime_error("a format this program does not know");
    }
    Journal journal;
    const std::string direction = value.at("direction").get<std::string>();
    if (direction != "recover" && direction != "undo") {
      throw std::runtime_error("an unknown direction \"" + direction + "\"");
    }
    journal.direction =
        direction == "recover" ? Journal::Direction::kRecover : Journal::Direction::kUndo;
    journal.commit = value.at("commit").get<std::string>();
    journal.head = value.at("head").get<std::string>();
    if (!value.at("production").is_null()) {
      journal.production = value.at("production").get<std::string>();
    }
    journal.keepProduction = value.at("keepProduction").get<bool>();
    journal.recoveryInfo = Bytes(value.at("recoveryInfo").get<std::string>());
    journal.priorRecoveryInfo = OptionalBytes(value.at("priorRecoveryInfo"));
    journal.upgrade = value.at("upgrade").get<bool>();
    journal.priorVersion = OptionalBytes(value.at("priorVersion"));
    journal.savedVersionExisted = value.at("savedVersionExisted").get<bool>();
    journal.deleted = value.at("deleted").get<bool>();
    journal.promote = value.at("promote").get<bool>();
    journal.recoveryTime = value.at("recoveryTime").get<std::string>();
    return journal;
  } catch (const std::exception& error) {
    throw std::runtime_error(path + " is not a recovery journal: " + error.what());
  }
}

Journal ReadJournal(const File& file) {
  return ParseJournal(ReadFileBytes(file), file.FullPathMultiByte());
}

void WriteJournal(const File& file, const Journal& journal) {
  WriteFileBytes(file, JournalText(journal));
}

}  // namespace project
}  // namespace velders
