#include "HubMaker.h"

#include <exception>
#include <iostream>

#include "mevstorage/git/Storage.h"

namespace bench {
namespace {

std::string MakeWithStorage(char** argv, const HubMaker& maker) {
  mevstorage::git::Startup();
  try {
    std::string done = maker.make(argv);
    mevstorage::git::Shutdown();
    return done;
  } catch (...) {
    mevstorage::git::Shutdown();
    throw;
  }
}

}  // namespace

int RunHubMaker(int argc, char** argv, const HubMaker& maker) {
  if (argc != maker.arguments + 1) {
    std::cerr << maker.usage;
    return 2;
  }
  try {
    std::cout << MakeWithStorage(argv, maker) << std::endl;
    return 0;
  } catch (const std::exception& error) {
    std::cerr << maker.program << ": " << error.what() << std::endl;
    return 1;
  }
}

}  // namespace bench
