// bench_make_bulk_hub HUB_FOLDER OBJECTS MIB: makes a hub of one project
// whose repository holds OBJECTS objects and about MIB MiB, half text and
// half media, for timing exports.

#include <string>

#include "BulkProject.h"
#include "CountArgument.h"
#include "HubMaker.h"

int main(int argc, char** argv) {
  return bench::RunHubMaker(argc, argv, {
    "bench_make_bulk_hub",
    "Usage: bench_make_bulk_hub HUB_FOLDER OBJECTS MIB\n"
    "Makes one project in HUB_FOLDER whose repository holds OBJECTS objects (at\n"
    "least 55) and about MIB MiB: half text, half bytes that do not compress.\n",
    3, [](char** argv) {
      const std::size_t objects = bench::ParseCount(argv[2], "number of objects");
      const std::size_t mebibytes = bench::ParseCount(argv[3], "size in MiB");
      bench::MakeBulkProject(argv[1], objects, mebibytes);
      return "Made a project of " + std::to_string(objects) + " objects and about " +
             std::to_string(mebibytes) + " MiB in " + argv[1];
    }});
}
