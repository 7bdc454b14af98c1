// bench_make_properties_hub HUB_FOLDER MIB: makes a hub of one project whose
// session properties are a blob of about MIB MiB, for peak memory runs.

#include <string>

#include "CountArgument.h"
#include "HubMaker.h"
#include "PropertiesHub.h"

int main(int argc, char** argv) {
  return bench::RunHubMaker(argc, argv, {
    "bench_make_properties_hub",
    "Usage: bench_make_properties_hub HUB_FOLDER MIB\n"
    "Makes one project in HUB_FOLDER whose \"properties\" blob is about MIB MiB.\n",
    2, [](char** argv) {
      const std::size_t mebibytes = bench::ParseCount(argv[2], "size in MiB");
      bench::MakePropertiesHub(argv[1], mebibytes);
      return "Made a project with " + std::to_string(mebibytes) + " MiB of properties in " +
             argv[1];
    }});
}
