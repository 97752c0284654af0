// Customer export against the demo company: name checks, mappings, addresses, link-back.

#include "export/customer_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/database.h"
#include "app/startup.h"
#include "app/text_helpers.h"
#include "main_window/main_window_logic.h"
#include "main_window/work_lists.h"
#include "mapping/list_loader.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/connected_demo.h"

namespace vqb {
namespace {

using qb::sim::Kind;
using qb::sim::SimulatedCompany;

const std::string kCrlf = "\r\n";

class CustomerExportTest : public ::testing::Test, protected test::ConnectedDemoFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(connected);
    mappingsOff();
  }
  void mappingsOff() {
    MappingSwitches& s = logic->switches;
    s.useCustomerGroups = s.useSalesTax = s.useCustomerTerms = s.useReps = false;
  }
  // A customer row of our own, with no codes and no addresses unless set afterwards.
  void addCustomer(long link, const std::string& description) {
    run("INSERT INTO Customers (Link, Description, Tel, BAddress, SAddress, QBAccountNumber) "
        "VALUES (" +
        std::to_string(link) + ", '" + sql_quote(description) + "', '555-0100', '', '', '')");
  }
  std::string send(long link) { return send_Customer(*ctx, link); }
};

TEST_F(CustomerExportTest, ANameWithQuotesAndMarkupArrivesIntactAndIsLinkedBack) {
  // The demo's own O'Brien row is already in QuickBooks; this one is a new branch of it.
  const std::string name = "O'Brien & Sons <West> Annex";
  addCustomer(900000, name);
  run("UPDATE Customers SET BAddress = '12 Main St' || char(13) || char(10) || 'Springfield, IL "
      "62701', Email = 'a@b.example', Contact = 'Sean O''Brien' WHERE Link = 900000");
  EXPECT_EQ(send(900000), "Success");
  auto entry = company().findByName(Kind::Customer, name);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->value("CompanyName"), name);
  EXPECT_EQ(entry->value("Phone"), "555-0100");
  EXPECT_EQ(entry->value("Contact"), "Sean O'Brien");
  EXPECT_EQ(entry->value("BillAddress/Addr1"), "12 Main St");
  EXPECT_EQ(entry->value("BillAddress/City"), "Springfield");
  EXPECT_EQ(entry->value("BillAddress/State"), "IL");
  EXPECT_EQ(entry->value("ShipAddress/Addr1"), "");
  EXPECT_TRUE(sawRequest("<Name>O'Brien &amp; Sons &lt;West&gt; Annex</Name>"));
  EXPECT_EQ(first("SELECT QBAccountNumber FROM Customers WHERE Link = 900000"), name);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CustomerExportTest, MissingRowsAndUnreadableTablesSaySo) {
  EXPECT_EQ(send(987654), "Export customer. Cannot find customer id: 987654 in Vantora.");
  run("ALTER TABLE Customers RENAME TO CustomersGone");
  EXPECT_EQ(send(987654), "Export customer. Unable to read data from company database.");
}

TEST_F(CustomerExportTest, A41CharacterNameAsksUntilItFitsAnd40Passes) {
  const std::string forty(40, 'A');
  const std::string longName = forty + "B";
  addCustomer(900001, longName);
  ui.inputs = {std::string(45, 'C'), "Short Name Co"};
  EXPECT_EQ(send(900001), "Success");
  ASSERT_EQ(ui.prompts.size(), 2u);
  EXPECT_EQ(ui.prompts[0],
            "The customer name " + longName +
                " is more than 40 characters long and cannot be sent to QuickBooks." + kCrlf +
                "Please enter another customer name that is less than 40 characters." + kCrlf +
                "PLEASE NOTE: In QuickBooks there is a difference between 'Customer Name' and "
                "'Company Name'. No matter what 'Customer Name' you specify, Vantora will still "
                "export the 'Company Name' as " +
                longName);
  EXPECT_NE(ui.prompts[1].find("The customer name " + std::string(45, 'C') + " is more"),
            std::string::npos);
  auto entry = company().findByName(Kind::Customer, "Short Name Co");
  ASSERT_TRUE(entry);
  EXPECT_EQ(first("SELECT QBAccountNumber FROM Customers WHERE Link = 900001"), "Short Name Co");

  addCustomer(900002, forty);
  ui.prompts.clear();
  EXPECT_EQ(send(900002), "Success");
  EXPECT_TRUE(ui.prompts.empty());

  addCustomer(900003, longName + "X");
  EXPECT_EQ(send(900003),
            "No customer name specified. Unable to create a new customer in QuickBooks.");
}

