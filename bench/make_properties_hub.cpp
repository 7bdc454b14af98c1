// bench_make_properties_hub HUB_FOLDER MIB: makes a hub of one project whose
// session properties are a blob of about MIB MiB, for peak memory runs.

#include <exception>
#include <iostream>
#include <string>

#include "CountArgument.h"
#include "PropertiesHub.h"
#include "mevstorage/git/Storage.h"

namespace {

const char* const kUsage =
    "Usage: bench_make_properties_hub HUB_FOLDER MIB\n"
    "Makes one project in HUB_FOLDER whose \"properties\" blob is about MIB MiB.\n";

int MakeHub(char** argv) {
  const std::size_t mebibytes = bench::ParseCount(argv[2], "size in MiB");
  mevstorage::git::Startup();
  try {
    bench::MakePropertiesHub(argv[1], mebibytes);
  } catch (...) {
    mevstorage::git::Shutdown();
    throw;
  }
  mevstorage::git::Shutdown();
  std::cout << "Made a project with " << mebibytes << " MiB of properties in " << argv[1]
            << std::endl;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    return MakeHub(argv);
  } catch (const std::exception& error) {
    std::cerr << "bench_make_properties_hub: " << error.what() << std::endl;
    return 1;
  }
}
