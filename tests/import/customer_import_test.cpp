// Importing QuickBooks customers into an empty Vantora database.

#include "import/customer_import.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/module1.h"
#include "app/text_helpers.h"
#include "main_window/work_lists.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/demo_fixture.h"
#include "support/sim_fixture.h"

namespace vqb {
namespace {

using qb::sim::SimulatedCompany;

class CustomerImportTest : public ::testing::Test, protected test::SimCompanyFixture {
 protected:
  ImportListing listing;

  void SetUp() override {
    auto db = f.db();
    db->execute(
        "INSERT INTO comp (Link, Name, NextMaintLink, NextCustLink, NextSuppLink) VALUES (1, "
        "'Co', 500, 1000, 2000)");
    db->execute(
        "INSERT INTO Terms (Link, Description, Days, Hide, QuickBooks) VALUES (7, 'Thirty', 30, "
        "0, 'Net 30')");
    db->execute(
        "INSERT INTO Terms (Link, Description, Days, Hide, QuickBooks) VALUES (8, 'Net 3', 3, "
        "0, 'Net 3')");
    ASSERT_TRUE(read_data(f.app, "Select * from Terms", true));
    f.app.termsSnapshot = f.app.scratch.Clone();
    company.addStandardTerms("Net 30", 30);
  }

  long count(const std::string& sql) { return static_cast<long>(numeric_value(cell(sql))); }
  void tickAll() {
    for (auto& row : state.grid.rows) row.ticked = true;
  }
};

TEST_F(CustomerImportTest, FillListsEveryCustomerAndColoursTheLinkedOnes) {
  company.addCustomer("O'Brien & <Sons>", {{"Phone", "555-0101"}, {"OpenBalance", "-150.25"}});
  company.addCustomer("Plain Co");
  f.db()->execute(
      "INSERT INTO Customers (Link, Description, QBAccountNumber) VALUES (5, 'x', 'O''Brien & "
      "<Sons>')");

  fill_customersQB(ctx, listing);

  EXPECT_EQ(state.currentList, "Get Customers");
  EXPECT_EQ(state.grid.tickColumn, 9);
  EXPECT_EQ(state.grid.headers, import_grid_headers());
  EXPECT_EQ(state.comment, kImportHint);
  EXPECT_EQ(f.ui.status, "Status: Idle");
  ASSERT_EQ(state.grid.rows.size(), 2u);
  const WorkRow& obrien = state.grid.rows[0];
  EXPECT_EQ(obrien.cells[0], "O'Brien & <Sons>");
  EXPECT_EQ(obrien.cells[1], "555-0101");
  EXPECT_EQ(obrien.cells[2], "true");
  EXPECT_EQ(obrien.cells[7], "O'Brien & <Sons>");
  EXPECT_EQ(obrien.cells[8], "($150.25)");
  EXPECT_EQ(obrien.rawOrCell(8), "-150.25");
  EXPECT_EQ(obrien.cells[11], "r_1");
  EXPECT_EQ(obrien.foreColour, kSentRowColour);
  EXPECT_EQ(state.grid.rows[1].foreColour, -1);
  EXPECT_EQ(f.ui.statuses.front(), "Reading record 1 of 2");
  EXPECT_TRUE(f.ui.messages.empty());
}

TEST_F(CustomerImportTest, FillComparesLinksAsTheDatabaseDoes) {
  // Links compare without ASCII case only; Null and empty links match nothing.
  for (const char* name : {"Plain Co", "\xC3\x89lan", "Unlinked"}) company.addCustomer(name);
  f.db()->execute(
      "INSERT INTO Customers (Link, Description, QBAccountNumber) VALUES (5, 'a', 'PLAIN CO'), "
      "(6, 'b', '\xC3\xA9lan'), (7, 'c', NULL), (8, 'd', '')");
  fill_customersQB(ctx, listing);
  ASSERT_EQ(state.grid.rows.size(), 3u);
  for (const WorkRow& row : state.grid.rows)
    EXPECT_EQ(row.foreColour == kSentRowColour, row.cells[0] == "Plain Co") << row.cells[0];
}

TEST_F(CustomerImportTest, FillReadsEveryPage) {
  for (int i = 0; i < 305; ++i) company.addCustomer("Customer " + std::to_string(1000 + i));
  fill_customersQB(ctx, listing);
  ASSERT_EQ(state.grid.rows.size(), 305u);
  EXPECT_EQ(state.grid.rows.back().cells[11], "r_305");
  EXPECT_TRUE(listing_record(listing, state.grid.rows.back()));
}

TEST_F(CustomerImportTest, ImportMapsRefsAddressesContactsAndPostsACredit) {
  company.addCustomer("O'Brien & <Sons>", {{"CompanyName", "O'Brien & <Sons> Ltd"},
                                           {"Phone", "555-0101"},
                                           {"Fax", "555-0102"},
                                           {"Email", "a@b.c"},
                                           {"Contact", "Pat O'Neil"},
                                           {"AltContact", "Sam"},
                                           {"AltPhone", "555-0103"},
                                           {"ResaleNumber", "R-1"},
                                           {"BillAddress/Addr1", "1 Main St"},
                                           {"BillAddress/Addr2", "Unit 2"},
                                           {"BillAddress/City", "Springfield"},
                                           {"BillAddress/State", "IL"},
                                           {"BillAddress/PostalCode", "62701"},
                                           {"ShipAddress/City", "Shelbyville"},
                                           {"TermsRef/FullName", "Net 30"},
                                           {"OpenBalance", "-150.25"}});
  fill_customersQB(ctx, listing);
  tickAll();
  f.ui.answers = {Answer::Yes};

  get_customers(ctx, listing);

  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text, "Import opening balances ?");
  EXPECT_EQ(f.ui.messages[0].icon, Icon::Question);
  EXPECT_EQ(f.ui.messages[0].title, "Confirm");
  EXPECT_EQ(state.grid.rows[0].cells[10], "Sent");
  EXPECT_EQ(state.grid.rows[0].foreColour, kSentRowColour);

