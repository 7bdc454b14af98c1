#include "PropertiesHub.h"

#include "BenchHub.h"
#include "SampleHub.h"

namespace bench {

const char* const kLargeMemberName = "preview";

namespace {

// One line of the preview: mostly base64-like text, with an escaped quote,
// an escaped new line and a two-byte character, so that the writer's
// escaping and the UTF-8 checks see real work.
const char kPreviewLine[] =
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5E"
    "rkJggg\\\"caf\xC3\xA9\\n";

}  // namespace

std::string LargePropertiesText(std::size_t mebibytes) {
  const std::size_t target = mebibytes << 20;
  std::string text = std::string("{\"description\":\"Peak memory of a recovery\",\"name\":\"") +
                     kBenchProjectName + "\",\"" + kLargeMemberName + "\":\"";
  text.reserve(target + sizeof kPreviewLine);
  const std::size_t line = sizeof kPreviewLine - 1;
  while (text.size() + line + 2 <= target) text.append(kPreviewLine, line);
  text += "\"}";
  return text;
}

void MakePropertiesHub(const std::string& hubFolder, std::size_t mebibytes) {
  samplehub::SampleProject project;
  project.folderName = BenchFolderName(0, 1);
  project.propertiesText = LargePropertiesText(mebibytes);
  project.commitTimes = {1525249800};
  samplehub::MakeProject(hubFolder, project);
}

}  // namespace bench
