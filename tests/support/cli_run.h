#pragma once
// Runs vqb-cli in-process, as a terminal would, for the command tests (they link vqbcli).

#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace vqb::test {

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

// `args` without the program name; `input` is standard input.
inline CliRun run_cli(std::vector<std::string> args, const std::string& input = "",
                      bool interactive = false) {
  args.insert(args.begin(), "vqb-cli");
  std::vector<const char*> argv;
  for (const auto& arg : args) argv.push_back(arg.c_str());
  std::istringstream in(input);
  std::ostringstream out, err;
  const int code = cli::run(static_cast<int>(argv.size()), argv.data(), in, out, err, interactive);
  return {code, out.str(), err.str()};
}

}  // namespace vqb::test
