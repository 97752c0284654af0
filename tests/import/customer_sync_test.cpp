// The contact-info list and the import of QuickBooks balances as opening balances.

#include "import/customer_sync.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/text_helpers.h"
#include "import/customer_import.h"
#include "support/connected_demo.h"
#include "support/sim_fixture.h"

namespace vqb {
namespace {

const std::string kCrLf = "\r\n";

class BalanceImportTest : public ::testing::Test, protected test::SimCompanyFixture {
 protected:
  ImportListing listing;

  // A Vantora customer linked to the QuickBooks customer `qbName`.
  void linked(int link, const std::string& qbName) {
    f.db()->execute("INSERT INTO Customers (Link, Description, QBAccountNumber) VALUES (" +
                    std::to_string(link) + ", 'x', '" + sql_quote(qbName) + "')");
  }
  std::vector<std::vector<Cell>> postings() {
    return f.db()
        ->queryAll(
            "SELECT Customer, Date, Trans, Description, reference, Rep, Debit, Credit, "
            "outstanding, ChargeTax1, ChargeTax2, Notes FROM custPost ORDER BY id")
        .rows;
  }
  std::string doneMessage(int booked, int skipped) {
    return "Done" + kCrLf + kCrLf + "Opening balances booked: " + std::to_string(booked) + kCrLf +
           "Skipped because one was already booked: " + std::to_string(skipped);
  }
};

TEST_F(BalanceImportTest, BooksEachVisibleNonzeroBalanceOfALinkedCustomer) {
  company.addCustomer("Acme", {{"OpenBalance", "120.50"}});
  company.addCustomer("Hidden Co", {{"OpenBalance", "10.00"}});
  company.addCustomer("O'Brien", {{"OpenBalance", "-150.25"}});
  company.addCustomer("Stranger", {{"OpenBalance", "75.00"}});
  company.addCustomer("Zero Co");
  linked(11, "Acme");
  linked(12, "Hidden Co");
  linked(13, "O'Brien");
  linked(15, "Zero Co");
  fill_customersQB(ctx, listing);
  ASSERT_EQ(state.grid.rows.size(), 5u);
  state.grid.rows[1].hidden = true;  // hidden by the filter

  const BalanceImport done = cmdGetCustomerBal_Click(f.app, state);

  const std::string today = number_text(ole_today());
  const std::string notes = "Bal B/F from QuickBooks After Customer Import";
  using Row = std::vector<Cell>;
  EXPECT_EQ(postings(), (std::vector<Row>{
                            {"11", today, "JNL", "Open Bal QB", "Import", "-1", "120.5", "0",
                             "120.5", "-1", "-1", notes},
                            {"13", today, "JNL", "Open Bal QB", "Import", "-1", "0", "150.25",
                             "150.25", "-1", "-1", notes},
                        }));
  std::vector<std::string> lines;
  for (const auto& row : done.rows) lines.push_back(row.name + ": " + row.result);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Acme: Booked: debit 120.50", "O'Brien: Booked: credit 150.25",
                       "Stranger: Not in Vantora: nothing booked", "Zero Co: No balance to book"}));
  EXPECT_EQ(f.ui.texts(), std::vector<std::string>{doneMessage(2, 0)});
}

// Running the import again, or after the customer import booked the balance, books nothing.
TEST_F(BalanceImportTest, ACustomerWithAnOpeningBalanceIsNeverBookedAgain) {
  company.addCustomer("Acme", {{"OpenBalance", "120.50"}});
  company.addCustomer("Imported", {{"OpenBalance", "-9.99"}});
  f.db()->execute("INSERT INTO comp (Link, Name, NextCustLink) VALUES (1, 'Co', 1000)");
  linked(11, "Acme");
  fill_customersQB(ctx, listing);
  state.grid.rows[1].ticked = true;
  f.ui.answers = {Answer::Yes};  // "Import opening balances ?"
  get_customers(ctx, listing);
  ASSERT_EQ(postings().size(), 1u);
  f.ui.messages.clear();

  cmdGetCustomerBal_Click(f.app, state);
  EXPECT_EQ(postings().size(), 2u);
  EXPECT_EQ(f.ui.texts(), std::vector<std::string>{doneMessage(1, 1)});

  f.ui.messages.clear();
  const BalanceImport again = cmdGetCustomerBal_Click(f.app, state);
  EXPECT_EQ(postings().size(), 2u);
  EXPECT_EQ(again.booked, 0);
  EXPECT_EQ(again.skipped, 2);
  EXPECT_EQ(again.rows[0].result, "Skipped: an opening balance from QuickBooks is already booked");
  EXPECT_EQ(f.ui.texts(), std::vector<std::string>{doneMessage(0, 2)});
}

