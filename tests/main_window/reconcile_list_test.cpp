// Sync > "Reconcile with QuickBooks" in the window's logic: the dialog's choice, the grid of
// differences and Run's marking where it is the remedy.

#include "main_window/reconcile_list.h"

#include <gtest/gtest.h>

#include "app/database.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/connected_demo.h"

namespace vqb {
namespace {

class ReconcileList : public ::testing::Test, protected test::ConnectedDemoFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(connected);  // the demo's company holds what the demo shows as sent
  }
  // Answers the dialog with these slots (slot 0 "1": confirmed).
  void answer(std::string confirmed, std::string from = "", std::string to = "",
              std::string kinds = "invoices,payments,pos,customers,suppliers") {
    ui.onDialog = [=, this](DialogKind kind, const std::string&) {
      if (kind != DialogKind::Reconcile) return;
      app.sharedSlots[0] = confirmed;
      app.sharedSlots[1] = from;
      app.sharedSlots[2] = to;
      app.sharedSlots[3] = kinds;
    };
  }
  std::string cell(std::size_t row, const char* header) {
    const WorkList& grid = logic->state.grid;
    return grid.rows.at(row).cells.at(static_cast<std::size_t>(grid.column(header)));
  }
};

TEST_F(ReconcileList, DifferencesFillTheGridAndMarkingAppliesTheRemedy) {
  const std::string copied = first(
      "SELECT s.Number FROM CustSO s JOIN Customers c ON c.Link = s.Customer WHERE "
      "s.Status = 4 AND IFNULL(s.QuickBooks, 0) = 0 AND c.QBAccountNumber <> '' ORDER BY "
      "s.Number LIMIT 1");
  const std::string lost = first(
      "SELECT Number FROM CustSO WHERE Status = 4 AND IFNULL(QuickBooks, 0) = 0 AND "
      "Number <> " +
      copied + " ORDER BY Number LIMIT 1");
  run("UPDATE CustSO SET QuickBooks = 1, xmlAdd = '<OrderInfo><QBReference>GONE-1</QBReference>"
      "</OrderInfo>' WHERE Number = " +
      lost);
  qb::sim::SimulatedCompany sim = company();
  sim.process(
      "<?xml version=\"1.0\"?><?qbxml version=\"13.0\"?><QBXML><QBXMLMsgsRq "
      "onError=\"stopOnError\"><InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>" +
      sim.list(qb::sim::Kind::Customer).front().name + "</FullName></CustomerRef><RefNumber>" +
      copied + "</RefNumber><InvoiceLineAdd><ItemRef><FullName>" +
      first("SELECT QB FROM SalesGroup WHERE QB <> '' LIMIT 1") +
      "</FullName></ItemRef><Amount>1.00</Amount></InvoiceLineAdd></InvoiceAdd></InvoiceAddRq>"
      "</QBXMLMsgsRq></QBXML>");
  const std::string txnId = sim.list(qb::sim::Kind::Invoice).back().id;

  answer("1");
  logic->runMenuKey("mnuSyncReconcile");
  ASSERT_EQ(logic->state.currentList, "Reconcile with QuickBooks");
  ASSERT_EQ(logic->state.grid.rows.size(), 2u) << ui.status;
  EXPECT_EQ(
      logic->state.grid.rows[0].cells,
      (std::vector<std::string>{"invoice", lost,
                                first("SELECT c.Description FROM CustSO s JOIN Customers c "
                                      "ON c.Link = s.Customer WHERE s.Number = " +
                                      lost),
                                "missing", "GONE-1", "", "GONE-1", "",
                                "missing: marked as sent, but QuickBooks has no such record", ""}));
  EXPECT_EQ(cell(1, "Key"), copied);
  EXPECT_EQ(cell(1, "Problem"), "unmarked");
  EXPECT_EQ(cell(1, "QuickBooks ID"), txnId);
  EXPECT_EQ(logic->state.grid.rows[1].foreColour, 255) << "differences show in red";
  // Every marked record and linked name, and the one unmarked copy reported.
  const long checked = std::stol(first(
      "SELECT (SELECT COUNT(*) FROM Customers WHERE QBAccountNumber <> '') + (SELECT COUNT(*) "
      "FROM Suppliers WHERE QBAccount <> '') + (SELECT COUNT(*) FROM CustSO WHERE QuickBooks = "
      "1) + (SELECT COUNT(*) FROM CustPayments WHERE QuickBooks = 1) + (SELECT COUNT(*) FROM "
      "SuppPO WHERE SendQB > 0) + 1"));
  EXPECT_EQ(ui.status, "Checked " + std::to_string(checked) +
                           " records: " + std::to_string(checked - 2) + " agree, 2 differ.");

  logic->mnu_Run(false);
  ASSERT_EQ(logic->menu.items().size(), 2u);
  EXPECT_EQ(logic->menu.items()[0].key, "mnuMarkSent");
  EXPECT_EQ(logic->menu.items()[1].key, "mnuMarkSentNot");
  for (auto& row : logic->state.grid.rows) row.ticked = true;
  logic->runMenuKey("mnuMarkSent");
  EXPECT_EQ(cell(0, "Status"), "") << "a missing record is not marked as sent";
  EXPECT_EQ(cell(1, "Status"), "Updated");
  EXPECT_EQ(first("SELECT QuickBooks || '|' || QuickBooksRef || '|' || xmlAdd FROM CustSO "
                  "WHERE Number = " +
                  copied),
            "1|" + copied + "|<OrderInfo><QBReference>" + txnId + "</QBReference></OrderInfo>");
  logic->runMenuKey("mnuMarkSentNot");
  EXPECT_EQ(cell(0, "Status"), "Updated");
  EXPECT_EQ(first("SELECT QuickBooks FROM CustSO WHERE Number = " + lost), "0");

  // Both are settled: the copy is now found by its TxnID (its amounts are its own business).
  logic->runMenuKey("mnuSyncReconcile");
  for (std::size_t r = 0; r < logic->state.grid.rows.size(); ++r) {
    EXPECT_EQ(cell(r, "Key"), copied);
    EXPECT_NE(cell(r, "Problem"), "unmarked");
  }
}

