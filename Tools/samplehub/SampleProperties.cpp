#include "SampleProject.h"

#include "SampleHubError.h"

namespace samplehub {

const char* const kOlderDataModelVersion = R"({"dataModel":"1.0.4","suiteClient":"2017"})";
const char* const kCurrentDataModelVersion = R"({"dataModel":"2.0.1","suiteClient":"2018"})";

std::string SampleProperties::ToJson() const {
  nlohmann::json object = {{"name", name}, {"description", description}, {"tags", tags}};
  if (!extraMember.empty()) object[extraMember] = extraValue;
  return object.dump();
}

std::string SampleProject::PropertiesAtCommit(std::size_t k) const {
  if (propertiesText) return *propertiesText;
  SampleProperties atCommit = properties;
  if (k < commitTimes.size()) atCommit.name += " (draft " + std::to_string(k) + ")";
  try {
    return atCommit.ToJson();
  } catch (const nlohmann::json::exception& error) {
    throw SampleHubError("The properties of " + folderName + " cannot be written as JSON: " +
                         error.what());
  }
}

std::string SampleProject::MessageAtCommit(std::size_t k) const {
  if (k >= commitTimes.size() && lastCommitMessage) return *lastCommitMessage;
  return k == 1 ? "Created the project" : "Saved edit session " + std::to_string(k);
}

}  // namespace samplehub
