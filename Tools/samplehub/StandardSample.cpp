#include "SampleHub.h"

namespace samplehub {

namespace {

const char* const kModelJson =
    R"({"bins":["Interviews","B-roll","Music"],"sequences":1,"timebase":"25p"})";

SampleProject CurrentProject() {
  SampleProject project;
  project.folderName = "Harbour Lights.vd2";
  project.properties = {"Harbour Lights", "Night shoot along the quay; grade in progress",
                        {"documentary", "night", "quay"}, "frameRate", 25};
  project.commitTimes = {1525249800, 1525874712, 1526289120};
  project.treeFiles = {{"data/model.json", kModelJson},
                       {"data/timeline.json", R"({"clips":12,"duration":"00:04:32:10"})"}};
  return project;
}

SampleProject OlderModelProject() {
  SampleProject project;
  project.folderName = "Winter Edit 2017.vd";
  project.properties = {"Winter Edit 2017", "Season recap for the winter programme",
                        {"recap", "2017"}, "aspectRatio", "16:9"};
  project.commitTimes = {1509703200, 1511192672, 1512126123, 1513705509};
  project.treeFiles = {{"data/model.json", kModelJson}};
  project.version = kOlderDataModelVersion;
  return project;
}

SampleProject DeletedProject() {
  SampleProject project;
  project.folderName = "Coastal Survey.vd2";
  project.properties = {"Coastal Survey", "Drone survey of the northern coast", {"aerial"},
                        "owner", {{"team", "Field Unit"}, {"contact", "M. Okafor"}}};
  project.commitTimes = {1473318000, 1473683445};
  project.treeFiles = {{"data/model.json", kModelJson}};
  project.deletedMarker = true;
  return project;
}

const char* const kRecoveryNote =
    "(Recovered: 2018-03-02T09:15:40 (2018-03-02T09:15:40 UTC); "
    "Last modified time at recovery: 2018-02-27T16:05:00 (2018-02-27T16:05:00 UTC))";

SampleProject RecoveredProject() {
  SampleProject project;
  project.folderName = "Spring Campaign.vd2";
  project.properties = {"Spring Campaign (Recovered 2018-03-02T09:15:40)",
                        std::string("Brand spots for the spring launch ") + kRecoveryNote,
                        {"advertising"}, "client", "Northwind Outfitters"};
  project.commitTimes = {1519120800, 1519747500, 1519982140};
  project.lastCommitMessage = std::string("Velders Recovery ") + kRecoveryNote;
  project.syncDatabase = false;
  project.preRecoverySyncDatabase = true;
  project.folderFiles = {{"recovery_info.txt",
                          std::string("Project: Spring Campaign\r\n"
                                      "New project name: Spring Campaign (Recovered "
                                      "2018-03-02T09:15:40)\r\n") +
                              kRecoveryNote + "\r\nVelders Recovery: 1.0.1"}};
  return project;
}

SampleProject LooseFolder() {
  SampleProject project;
  project.folderName = "Loose Exports";
  project.git = false;
  project.syncDatabase = false;
  project.version.reset();
  project.folderFiles = {
      {"notes.txt", "Exports for the festival submission, not a project.\n"},
      {"cut-list.csv", "clip,in,out\nHL_012,00:00:10:00,00:00:14:12\nHL_019,00:01:02:05,00:01:09:00\n"},
      {"stills/frame-0412.txt", "placeholder for a still frame\n"}};
  return project;
}

SampleProject PropertiesNotJson() {
  SampleProject project;
  project.folderName = "Lighthouse Rough Cut.vd2";
  project.propertiesText = "name=Lighthouse Rough Cut\ndescription=First assembly\n";
  project.commitTimes = {1527858000, 1528136571};
  project.treeFiles = {{"data/model.json", kModelJson}};
  return project;
}

}  // namespace

std::vector<SampleHubEntry> StandardSample() {
  return {{CurrentProject(), "project of the current data model"},
          {OlderModelProject(), "project of the older data model"},
          {DeletedProject(), "project with a \"deleted\" marker"},
          {RecoveredProject(), "project already recovered"},
          {LooseFolder(), "folder that is not a project (no \"git\" folder)"},
          {PropertiesNotJson(), "project whose properties are not JSON"}};
}

}  // namespace samplehub
