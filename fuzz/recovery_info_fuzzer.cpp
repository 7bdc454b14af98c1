// Fuzzes "recovery_info.txt" as `velders-hub status` reads it: the file of
// the sample hub's recovered project is replaced by the input, and the
// project must still show as already recovered, with a time taken from the
// file (or none), on a console-safe line and in a JSON entry that can be
// written.

#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "FuzzSupport.h"
#include "SampleHub.h"
#include "hub/StatusLine.h"
#include "project/Preview.h"

namespace {

using velders::project::Preview;

struct RecoveredProject {
  samplehub::ScratchFolder hub;
  std::string shown;
  std::string folder;

  RecoveredProject() {
    fuzz::StartStorage();
    for (const samplehub::SampleHubEntry& entry : samplehub::StandardSample()) {
      if (!entry.project.preRecoverySyncDatabase) continue;
      shown = entry.project.folderName;
      folder = samplehub::MakeProject(hub.Path(), entry.project);
    }
    if (folder.empty()) fuzz::Fail("the sample hub has no recovered project");
  }
};

const RecoveredProject& Project() {
  static const RecoveredProject project;
  return project;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Project();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const RecoveredProject& project = Project();
  fuzz::WriteFile(project.folder + "/recovery_info.txt", input);
  const Preview preview =
      velders::project::PreviewEntry(mevcore::filesupport::Dir::FromNativePath(project.folder));
  if (preview.kind != Preview::Kind::kRecovered) {
    fuzz::Fail("the recovered project shows as something else: " + preview.reason, input);
  }
  if (input.find(preview.recoveredAt) == std::string::npos) {
    fuzz::Fail("the time shown is not from the file: " + preview.recoveredAt, input);
  }
  fuzz::CheckConsoleSafe(velders::hub::StatusLine(project.shown, preview), input);
  velders::hub::StatusJson(project.shown, preview)
      .dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
  return 0;
}
