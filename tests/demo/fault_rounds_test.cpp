// Sends under faults on the demo: after any mix of faults and re-runs, every record sent is in
// QuickBooks exactly once and marked in Vantora with its reference, and none is left in doubt
// without a line; vqb-cli killed at random points of a batch keeps the same promise.

#include "demo/fault_rounds.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace vqb::faults {
namespace {

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

TEST(FaultRoundsTest, EveryFaultOnEveryListLeavesEachRecordOnceAndMarked) {
  test::TempDir dir;
  FaultRounds rounds(dir.file("demo"), VQB_TEST_PROGRAM_DIR, 17);
  for (int list = 0; list < kListCount; ++list)
    for (int fault = 0; fault < kFaultCount; ++fault) rounds.round(list, static_cast<Fault>(fault));
  const Counts& c = rounds.counts();
  EXPECT_EQ(c.doubled, 0);
  EXPECT_EQ(c.lost, 0);
  EXPECT_TRUE(c.problems.empty()) << joined(c.problems);
  EXPECT_EQ(c.records, 3 * kListCount * kFaultCount);
  // Lost, spoilt and cut answers and refused marks always fire; the journal marked their
  // records.
  for (Fault always : {Fault::DropAnswer, Fault::MarkRefused, Fault::AnswerGarbage,
                       Fault::AnswerOfAnother, Fault::AnswerCut})
    EXPECT_EQ(c.injected[static_cast<int>(always)], kListCount) << fault_name(always);
  EXPECT_GE(c.recovered, 5 * kListCount);
}

TEST(FaultRoundsTest, VqbCliKilledDuringABatchIsCompletedByTheNextRuns) {
  test::TempDir dir;
  FaultRounds rounds(dir.file("demo"), VQB_TEST_PROGRAM_DIR, 5);
  const std::string cli = std::string(VQB_TEST_PROGRAM_DIR) + "/vqb-cli";
  for (int list : {2, 3, 4}) rounds.cliRound(list, cli, 3);  // invoices, payments, pos
  const Counts& c = rounds.counts();
  EXPECT_EQ(c.doubled, 0);
  EXPECT_EQ(c.lost, 0);
  EXPECT_TRUE(c.problems.empty()) << joined(c.problems);
  EXPECT_EQ(c.records, 9);
  EXPECT_GE(c.injected[static_cast<int>(Fault::Killed)], 1);  // the first run of each list dies
}

}  // namespace
}  // namespace vqb::faults
