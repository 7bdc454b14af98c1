#pragma once

#include <functional>
#include <string>

namespace bench {

// One of the sample makers: its program name, its usage text, how many
// arguments it takes (the hub folder first), and what it does with them,
// giving the line it prints when done.
struct HubMaker {
  const char* program;
  const char* usage;
  int arguments;
  std::function<std::string(char** argv)> make;
};

// The whole of a maker's main: checks the argument count (the usage on
// standard error and 2 otherwise), starts the storage library around `make`,
// prints its line and gives 0, or the error after the program's name and 1.
int RunHubMaker(int argc, char** argv, const HubMaker& maker);

}  // namespace bench