TEST_F(CustomerExportTest, AnExistingCustomerIsLinkedRenamedOrLeft) {
  company().addCustomer("Taken O'Hara");
  addCustomer(900010, "Taken O'Hara");
  ui.answers = {Answer::Yes};
  EXPECT_EQ(send(900010), "Success");
  EXPECT_EQ(ui.messages.at(0).text,
            "A customer called, Taken O'Hara, already exists in QuickBooks." + kCrlf +
                "Click 'YES' to link this Vantora customer to the one in QuickBooks." + kCrlf +
                "Click 'No' to specify another customer name." + kCrlf +
                "Click 'Cancel' if you DON'T want to send this customer to QuickBooks at this "
                "time.");
  EXPECT_EQ(ui.messages[0].buttons, Buttons::YesNoCancel);
  EXPECT_EQ(ui.messages[0].title, "Please Select");
  EXPECT_EQ(first("SELECT QBAccountNumber FROM Customers WHERE Link = 900010"), "Taken O'Hara");
  EXPECT_FALSE(sawRequest("<CustomerAddRq")) << "linking creates nothing";

  addCustomer(900011, "Taken O'Hara");
  ui.answers = {Answer::No};
  ui.inputs = {"Fresh O'Hara"};
  EXPECT_EQ(send(900011), "Success");
  EXPECT_EQ(ui.prompts.back(), "Please enter another customer name that is not in QuickBooks.");
  EXPECT_TRUE(company().findByName(Kind::Customer, "Fresh O'Hara"));

  addCustomer(900012, "Taken O'Hara");
  ui.answers = {Answer::No};
  EXPECT_EQ(send(900012), "User selected not to send customer.");
  ui.answers = {Answer::Cancel};
  EXPECT_EQ(send(900012), "User selected not to send customer.");
  EXPECT_EQ(first("SELECT QBAccountNumber FROM Customers WHERE Link = 900012"), "");
}

TEST_F(CustomerExportTest, AVendorOrEmployeeNameCanOnlyBeReplaced) {
  company().addVendor("Shared Name");
  company().addEmployee("Pat", "Lee");
  addCustomer(900020, "Shared Name");
  ui.answers = {Answer::Ok, Answer::Ok};
  ui.inputs = {"Pat Lee", "Pat Lee Customer"};
  EXPECT_EQ(send(900020), "Success");
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(
      ui.messages[0].text,
      "A vendor called, Shared Name, already exists in QuickBooks." + kCrlf +
          "QuickBooks will not accept a customer and vendor with the same name." + kCrlf +
          "Click 'OK' to specify another customer name." + kCrlf +
          "Click 'Cancel' if you DON'T want to send this customer to QuickBooks at this time.");
  EXPECT_EQ(ui.messages[0].buttons, Buttons::OkCancel);
  EXPECT_EQ(ui.messages[0].icon, Icon::Information);
  EXPECT_EQ(
      ui.messages[1].text.rfind(
          "An employee called, Pat Lee, already exists in QuickBooks." + kCrlf +
              "QuickBooks will not accept a customer and employee with the same name." + kCrlf,
          0),
      0u)
      << ui.messages[1].text;
  EXPECT_EQ(first("SELECT QBAccountNumber FROM Customers WHERE Link = 900020"), "Pat Lee Customer");

  addCustomer(900021, "Shared Name");
  ui.answers = {Answer::Cancel};
  EXPECT_EQ(send(900021), "User selected not to send customer.");
}

TEST_F(CustomerExportTest, NameInUseAtTheAddOffersTheSameChoice) {
  addCustomer(900030, "Racing Name");
  // Someone else creates the name between the check and the add.
  company().failRequest("CustomerAddRq", 3100,
                        "The name \"Racing Name\" of the list element is already in use.");
  ui.answers = {Answer::Yes};
  EXPECT_EQ(send(900030), "Success");
  EXPECT_EQ(ui.messages.at(0).text.substr(0, 57),
            "A customer called, Racing Name, already exists in QuickBo");
  EXPECT_EQ(first("SELECT QBAccountNumber FROM Customers WHERE Link = 900030"), "Racing Name");

  ui.answers = {Answer::Cancel};
  EXPECT_EQ(send(900030), "Duplicate customer name. Unable to create new customer in QuickBooks.");
  ui.answers = {Answer::No};
  EXPECT_EQ(send(900030),
            "No customer name specified. Unable to create a new customer in QuickBooks.");

  company().failRequest("CustomerAddRq", 3070, "The string is too long.");
  EXPECT_EQ(send(900030),
            "Could not export customer: " + kCrlf + "Error: 3070 - The string is too long.");
}

