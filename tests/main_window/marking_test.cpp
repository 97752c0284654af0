#include "main_window/marking.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/database.h"
#include "app/text_helpers.h"
#include "main_window/main_window_logic.h"
#include "main_window/work_lists.h"
#include "support/demo_fixture.h"

namespace vqb {
namespace {

TEST(MarkStatement, EachListHasItsExactStatement) {
  const std::string now = "46362.5";
  EXPECT_EQ(mark_statement("Send Customers", false, "17", now),
            "UPDATE Customers SET QBAccountNumber = '' where link = 17");
  EXPECT_EQ(mark_statement("Send Suppliers", false, "9", now),
            "UPDATE Suppliers SET QBAccount = '' where link = 9");
  EXPECT_EQ(mark_statement("Send Customers", true, "17", now), "") << "not offered";
  EXPECT_EQ(mark_statement("Send Customer Invoices", true, "10001", now),
            "UPDATE CUSTSO set QuickBooks = 1, QuickBooksDS = 46362.5 where number = 10001");
  EXPECT_EQ(mark_statement("Send Customer Invoices", false, "10001", now),
            "UPDATE CUSTSO set QuickBooks = 0 where number = 10001");
  EXPECT_EQ(mark_statement("Send Customer Payments", true, "55", now),
            "UPDATE CustPayments SET Quickbooks = 1, QuickBooksDS = 46362.5 where number =  55");
  EXPECT_EQ(mark_statement("Send Customer Payments", false, "55", now),
            "UPDATE CustPayments SET Quickbooks = 0 where number =  55");
  EXPECT_EQ(mark_statement("Send Supplier POs", true, "7001", now),
            "UPDATE SuppPO Set SendQB = 46362.5 WHERE number = 7001");
  EXPECT_EQ(mark_statement("Send Supplier POs", false, "7001", now),
            "UPDATE SuppPO Set SendQB=0 WHERE number = 7001");
}

TEST(MarkStatement, TheKeyIsReadAsANumber) {
  EXPECT_EQ(mark_statement("Send Customer Invoices", false, "", "1"),
            "UPDATE CUSTSO set QuickBooks = 0 where number = 0");
  EXPECT_EQ(mark_statement("Send Supplier POs", false, "7001; DROP TABLE SuppPO", "1"),
            "UPDATE SuppPO Set SendQB=0 WHERE number = 7001");
}

class MarkingTest : public ::testing::Test, protected test::DemoFixture {
 protected:
  MainWindowState state;
  std::unique_ptr<Database> db() { return open_database(app.databasePath); }
  void tick(std::size_t count) {
    for (std::size_t i = 0; i < count && i < state.grid.rows.size(); ++i)
      state.grid.rows[i].ticked = true;
  }
  std::string cellOf(std::size_t row, const char* header) {
    return state.grid.rows.at(row).cells.at(static_cast<std::size_t>(state.grid.column(header)));
  }
};

TEST_F(MarkingTest, MarkingInvoicesAsSentWritesFlagAndTimeAndSkipsThemNextTime) {
  fill_customerInvoices(app, state);
  ASSERT_GE(state.grid.rows.size(), 3u);
  tick(2);
  const double before = ole_now();
  marksent(app, state);
  const double after = ole_now();
  EXPECT_EQ(cellOf(0, "Comment"), "Updated");
  EXPECT_EQ(cellOf(1, "Comment"), "Updated");
  EXPECT_EQ(cellOf(2, "Comment"), "") << "not ticked";
  EXPECT_EQ(ui.status, "Operation completed");
  EXPECT_EQ(ui.progressValue, 0);

  auto rows = db()->queryAll("SELECT QuickBooks, QuickBooksDS FROM CustSO WHERE Number = " +
                             cellOf(0, "Doc Number"));
  ASSERT_EQ(rows.rows.size(), 1u);
  EXPECT_EQ(rows.rows[0][0], "1");
  const double written = numeric_value(rows.rows[0][1].value_or(""));
  EXPECT_GE(written, before - 1e-9);  // the time of the marking, however long it took
  EXPECT_LE(written, after + 1e-9);
  EXPECT_NE(std::find(ui.statuses.begin(), ui.statuses.end(),
                      "Marking Invoice: " + cellOf(0, "Doc Number") + " as sent"),
            ui.statuses.end());

  db()->execute("UPDATE CustSO SET QuickBooks = 0");
  marksent(app, state);
  rows = db()->queryAll("SELECT count(*) FROM CustSO WHERE QuickBooks = 1");
  EXPECT_EQ(rows.rows[0][0], "0") << "rows already \"Updated\" are skipped";
}

TEST_F(MarkingTest, MarkingCustomersNotSentClearsTheirLinkAndFillsTheStatusColumn) {
  app.setup.MoveToRoot();
  app.setup.SetChildValue("filtershowexported", "1");
  app.setup.SetChildValue("filtershowexportednot", "0");
  fill_customers(app, state);
  ASSERT_FALSE(state.grid.rows.empty());
  tick(1);
  const std::string link = cellOf(0, "Comment");
  marksentNot(app, state);
  EXPECT_EQ(state.grid.rows[0].cells.at(4), "Updated");
  auto rows = db()->queryAll("SELECT QBAccountNumber FROM Customers WHERE Link = " + link);
  EXPECT_EQ(rows.rows.at(0).at(0), "");
  EXPECT_NE(std::find(ui.statuses.begin(), ui.statuses.end(),
                      "Marking " + cellOf(0, "Company") + " as not sent"),
            ui.statuses.end());
}

TEST_F(MarkingTest, PaymentStatusNamesReceiptAndCustomer) {
  fill_customerPayments(app, state);
  ASSERT_FALSE(state.grid.rows.empty());
  tick(1);
  marksent(app, state);
  EXPECT_NE(std::find(ui.statuses.begin(), ui.statuses.end(),
                      "Marking Payment: " + cellOf(0, "Int Receipt #") + " - " +
                          cellOf(0, "Company") + " as sent"),
            ui.statuses.end());
  auto rows = db()->queryAll("SELECT Quickbooks FROM CustPayments WHERE Number = " +
                             cellOf(0, "Int Receipt #"));
  EXPECT_EQ(rows.rows.at(0).at(0), "1");
}

TEST_F(MarkingTest, CancelAfterSomeRowsKeepsThoseAndSaysAborted) {
  fill_supplierPOs(app, state);
  ASSERT_GE(state.grid.rows.size(), 3u);
  tick(state.grid.rows.size());
  int marked = 0;
  ui.onProcessEvents = [&] {
    if (++marked == 2) state.cancelRequested = true;
  };
  marksent(app, state);
  EXPECT_EQ(cellOf(0, "Comment"), "Updated");
  EXPECT_EQ(cellOf(1, "Comment"), "Updated");
  EXPECT_EQ(cellOf(2, "Comment"), "");
  EXPECT_EQ(ui.status, "Operation aborted by user.");
  EXPECT_EQ(std::find(ui.statuses.begin(), ui.statuses.end(), "Operation completed"),
            ui.statuses.end());
  auto rows = db()->queryAll("SELECT count(*) FROM SuppPO WHERE SendQB > 0 AND Number IN (" +
                             cellOf(0, "PO Number") + ", " + cellOf(1, "PO Number") + ")");
  EXPECT_EQ(rows.rows[0][0], "2");
}

TEST_F(MarkingTest, AFailedStatementLeavesItsRowEmptyAndGoesOn) {
  fill_customerInvoices(app, state);
  ASSERT_GE(state.grid.rows.size(), 2u);
  tick(2);
  db()->execute("CREATE TRIGGER refuse BEFORE UPDATE ON CustSO WHEN old.Number = " +
                cellOf(0, "Doc Number") + " BEGIN SELECT RAISE(ABORT, 'locked by Vantora'); END");
  marksent(app, state);
  EXPECT_EQ(cellOf(0, "Comment"), "");
  EXPECT_EQ(cellOf(1, "Comment"), "Updated");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Confirm");
  EXPECT_EQ(ui.messages[0].text, "19 - locked by Vantora");
}

TEST_F(MarkingTest, RunMenuMarksThroughTheWindowAndLeavesItIdle) {
  MainWindowLogic logic(app);
  logic.runMenuKey("mnuSendCustomerInvoices");
  logic.state.grid.rows.at(0).ticked = true;
  logic.TB2_ButtonClick("Run");
  logic.dMnu_ItemClick(3);  // "Mark as sent"
  EXPECT_EQ(logic.state.grid.rows[0].cells.at(
                static_cast<std::size_t>(logic.state.grid.column("Comment"))),
            "Updated");
  EXPECT_FALSE(logic.state.busy);
}

}  // namespace
}  // namespace vqb
