// velders-sample-hub [HUB_FOLDER]: makes the standard sample hub for trying
// out and testing the recovery, in HUB_FOLDER or in the real hub location.

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "SampleHub.h"
#include "mevcore/filesupport/CommonDirs.h"
#include "mevstorage/git/Storage.h"

namespace {

const char* const kUsage =
    "Usage: velders-sample-hub [HUB_FOLDER]\n"
    "Makes sample project folders in HUB_FOLDER, which must be missing or empty.\n"
    "Without HUB_FOLDER: \"Velders Local Hub\" in the shared documents folder.\n";

enum ExitCode { kMade = 0, kFailed = 1, kHubNotEmpty = 2 };

std::string DefaultHubFolder() {
  using namespace mevcore;
  filesupport::Dir documents = filesupport::commondirs::MEVSharedDocumentsDir();
  return filesupport::Dir(documents, utility::AsciiToUTF16("Velders Local Hub")).NativePath();
}

void PrintMade(const std::string& hubFolder, const std::vector<samplehub::SampleHubEntry>& made) {
  std::cout << "Made the sample hub in " << hubFolder << ":\n";
  for (const samplehub::SampleHubEntry& entry : made)
    std::cout << "  " << entry.project.folderName << ": " << entry.what << '\n';
  std::cout.flush();
}

int MakeHub(const char* folderArgument) {
  try {
    std::string hubFolder = folderArgument ? folderArgument : DefaultHubFolder();
    PrintMade(hubFolder, samplehub::MakeSampleHub(hubFolder));
    return kMade;
  } catch (const samplehub::HubNotEmptyError& error) {
    std::cerr << "velders-sample-hub: " << error.what() << std::endl;
    return kHubNotEmpty;
  } catch (const std::exception& error) {
    std::cerr << "velders-sample-hub: " << error.what() << std::endl;
    return kFailed;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string first = argc > 1 ? argv[1] : "";
  if (first == "-h" || first == "--help") {
    std::cout << kUsage;
    return kMade;
  }
  if (argc > 2) {
    std::cerr << kUsage;
    return kFailed;
  }
  try {
    mevstorage::git::Startup();
  } catch (const std::exception& error) {
    std::cerr << "velders-sample-hub: " << error.what() << std::endl;
    return kFailed;
  }
  int code = MakeHub(argc > 1 ? argv[1] : nullptr);
  mevstorage::git::Shutdown();
  return code;
}
