#include <iostream>

#include "app/os_calls.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
  return vqb::cli::run(argc, argv, std::cin, std::cout, std::cerr, vqb::os::stdin_is_terminal());
}
