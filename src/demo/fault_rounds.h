#pragma once
// Sends on a demo under faults, for the fault-suite runner and its tests. Each round makes a
// few new records of one kind, injects one fault while their list is sent, then sends the list
// again as a user would until nothing is left, and checks every record: in QuickBooks exactly
// once and marked in Vantora with its QuickBooks reference.
//
// Faults: the simulated company loses the add's answer after committing, fails before
// committing or fails the Nth request; the add is carried out but its answer arrives as
// garbage, as another request's answer (another kind, requestID or message set) or cut in
// half; Vantora refuses the mark; the sending process is killed (SIGKILL) at a random moment,
// either a forked copy of this process or vqb-cli itself.

#include <array>
#include <random>
#include <string>
#include <vector>

#include "demo/demo_company.h"

namespace vqb::faults {

enum class Fault {
  DropAnswer,
  FailBefore,
  FailNth,
  MarkRefused,
  Killed,
  AnswerGarbage,
  AnswerOfAnother,
  AnswerCut
};
inline constexpr int kFaultCount = 8;
const char* fault_name(Fault fault);

// The five lists sent, as vqb-cli names them: customers, suppliers, invoices, payments, pos.
inline constexpr int kListCount = 5;
const char* list_name(int list);

struct Counts {
  long faults = 0;                           // faults that fired
  std::array<long, kFaultCount> injected{};  // by fault
  std::array<long, kListCount> perList{};    // by list
  long records = 0, doubled = 0, lost = 0, recovered = 0;
  std::vector<std::string> problems;  // one line per record doubled, lost or left in doubt
};

class FaultRounds {
 public:
  // Makes a small demo in `folder` (replacing one there); `programFolder` holds the settings
  // template.
  FaultRounds(const std::string& folder, const std::string& programFolder, unsigned seed);

  // One round of `list` under `fault`, then the re-runs and the check.
  void round(int list, Fault fault);
  // A round sent by vqb-cli (`cli`, the program's path): `kills` runs killed right after QuickBooks
  // saved one of their adds, chosen at random, then runs to the end; the check also wants a line
  // for every record left in doubt by the last run.
  void cliRound(int list, const std::string& cli, int kills);

  const Counts& counts() const { return counts_; }
  const qb::DemoSetup& demo() const { return demo_; }
  std::mt19937& random() { return random_; }

 private:
  std::vector<std::string> make_records(int list);
  void send(int list, const std::vector<std::string>& keys);
  std::string run_cli(int list, const std::string& cli, const std::vector<std::string>& keys,
                      long killAfterAdds);
  bool unmarked(int list, const std::vector<std::string>& keys) const;
  void check(int list, const std::vector<std::string>& keys, Fault fault,
             const std::string& lastOutput);

  qb::DemoSetup demo_;
  std::string programFolder_;
  std::mt19937 random_;
  Counts counts_;
  long next_ = 800000;
  std::string invoiceTemplate_, customer_, supplier_, method_, salesGroup_;
};

}  // namespace vqb::faults