TEST_F(CustomerExportTest, ALinkBackThatFailsSaysTheCustomerIsInQuickBooks) {
  addCustomer(900040, "Stuck Link Co");
  addCustomer(900041, "Racing Stuck Co");
  run("CREATE TRIGGER refuse_link BEFORE UPDATE OF QBAccountNumber ON Customers BEGIN SELECT "
      "RAISE(ABORT, 'the table is locked'); END");
  EXPECT_EQ(send(900040),
            "Customer exported but could not update Vantora database. The integrator will mark "
            "it as sent when it next connects to QuickBooks.");
  EXPECT_TRUE(company().findByName(Kind::Customer, "Stuck Link Co").has_value());
  ui.answers = {Answer::Yes};  // link to the one now in QuickBooks
  EXPECT_EQ(send(900040), "Customer sent to QuickBooks but could not update Vantora database.");

  company().failRequest("CustomerAddRq", 3100,
                        "The name \"Racing Stuck Co\" of the list element is already in use.");
  ui.answers = {Answer::Yes};
  EXPECT_EQ(send(900041), "Could not update Vantora database.");
  EXPECT_EQ(first("SELECT QBAccountNumber FROM Customers WHERE Link = 900041"), "");
}

TEST_F(CustomerExportTest, ACompanyNameLongerThanQuickBooksTakesIsCut) {
  const std::string longName =
      "Northern Alberta Regional Minor Hockey Association";  // 50 characters
  addCustomer(900050, longName);
  ui.inputs = {"Northern Alberta Minor Hockey"};
  EXPECT_EQ(send(900050), "Success");
  auto entry = company().findByName(Kind::Customer, "Northern Alberta Minor Hockey");
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->value("CompanyName"), longName.substr(0, 41));
}

TEST_F(CustomerExportTest, SwitchedOffMappingsAreNeitherCheckedNorSent) {
  addCustomer(900040, "No Rep Co");
  run("UPDATE Customers SET Rep = 999999, Tax1 = 999999, Terms = 999999, Industry = 999999 "
      "WHERE Link = 900040");
  EXPECT_EQ(send(900040), "Success");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.dialogs.empty());
  EXPECT_FALSE(sawRequest("<SalesRepRef>"));

  logic->switches.useReps = true;
  addCustomer(900041, "Bad Rep Co");
  run("UPDATE Customers SET Rep = 999999 WHERE Link = 900041");
  ui.answers = {Answer::No};
  EXPECT_EQ(send(900041),
            "Vantora sales rep does not exist. User selected to not export customer.");
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().text,
            "There is no valid sales rep associated with this customer in Vantora. Do you want "
            "to continue sending this customer to QuickBooks?");
  EXPECT_EQ(ui.messages.back().title, "Confirm");
  ui.answers = {Answer::Yes};
  EXPECT_EQ(send(900041), "Success");

  logic->switches.useSalesTax = true;
  addCustomer(900042, "Bad Tax Co");
  run("UPDATE Customers SET Tax1 = 999999 WHERE Link = 900042");
  EXPECT_EQ(send(900042), "Vantora tax type does not exist. Customer not exported.");
  logic->switches.useSalesTax = false;
  logic->switches.useCustomerTerms = true;
  EXPECT_EQ(send(900042), "Vantora terms does not exist. Customer not exported.");
}

TEST_F(CustomerExportTest, MappedCodesOfAnExportedCustomerAreSent) {
  std::string source = first(
      "SELECT Link FROM Customers WHERE QBAccountNumber <> '' AND Tax1 > 0 AND Terms > 0 AND "
      "Rep > 0 LIMIT 1");
  ASSERT_FALSE(source.empty()) << "the demo has an exported customer with all codes";
  addCustomer(900050, "Mapped Codes Co");
  run("UPDATE Customers SET (Tax1, Terms, Rep, Industry) = (SELECT Tax1, Terms, Rep, Industry "
      "FROM Customers WHERE Link = " +
      source + ") WHERE Link = 900050");
  logic->switches.useSalesTax = logic->switches.useCustomerTerms = logic->switches.useReps = true;
  ui.answers = {Answer::Yes};  // a rep that is not mapped is skipped
  EXPECT_EQ(send(900050), "Success");
  auto entry = company().findByName(Kind::Customer, "Mapped Codes Co");
  ASSERT_TRUE(entry);
  EXPECT_FALSE(entry->value("ItemSalesTaxRef/FullName").empty());
  EXPECT_FALSE(entry->value("TermsRef/FullName").empty());
}

TEST_F(CustomerExportTest, ATaxChosenInTheAssignDialogIsStoredAndSent) {
  std::string tax = first("SELECT Link FROM tax WHERE QBLink <> '' LIMIT 1");
  ASSERT_FALSE(tax.empty());
  addCustomer(900055, "Chosen Tax Co");
  run("UPDATE Customers SET Tax1 = 999999 WHERE Link = 900055");
  logic->switches.useSalesTax = true;
  ui.onDialog = [&](DialogKind kind, const std::string&) {
    if (kind == DialogKind::Assign) app.sharedSlots[0] = tax;
  };
  EXPECT_EQ(send(900055), "Success");
  EXPECT_EQ(first("SELECT Tax1 FROM Customers WHERE Link = 900055"), tax);
  EXPECT_TRUE(sawRequest("<ItemSalesTaxRef>"));
}