TEST_F(ReconcileList, ACancelledOrWrongChoiceReconcilesNothing) {
  struct Case {
    const char* confirmed;
    const char* from;
    const char* to;
    const char* kinds;
    const char* message;  // "" for none
  };
  for (const Case& c : {
           Case{"", "", "", "invoices", ""},
           Case{"1", "2026-13-01", "", "invoices",
                "\"2026-13-01\" is not a date. Please enter "
                "dates as YYYY-MM-DD."},
           Case{"1", "", "31/12/2026", "invoices",
                "\"31/12/2026\" is not a date. Please enter "
                "dates as YYYY-MM-DD."},
           Case{"1", "2026-02-01", "2026-01-31", "pos", "The period ends before it starts."},
           Case{"1", "", "", "", "Please choose at least one kind of record to reconcile."},
       }) {
    ui.messages.clear();
    logic->state.currentList = "";
    answer(c.confirmed, c.from, c.to, c.kinds);
    logic->runMenuKey("mnuSyncReconcile");
    EXPECT_EQ(logic->state.currentList, "") << c.from << c.to << c.kinds;
    if (*c.message) {
      ASSERT_EQ(ui.messages.size(), 1u) << c.message;
      EXPECT_EQ(ui.messages[0].text, c.message);
      EXPECT_EQ(ui.messages[0].title, "Error");
    } else {
      EXPECT_TRUE(ui.messages.empty());
    }
  }
  EXPECT_EQ(ui.dialogs.back().first, DialogKind::Reconcile);
  EXPECT_EQ(app.sharedSlots[3], "") << "the last dialog answered with no kinds";
}

}  // namespace
}  // namespace vqb