  auto rows = f.db()->queryAll(
      "SELECT Link, Description, Tel, Fax, Email, Terms, Rep, Tax1, Industry, BAddress, "
      "SADdress, Contact, Tel2, TaxNumber, QBAccountNumber, DateCreated, Tax2, Origination FROM "
      "Customers");
  ASSERT_EQ(rows.rows.size(), 1u);
  // Terms mapped back through the snapshot; no rep, tax or type (-1).
  const std::string today = number_text(ole_today());
  EXPECT_EQ(rows.rows[0],
            (std::vector<Cell>{"1000", "O'Brien & <Sons> Ltd", "555-0101", "555-0102", "a@b.c", "7",
                               "-1", "-1", "-1", "1 Main St\r\nUnit 2\r\nSpringfield, IL 62701",
                               "Shelbyville,  ", "Pat O'Neil", "555-0103", "R-1",
                               "O'Brien & <Sons>", today, "-1", "-1"}));
  EXPECT_EQ(cell("SELECT NextCustLink FROM comp"), "1001");

  auto contacts =
      f.db()->queryAll("SELECT Customer, Name, MailList, Tel FROM CustContacts ORDER BY id");
  ASSERT_EQ(contacts.rows.size(), 2u);
  EXPECT_EQ(contacts.rows[0], (std::vector<Cell>{"1000", "Pat O'Neil", "0", ""}));
  EXPECT_EQ(contacts.rows[1][1], "Sam");

  auto post = f.db()->queryAll(
      "SELECT Customer, Date, Trans, Description, reference, rep, debit, credit, outstanding, "
      "notes FROM CustPost");
  EXPECT_EQ(post.rows, (std::vector<std::vector<Cell>>{
                           {"1000", today, "JNL", "Open Bal QB", "Import", "-1", "0", "150.25",
                            "150.25", "Bal B/F from QuickBooks After Customer Import"}}));

