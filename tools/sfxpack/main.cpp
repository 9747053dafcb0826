// sfxpack: turns a folder into a self-extracting installer, and lists, tests
// and extracts installers.
#include <iostream>
#include <string>
#include <vector>

#include "tools/sfxpack/cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return sfxpack::RunCommandLine(args, std::cout, std::cerr);
}
