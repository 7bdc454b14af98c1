#include "FaultInjectionHub.h"

#include <unistd.h>

#include <filesystem>

#include "SampleHub.h"

namespace velders {
namespace faults {
namespace {

namespace fs = std::filesystem;

std::string ScratchBase() {
  return ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : fs::temp_directory_path().string();
}

samplehub::SampleProject Project(const std::string& folder, const std::string& name) {
  samplehub::SampleProject project;
  project.folderName = folder;
  project.properties = {name, "Edit " + name, {"cut"}, "frameRate", 25};
  project.commitTimes = {1511013600, 1511096400};
  project.treeFiles = {{"data/model.json", R"({"bins":["A","B"]})"}};
  return project;
}

std::vector<samplehub::SampleProject> Projects() {
  samplehub::SampleProject alpha = Project("Alpha.vd2", "Alpha");
  alpha.deletedMarker = true;
  alpha.syncCompanions = samplehub::SyncCompanions::kWal;
  samplehub::SampleProject beta = Project("Beta.vd", "Beta");
  beta.version = samplehub::kOlderDataModelVersion;
  samplehub::SampleProject gamma = Project("Gamma.vd", "Gamma");
  // Longer than the current model's text: rewriting it in place would leave
  // a mix of both after a crash.
  gamma.version = "{\n  \"dataModel\": \"1.0.4\",\n  \"suiteClient\": \"2017\",\n"
                  "  \"editedWith\": \"Framewright LX 2017 (build 4410)\"\n}\n";
  gamma.deletedMarker = true;
  gamma.syncCompanions = samplehub::SyncCompanions::kHotJournal;
  samplehub::SampleProject done = Project("Done.vd2", "Done (Recovered 2018-03-02T09:15:40)");
  done.lastCommitMessage = "Velders Recovery (Recovered: 2018-03-02T09:15:40 (2018-03-02T09:15:40 UTC); "
                           "Last modified time at recovery: 2017-11-19T13:00:00 (2017-11-19T13:00:00 UTC))";
  done.syncDatabase = false;
  done.preRecoverySyncDatabase = true;
  samplehub::SampleProject loose;
  loose.folderName = "Loose Exports";
  loose.git = false;
  loose.syncDatabase = false;
  loose.version.reset();
  loose.folderFiles = {{"render.txt", "frames 1-240"}};
  return {alpha, beta, gamma, done, loose};
}

bool EndsWithVd(const std::string& name) {
  return name.size() > 3 && name.compare(name.size() - 3, 3, ".vd") == 0;
}

// "Alpha.vd2" -> "Alpha 2.vd2", and its name "Alpha" -> "Alpha 2".
samplehub::SampleProject Numbered(samplehub::SampleProject project, int number) {
  const std::string suffix = " " + std::to_string(number);
  const std::size_t dot = project.folderName.rfind(".vd");
  project.folderName.insert(dot == std::string::npos ? project.folderName.size() : dot, suffix);
  project.properties.name += suffix;
  return project;
}

}  // namespace

PristineHub::PristineHub(int copies) : scratch_(ScratchBase()) {
  const std::string pristine = Scratch() + "/pristine";
  fs::create_directories(pristine + "/Documents");
  for (int copy = 1; copy <= copies; ++copy) {
    for (const samplehub::SampleProject& original : Projects()) {
      const samplehub::SampleProject project = copies > 1 ? Numbered(original, copy) : original;
      const std::string folder =
          samplehub::MakeProject(pristine + "/Documents/Velders Local Hub", project);
      HubFolder entry;
      entry.name = project.folderName;
      entry.recoverable = project.git && project.syncDatabase && !project.preRecoverySyncDatabase;
      entry.older = EndsWithVd(project.folderName);
      entry.files = samplehub::HashTree(folder);
      if (project.git) entry.headId = samplehub::ReadHeadCommit(folder + "/git").id;
      folders_.push_back(entry);
    }
  }
}

void PristineHub::Restore() const { RestoreKept("pristine"); }

void PristineHub::Keep(const std::string& name) const {
  fs::remove_all(Scratch() + "/" + name);
  fs::copy(Home(), Scratch() + "/" + name, fs::copy_options::recursive);
}

void PristineHub::RestoreKept(const std::string& name) const {
  fs::remove_all(Home());
  fs::copy(Scratch() + "/" + name, Home(), fs::copy_options::recursive);
}

}  // namespace faults
}  // namespace velders