  // A second run skips the row: its Comment is filled.
  f.ui.answers = {Answer::Yes};
  get_customers(ctx, listing);
  EXPECT_EQ(count("SELECT COUNT(*) FROM Customers"), 1);
}

// Cancel stops the run before the next row; the next Run starts afresh and imports the rest.
// The progress bar moves on every row, ticked or not.
TEST_F(CustomerImportTest, ARunAfterCancelImportsTheRest) {
  for (const char* name : {"First", "Skipped", "Third"}) company.addCustomer(name);
  fill_customersQB(ctx, listing);
  ASSERT_EQ(state.grid.rows.size(), 3u);
  state.grid.rows[0].ticked = state.grid.rows[2].ticked = true;
  using Bar = std::pair<long, long>;  // value, maximum
  std::vector<Bar> progress;          // where the bar stood at each pause
  bool clickCancel = true;
  f.ui.onProcessEvents = [&] {
    progress.emplace_back(f.ui.progressValue, f.ui.progressMaximum);
    if (clickCancel && progress.size() == 2) state.cancelRequested = true;  // before row 2
  };
  f.ui.statuses.clear();
  get_customers(ctx, listing);
  EXPECT_EQ(state.grid.rows[0].cells[10], "Sent");
  EXPECT_EQ(state.grid.rows[2].cells[10], "");
  EXPECT_EQ(count("SELECT COUNT(*) FROM Customers"), 1);
  ASSERT_GE(f.ui.statuses.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(f.ui.statuses.begin(), f.ui.statuses.begin() + 2),
            (std::vector<std::string>{"Importing First", "Operation aborted by user."}));
  EXPECT_FALSE(state.busy);

  clickCancel = false;
  progress.clear();
  f.ui.statuses.clear();
  get_customers(ctx, listing);  // state.cancelRequested is still set from the first run
  EXPECT_EQ(state.grid.rows[0].cells[10], "Sent");
  EXPECT_EQ(state.grid.rows[1].cells[10], "");
  EXPECT_EQ(state.grid.rows[2].cells[10], "Sent");
  EXPECT_EQ(cell("SELECT group_concat(Description, ',') FROM Customers"), "First,Third");
  ASSERT_GE(f.ui.statuses.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(f.ui.statuses.begin(), f.ui.statuses.begin() + 2),
            (std::vector<std::string>{"Importing Third", "Operation completed"}));
  ASSERT_GE(progress.size(), 3u);
  EXPECT_EQ(std::vector<Bar>(progress.begin(), progress.begin() + 3),
            (std::vector<Bar>{{1, 3}, {2, 3}, {3, 3}}));
}

TEST_F(CustomerImportTest, NameStandsInForCompanyAndNoBalanceWithoutYes) {
  company.addCustomer("Solo", {{"BillAddress/Addr1", "Only Line"}, {"OpenBalance", "99.5"}});
  company.addCustomer("Unticked", {{"OpenBalance", "10"}});
  fill_customersQB(ctx, listing);
  state.grid.rows[0].ticked = true;
  f.ui.answers = {Answer::No};
  get_customers(ctx, listing);

  EXPECT_EQ(state.grid.rows[0].cells[10], "Sent");
  EXPECT_EQ(state.grid.rows[1].cells[10], "");
  EXPECT_EQ(cell("SELECT Description FROM Customers"), "Solo");
  EXPECT_EQ(cell("SELECT BAddress FROM Customers"), "Only Line");
  EXPECT_EQ(cell("SELECT SADdress FROM Customers"), "");
  EXPECT_EQ(count("SELECT COUNT(*) FROM CustPost"), 0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM CustContacts"), 0);
}

TEST_F(CustomerImportTest, PositiveBalanceIsADebitRoundedToCents) {
  company.addCustomer("Owes", {{"OpenBalance", "1234.5"}});
  fill_customersQB(ctx, listing);
  listing.importBalances = true;
  EXPECT_EQ(get_customer(ctx, listing, 0), "Sent");
  EXPECT_EQ(f.db()->queryAll("SELECT debit, credit, outstanding FROM CustPost").rows,
            (std::vector<std::vector<Cell>>{{"1234.5", "0", "1234.5"}}));
}

TEST_F(CustomerImportTest, CustomerAlreadyLinkedIsNotImportedAgain) {
  company.addCustomer("Twice & <Co>");
  fill_customersQB(ctx, listing);
  // Linked by its full name after the list was filled (by another window, say).
  f.db()->execute(
      "INSERT INTO Customers (Link, Description, QBAccountNumber) VALUES (5, 'x', 'Twice & <Co>')");
  state.grid.rows[0].ticked = true;
  f.ui.answers = {Answer::No};
  get_customers(ctx, listing);
  EXPECT_EQ(state.grid.rows[0].cells[10], kAlreadyImported);
  EXPECT_EQ(count("SELECT COUNT(*) FROM Customers"), 1);
  EXPECT_EQ(cell("SELECT NextCustLink FROM comp"), "1000") << "no Link is used up";
}

TEST_F(CustomerImportTest, MissingListingElementAndDatabaseErrors) {
  company.addCustomer("Gone");
  fill_customersQB(ctx, listing);
  state.grid.rows[0].cells[11] = "r_99";
  EXPECT_EQ(get_customer(ctx, listing, 0), "Cannot find customer record in XML");

  // Without a comp row nothing is written and the counter error is the result.
  state.grid.rows[0].cells[11] = "r_1";
  f.db()->execute("DELETE FROM comp");
  EXPECT_EQ(get_customer(ctx, listing, 0), "Error: 3021 No current record.");
  EXPECT_EQ(count("SELECT COUNT(*) FROM Customers"), 0);
}

TEST(CustomerImportDemo, DemoCustomersShowLinkedAndANewOneImports) {
  test::DemoFixture d;
  SimulatedCompany company(d.demo.companyFile);
  company.addCustomer("D'Arcy & <Kin>", {{"CompanyName", "D'Arcy & <Kin> Ltd"}});
  qb::Session session{company};
  qb::ComponentSet components{session};
  WorkState state;
  MappingSwitches switches;
  CustomerCheck customerCheck;
  MappingContext ctx{d.app, components, state, switches, customerCheck};
  ImportListing listing;
  fill_customersQB(ctx, listing);
  ASSERT_TRUE(d.ui.messages.empty()) << d.ui.texts().front();

  auto db = open_database(d.app.databasePath);
  const auto before = db->queryAll("SELECT NextCustLink FROM comp").rows.at(0).at(0).value_or("");
  std::size_t newRow = state.grid.rows.size();
  for (std::size_t i = 0; i < state.grid.rows.size(); ++i) {
    const WorkRow& row = state.grid.rows[i];
    const bool linked = !db->queryAll("SELECT id FROM Customers WHERE QBAccountNumber = '" +
                                      sql_quote(row.cells[7]) + "'")
                             .rows.empty();
    EXPECT_EQ(row.foreColour == kSentRowColour, linked) << row.cells[0];
    if (row.cells[0] == "D'Arcy & <Kin>") newRow = i;
  }
  ASSERT_LT(newRow, state.grid.rows.size());
  EXPECT_EQ(state.grid.rows[newRow].foreColour, -1);
  EXPECT_EQ(get_customer(ctx, listing, newRow), "Sent");
  auto added = db->queryAll(
      "SELECT Link, Description FROM Customers WHERE QBAccountNumber = 'D''Arcy & <Kin>'");
  ASSERT_EQ(added.rows.size(), 1u);
  EXPECT_EQ(added.rows[0][0], before);
  EXPECT_EQ(added.rows[0][1], "D'Arcy & <Kin> Ltd");
}

TEST(QbAddressText, BuildsLinesAndCityLine) {
  pugi::xml_document doc;
  doc.load_string(
      "<A><Addr1>1 Main</Addr1><Addr3>Back</Addr3><City>Town</City><PostalCode>9</PostalCode></A>");
  EXPECT_EQ(qb_address_text(doc.child("A")), "1 Main\r\nBack\r\nTown,  9");
  EXPECT_EQ(qb_address_text(doc.child("Missing")), "");
  pugi::xml_document empty;
  empty.load_string("<A/>");
  EXPECT_EQ(qb_address_text(empty.child("A")), "");
}

}  // namespace
}  // namespace vqb
