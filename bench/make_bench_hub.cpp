// bench_make_hub HUB_FOLDER PROJECTS OBJECTS: makes a hub of PROJECTS project
// folders whose repositories hold OBJECTS media blobs each, for timing runs.

#include <string>

#include "BenchHub.h"
#include "CountArgument.h"
#include "HubMaker.h"

int main(int argc, char** argv) {
  return bench::RunHubMaker(argc, argv, {
    "bench_make_hub",
    "Usage: bench_make_hub HUB_FOLDER PROJECTS OBJECTS\n"
    "Makes PROJECTS project folders in HUB_FOLDER (missing or empty), each with a\n"
    "repository of OBJECTS media blobs; every tenth is of the older data model\n"
    "(\".vd\"), every second carries a \"deleted\" marker.\n",
    3, [](char** argv) {
      const std::size_t projects = bench::ParseCount(argv[2], "number of projects");
      const std::size_t objects = bench::ParseCount(argv[3], "number of objects");
      bench::MakeBenchHub(argv[1], projects, objects);
      return "Made " + std::to_string(projects) + " projects of " + std::to_string(objects) +
             " objects in " + argv[1];
    }});
}