TEST_F(CustomerExportTest, AMappedCustomerGroupIsShownAndSentAsTheType) {
  std::string group = first("SELECT Link FROM CustIndustry WHERE QuickBooks <> '' LIMIT 1");
  ASSERT_FALSE(group.empty());
  logic->switches.useCustomerGroups = true;
  addCustomer(900056, "Grouped Co");
  run("UPDATE Customers SET Industry = " + group + " WHERE Link = 900056");
  EXPECT_EQ(send(900056), "Success");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text.rfind("Customer group = ", 0), 0u);
  EXPECT_EQ(ui.messages[0].buttons, Buttons::Ok);
  EXPECT_EQ(ui.messages[0].icon, Icon::None);
  const std::string type = ui.messages[0].text.substr(17);
  EXPECT_EQ(company().findByName(Kind::Customer, "Grouped Co")->value("CustomerTypeRef/FullName"),
            type);

  addCustomer(900057, "Ungrouped Co");
  ui.messages.clear();
  EXPECT_EQ(send(900057), "Success") << "no group: nothing to map";
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CustomerExportTest, AddressesAreSplitOnlyWhenGiven) {
  addCustomer(900060, "No Address Co");
  app.sharedSlots[200] = "untouched";
  EXPECT_EQ(send(900060), "Success");
  EXPECT_EQ(app.sharedSlots[200], "untouched") << "parse_address never ran";
  EXPECT_FALSE(sawRequest("<BillAddress>"));
  EXPECT_FALSE(sawRequest("<ShipAddress>"));

  addCustomer(900061, "Unparsable Co");
  run("UPDATE Customers SET SAddress = 'QQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQ"
      "' WHERE Link = 900061");
  // The dialog opens and is cancelled.
  EXPECT_EQ(send(900061), "Could not parse ship to address. Customer not exported.");
  EXPECT_FALSE(company().findByName(Kind::Customer, "Unparsable Co"));
}

TEST_F(CustomerExportTest, TheLoopSendsTickedUnansweredRowsAndStopsOnCancel) {
  addCustomer(900070, "Loop One");
  addCustomer(900071, "Loop Two");
  addCustomer(900072, "Loop Three");
  WorkList& grid = logic->state.grid;
  grid.clear();
  grid.headers = {"Company", "Phone", "Select", "Comment", ""};
  grid.tickColumn = 2;
  auto row = [](const std::string& name, const std::string& link, bool ticked,
                const std::string& result) {
    WorkRow r;
    r.cells = {name, "", "", link, result};
    r.ticked = ticked;
    return r;
  };
  grid.rows = {row("Loop One", "900070", true, ""), row("Loop Two", "900071", false, ""),
               row("Loop Three", "900072", true, "Success"), row("Missing", "987000", true, "")};
  std::vector<int> current;  // the grid's current row each time it moves on
  ui.onProcessEvents = [&] {
    if (current.empty() || current.back() != grid.currentRow) current.push_back(grid.currentRow);
  };
  send_Customers(*ctx);
  EXPECT_EQ(current, (std::vector<int>{0, 3})) << "each row sent becomes current, in order";
  EXPECT_EQ(grid.rows[0].cells[4], "Success");
  EXPECT_EQ(grid.rows[1].cells[4], "");
  EXPECT_EQ(grid.rows[2].cells[4], "Success");
  EXPECT_EQ(grid.rows[3].cells[4], "Export customer. Cannot find customer id: 987000 in Vantora.");
  EXPECT_FALSE(company().findByName(Kind::Customer, "Loop Three"))
      << "a row with a result is skipped";
  EXPECT_EQ(ui.statuses.at(ui.statuses.size() - 1), "Operation completed");
  EXPECT_NE(std::find(ui.statuses.begin(), ui.statuses.end(), "Sending Loop One"),
            ui.statuses.end());

  grid.rows[1].ticked = true;
  grid.rows[3].cells[4] = "";
  ui.onProcessEvents = [this] { logic->state.cancelRequested = true; };
  send_Customers(*ctx);
  EXPECT_EQ(ui.status, "Operation aborted by user.");
  EXPECT_EQ(grid.rows[1].cells[4], "Success") << "the row under way finishes";
  EXPECT_EQ(grid.rows[3].cells[4], "");
}

}  // namespace
}  // namespace vqb
