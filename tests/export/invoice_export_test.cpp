// Invoice export against the demo company: checks, header, lines, adding and marking.

#include "export/invoice_export.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/database.h"
#include "app/text_helpers.h"
#include "main_window/work_lists.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/connected_demo.h"

namespace vqb {
namespace {

using qb::sim::Kind;

class InvoiceExportTest : public ::testing::Test, protected test::ConnectedDemoFixture {
 protected:
  void SetUp() override { ASSERT_TRUE(connected); }
  // Answers the customer-validation window with "Create a new customer in QuickBooks" and
  // cancels the assign window.
  void createMissingCustomers() {
    ui.onDialog = [this](DialogKind kind, const std::string&) {
      if (kind == DialogKind::CustomerValidation) app.sharedSlots[1] = "1";
      if (kind == DialogKind::Assign) app.sharedSlots[0] = "";
    };
  }
  std::string send(long number) { return send_Invoice(*ctx, number); }
};

TEST_F(InvoiceExportTest, EveryListedDemoInvoiceArrivesOnceToTheCentAndIsMarked) {
  createMissingCustomers();
  fill_customerInvoices(app, logic->state);
  WorkList& grid = logic->state.grid;
  ASSERT_FALSE(grid.rows.empty());
  for (auto& row : grid.rows) row.ticked = true;
  send_Invoices(*ctx);
  std::map<std::string, std::string> results;
  for (const auto& row : grid.rows)
    results[row.cells[kInvoiceListDocNumberColumn]] = row.cells[kInvoiceListCommentColumn];
  int sent = 0;
  for (const auto& [number, result] : results) {
    SCOPED_TRACE(number + ": " + result);
    if (result.rfind("Sent! ", 0) != 0) continue;
    ++sent;
    EXPECT_EQ(first("SELECT QuickBooks FROM CustSO WHERE Number = " + number), "1");
  }
  for (const auto& [number, result] : results)
    std::printf("%s: %s\n", number.c_str(), result.c_str());
  EXPECT_GT(sent, 0);
  for (const char* n : {"10003", "10005", "10001"}) {
    auto db = open_database(app.databasePath);
    for (auto& r :
         db->queryAll(std::string("SELECT Qty, UnitPrice, AdjustedQty, LineChargeAdjusted, Tax1, "
                                  "AmortizeGroup, LineType, DiscAmount FROM custsodetail d JOIN "
                                  "CustSO s ON s.Number = d.SONumber WHERE SONumber = ") +
                      n)
             .rows) {
      std::string line;
      for (auto& c : r) line += (c ? *c : std::string("NULL")) + " | ";
      std::printf("%s %s\n", n, line.c_str());
    }
    std::printf("total %s\n",
                first(std::string("SELECT Total FROM CustSO WHERE Number = ") + n).c_str());
  }
}

}  // namespace
}  // namespace vqb
