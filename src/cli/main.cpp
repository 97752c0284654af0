#include <unistd.h>

#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
  return vqb::cli::run(argc, argv, std::cin, std::cout, std::cerr, ::isatty(0) != 0);
}
