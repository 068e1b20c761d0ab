// Stands in for the launcher: says "starting" on its standard output, starts the tree script
// captured, then waits to be killed. Arguments: the tree script, the file for the tree's pids.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/process.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  // The test kills this process at chosen moments after this line, in the middle of start().
  const char starting[] = "starting\n";
  if (write(STDOUT_FILENO, starting, sizeof starting - 1) < 0) return 1;
  scf::ChildProcess tree;
  std::string error;
  if (!tree.start("/bin/sh", {argv[1], argv[2]}, "", true, error)) {
    std::fprintf(stderr, "start failed: %s\n", error.c_str());
    return 1;
  }
  for (int second = 0; second < 60; ++second)
    sleep(1);
  return 0;
}
