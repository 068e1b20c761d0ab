// Stands in for the launcher: says "starting" on its standard output, starts the program
// given by its arguments captured (with its own arguments), then waits to be killed.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/command_line.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments = scf::commandLineArguments(argc, argv);
  if (arguments.empty()) return 2;
  // The test kills this process at chosen moments after this line, in the middle of start().
  std::fputs("starting\n", stdout);
  std::fflush(stdout);
  scf::ChildProcess tree;
  std::string error;
  if (!tree.start(arguments[0], {arguments.begin() + 1, arguments.end()}, "", true, error)) {
    std::fprintf(stderr, "start failed: %s\n", error.c_str());
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::seconds(60));
  return 0;
}
