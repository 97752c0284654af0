// vqb-cli runs and vqb-cli undo on a small demo whose purchase orders were sent by vqb-cli.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quickbooks/sim/simulated_company.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

using test::CliRun;
using test::run_cli;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
    end = text.find('\n', at);
    out.push_back(text.substr(at, end - at));
  }
  return out;
}

TEST(UndoCommand, RunsListsTheSendAndUndoTakesItsOrdersBackOut) {
  test::TempDir dir;
  const std::string folder = dir.file("demo");
  const auto in = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--settings", folder});
    return run_cli(args);
  };
  ASSERT_EQ(run_cli({"demo", folder, "--customers", "6", "--suppliers", "3", "--invoices", "0",
                     "--payments", "0", "--purchase-orders", "4"})
                .code,
            0);
  const auto orders = [&] {
    return qb::sim::SimulatedCompany(folder + "/demo-company.qbxml")
        .list(qb::sim::Kind::PurchaseOrder)
        .size();
  };
  const std::size_t before = orders();
  EXPECT_EQ(in({"runs"}).out, "No send runs in the log.\n");
  in({"send", "pos", "--all", "--create-missing"});  // some stay unsent: codes left unmapped
  const std::size_t sent = orders() - before;
  ASSERT_GT(sent, 0u);
  const std::string count = std::to_string(sent) + " purchase order" + (sent == 1 ? "" : "s");

  const CliRun runs = in({"runs"});
  EXPECT_EQ(runs.code, 0);
  EXPECT_EQ(runs.out.rfind("Run 1  ", 0), 0u) << runs.out;
  EXPECT_NE(runs.out.find("  " + count), std::string::npos) << runs.out;

  // Suppliers sent on the way are listed too, and stay.
  for (const bool dryRun : {true, false}) {
    const CliRun undo = dryRun ? in({"undo", "1", "--dry-run"}) : in({"undo", "1"});
    EXPECT_EQ(undo.code, 0) << undo.err;
    std::vector<std::string> shown = lines(undo.out);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().rfind((dryRun ? "Would undo " : "Undone: ") + std::to_string(sent) +
                                     " of " + std::to_string(shown.size() - 1) + " record",
                                 0),
              0u)
        << shown.back();
    shown.pop_back();
    std::size_t taken = 0;
    for (const std::string& line : shown) {
      const bool order = line.rfind("Purchase order ", 0) == 0;
      taken += order;
      EXPECT_TRUE(line.ends_with(
          !order   ? ": Left alone: customers and suppliers are not deleted (QuickBooks keeps "
                     "their history)."
          : dryRun ? ": Would be taken out of QuickBooks and marked as not sent."
                   : ": Taken out of QuickBooks; marked as not sent."))
          << line;
    }
    EXPECT_EQ(taken, sent);
    EXPECT_EQ(orders(), dryRun ? before + sent : before);
  }

  const CliRun missing = in({"undo", "99"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err, "There is no run 99 in the log (vqb-cli runs lists them).\n");
  EXPECT_EQ(in({"undo"}).code, 2);
}

}  // namespace
}  // namespace vqb
