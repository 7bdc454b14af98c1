// bench_make_bulk_hub HUB_FOLDER OBJECTS MIB: makes a hub of one project
// whose repository holds OBJECTS objects and about MIB MiB, half text and
// half media, for timing exports.

#include <exception>
#include <iostream>
#include <string>

#include "BulkProject.h"
#include "CountArgument.h"
#include "mevstorage/git/Storage.h"

namespace {

const char* const kUsage =
    "Usage: bench_make_bulk_hub HUB_FOLDER OBJECTS MIB\n"
    "Makes one project in HUB_FOLDER whose repository holds OBJECTS objects (at\n"
    "least 55) and about MIB MiB: half text, half bytes that do not compress.\n";

int MakeHub(char** argv) {
  const std::size_t objects = bench::ParseCount(argv[2], "number of objects");
  const std::size_t mebibytes = bench::ParseCount(argv[3], "size in MiB");
  mevstorage::git::Startup();
  try {
    bench::MakeBulkProject(argv[1], objects, mebibytes);
  } catch (...) {
    mevstorage::git::Shutdown();
    throw;
  }
  mevstorage::git::Shutdown();
  std::cout << "Made a project of " << objects << " objects and about " << mebibytes
            << " MiB in " << argv[1] << std::endl;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    return MakeHub(argv);
  } catch (const std::exception& error) {
    std::cerr << "bench_make_bulk_hub: " << error.what() << std::endl;
    return 1;
  }
}