TEST_F(BalanceImportTest, ContactListHoldsTheLinkedCustomersNewestFirstUnticked) {
  auto db = f.db();
  db->execute(
      "INSERT INTO Customers (Link, Description, Tel, QBAccountNumber) VALUES (21, 'Older', "
      "'555-1', 'Older QB')");
  db->execute(
      "INSERT INTO Customers (Link, Description, Tel, QBAccountNumber) VALUES (22, "
      "'Unlinked', '555-2', '')");
  db->execute(
      "INSERT INTO Customers (Link, Description, Tel, QBAccountNumber) VALUES (23, 'Newer', "
      "'555-3', 'Newer QB')");

  fill_syncCustomerContactInfo(f.app, state);

  EXPECT_EQ(state.currentList, "Sync Customer Contact Info");
  EXPECT_EQ(state.grid.headers,
            (std::vector<std::string>{"Company", "Phone", "Select", "", "Comment"}));
  EXPECT_EQ(state.grid.tickColumn, 2);
  EXPECT_EQ(state.grid.hiddenColumns, std::vector<int>{3});
  ASSERT_EQ(state.grid.rows.size(), 2u);
  EXPECT_EQ(state.grid.rows[0].cells, (std::vector<std::string>{"Newer", "555-3", "", "23", ""}));
  EXPECT_EQ(state.grid.rows[1].cells, (std::vector<std::string>{"Older", "555-1", "", "21", ""}));
  EXPECT_FALSE(state.grid.rows[0].ticked || state.grid.rows[1].ticked);
  EXPECT_TRUE(f.ui.messages.empty());
}

// End to end on the demo: the ticked rows go through the customer export; a row with a
// result already is left alone.
class ContactSyncDemoTest : public ::testing::Test, protected test::ConnectedDemoFixture {};

TEST_F(ContactSyncDemoTest, SendsTickedRowsWhoseCommentIsEmpty) {
  ASSERT_TRUE(connected);
  logic->runMenuKey("mnuSyncContact");
  WorkList& grid = logic->state.grid;
  ASSERT_GE(grid.rows.size(), 3u);
  grid.rows[0].ticked = grid.rows[1].ticked = true;
  grid.rows[1].cells[kContactResultColumn] = "Success";
  const std::string first = grid.rows[0].cells[0];
  const std::string second = grid.rows[1].cells[0];
  ui.answers = {Answer::Yes};  // link to the QuickBooks customer of the same name
  ui.messages.clear();
  requests.clear();

  logic->runMenuKey("mnuSyncBalance");

  EXPECT_EQ(grid.rows[0].cells[kContactResultColumn], "Success");
  EXPECT_EQ(grid.rows[1].cells[kContactResultColumn], "Success");
  EXPECT_EQ(grid.rows[2].cells[kContactResultColumn], "");
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages[0].text.rfind("A customer called, " + first + ", already exists", 0), 0u);
  EXPECT_TRUE(sawRequest("<FullName>" + first + "</FullName>"));
  EXPECT_FALSE(sawRequest("<FullName>" + second + "</FullName>"));
  EXPECT_EQ(ui.status, "Operation completed");
  EXPECT_FALSE(logic->state.busy);
}

}  // namespace
}  // namespace vqb
