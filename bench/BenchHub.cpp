#include "BenchHub.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "FolderFiles.h"
#include "SampleHub.h"

namespace bench {

namespace fs = std::filesystem;

const char* const kBenchProjectName = "Bench Project";

namespace {

std::string ZeroPadded(std::size_t value, std::size_t width) {
  std::string digits = std::to_string(value);
  return std::string(digits.size() < width ? width - digits.size() : 0, '0') + digits;
}

void CheckHubFolder(const std::string& hubFolder) {
  switch (samplehub::ExamineFolder(hubFolder)) {
    case samplehub::FolderState::kMissing:
    case samplehub::FolderState::kEmpty:
      return;
    case samplehub::FolderState::kHoldsEntries:
      throw std::runtime_error("The hub folder " + hubFolder + " is not empty");
    case samplehub::FolderState::kNotAFolder:
      throw std::runtime_error("The hub folder " + hubFolder + " is not a folder");
  }
}

samplehub::SampleProject FirstProject(std::size_t count, std::size_t objects) {
  samplehub::SampleProject project;
  project.folderName = BenchFolderName(0, count);
  project.properties = {kBenchProjectName, "Timing runs of the recovery over a large hub",
                        {"bench", "large"}, "frameRate", 25};
  project.commitTimes = {1525249800, 1525874712, 1526289120};
  project.treeFiles = {
      {"data/model.json", R"({"bins":["Interviews","B-roll","Music"],"sequences":1})"},
      {"data/timeline.json", R"({"clips":12,"duration":"00:04:32:10"})"}};
  project.extraBlobs = objects;
  return project;
}

void ReplaceFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  if (!out) throw std::runtime_error("Unable to write " + path);
}

void CopyProject(const std::string& from, const std::string& to) {
  std::error_code error;
  fs::copy(fs::path(from), fs::path(to), fs::copy_options::recursive, error);
  if (error) throw std::runtime_error("Unable to copy " + from + " to " + to + ": " + error.message());
}

// A copy of the first project, given the layout of project `index`.
void MakeCopiedProject(const std::string& hubFolder, const std::string& firstFolder,
                       std::size_t index, std::size_t count) {
  const std::string folder = samplehub::JoinPath(hubFolder, BenchFolderName(index, count));
  CopyProject(firstFolder, folder);
  if (IsOlderModel(index))
    ReplaceFile(samplehub::JoinPath(folder, "version"), samplehub::kOlderDataModelVersion);
  if (HasDeletedMarker(index)) samplehub::WriteNewFile(samplehub::JoinPath(folder, "deleted"), "");
}

}  // namespace

std::string BenchFolderName(std::size_t index, std::size_t count) {
  const std::size_t width = std::to_string(count > 0 ? count - 1 : 0).size();
  return "Bench " + ZeroPadded(index, width) + (IsOlderModel(index) ? ".vd" : ".vd2");
}

bool IsOlderModel(std::size_t index) { return index % 10 == 9; }

bool HasDeletedMarker(std::size_t index) { return index % 2 == 1; }

void MakeBenchHub(const std::string& hubFolder, std::size_t count, std::size_t objects) {
  CheckHubFolder(hubFolder);
  samplehub::MakeFolders(hubFolder);
  if (count == 0) return;
  const std::string first = samplehub::MakeProject(hubFolder, FirstProject(count, objects));
  for (std::size_t index = 1; index < count; ++index)
    MakeCopiedProject(hubFolder, first, index, count);
}

}  // namespace bench
