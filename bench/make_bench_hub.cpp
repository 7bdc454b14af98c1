// bench_make_hub HUB_FOLDER PROJECTS OBJECTS: makes a hub of PROJECTS project
// folders whose repositories hold OBJECTS media blobs each, for timing runs.

#include <exception>
#include <iostream>
#include <string>

#include "BenchHub.h"
#include "CountArgument.h"
#include "mevstorage/git/Storage.h"

namespace {

const char* const kUsage =
    "Usage: bench_make_hub HUB_FOLDER PROJECTS OBJECTS\n"
    "Makes PROJECTS project folders in HUB_FOLDER (missing or empty), each with a\n"
    "repository of OBJECTS media blobs; every tenth is of the older data model\n"
    "(\".vd\"), every second carries a \"deleted\" marker.\n";

int MakeHub(char** argv) {
  const std::size_t projects = bench::ParseCount(argv[2], "number of projects");
  const std::size_t objects = bench::ParseCount(argv[3], "number of objects");
  mevstorage::git::Startup();
  try {
    bench::MakeBenchHub(argv[1], projects, objects);
  } catch (...) {
    mevstorage::git::Shutdown();
    throw;
  }
  mevstorage::git::Shutdown();
  std::cout << "Made " << projects << " projects of " << objects << " objects in " << argv[1]
            << std::endl;
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
    std::cerr << "bench_make_hub: " << error.what() << std::endl;
    return 1;
  }
}
