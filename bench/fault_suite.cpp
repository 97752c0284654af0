// The fault suite: sends new customers, suppliers, invoices, payments and purchase orders from
// their lists on a demo, over and over, while the simulated company loses answers after
// committing, fails before committing or fails the Nth request, answers an add it carried
// out with garbage, another request's answer or half an answer, Vantora refuses the mark, or
// the sending process is killed (SIGKILL) at a random moment: a forked copy of this program,
// or vqb-cli itself when its path is given. After each round the list is sent again until
// nothing is left, as a user would, and every record is checked: in QuickBooks exactly once
// and marked in Vantora with its QuickBooks reference.
//
//   fault_suite [faults (default 1000)] [seed] [vqb-cli path]
//
// Prints the faults injected by kind and list, the records doubled (must be 0), lost (must
// be 0) and recovered by the journal. Exit code 0 when none was doubled or lost.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/startup.h"
#include "demo/fault_rounds.h"

int main(int argc, char** argv) {
  using namespace vqb::faults;
  const long wanted = argc > 1 ? std::stol(argv[1]) : 1000;
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::stoul(argv[2])) : 17u;
  const std::string cli = argc > 3 ? argv[3] : "";
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vqb-fault-suite-" + std::to_string(::getpid()));
  const auto started = std::chrono::steady_clock::now();
  long cliRounds = 0;
  {
    FaultRounds rounds((folder / "demo").string(), vqb::program_folder(), seed);
    for (long round = 0; rounds.counts().faults < wanted; ++round) {
      const int list = static_cast<int>(round % kListCount);
      // Of every ten rounds, the first of each transaction list is sent by vqb-cli, killed twice.
      if (!cli.empty() && list >= 2 && round % 10 < kListCount) {
        rounds.cliRound(list, cli, 2);
        ++cliRounds;
      } else {
        rounds.round(list, static_cast<Fault>(rounds.random()() % kFaultCount));
      }
    }
    const Counts& c = rounds.counts();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (const std::string& problem : c.problems) std::fprintf(stderr, "%s\n", problem.c_str());
    std::printf("faults injected:                %ld\n", c.faults);
    for (int k = 0; k < kFaultCount; ++k)
      std::printf("  %-29s %ld\n", fault_name(static_cast<Fault>(k)), c.injected[k]);
    std::printf("records sent:                   %ld\n", c.records);
    for (int l = 0; l < kListCount; ++l) std::printf("  %-29s %ld\n", list_name(l), c.perList[l]);
    std::printf("rounds sent by vqb-cli:         %ld\n", cliRounds);
    std::printf("records doubled (must be 0):    %ld\n", c.doubled);
    std::printf("records lost (must be 0):       %ld\n", c.lost);
    std::printf("records recovered by journal:   %ld\n", c.recovered);
    std::printf("time:                           %.1f s\n", seconds);
    std::filesystem::remove_all(folder);
    return c.doubled == 0 && c.lost == 0 && c.problems.empty() ? 0 : 1;
  }
}
