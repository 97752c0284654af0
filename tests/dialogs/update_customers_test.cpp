// The update-customers tool: its list, the Select toggle, the options, the run with its
// status, colours and Cancel, and what reaches QuickBooks; and upd_customer.

#include "dialogs/update_customers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mapping/customer_update.h"
#include "support/sim_fixture.h"

namespace vqb {
namespace {

using namespace update_columns;
using qb::sim::Kind;

class UpdateCustomersTest : public ::testing::Test, protected test::SimCompanyFixture {
 protected:
  std::vector<std::string> requests;
  UpdateCustomersLogic tool{f.app, [this]() -> qb::ComponentSet& { return components; }};

  void SetUp() override {
    session.setObserver(
        [this](const std::string& request, const std::string&) { requests.push_back(request); });
    company.addCustomerType("Retail");
    company.addCustomer("Acme QB", {{"CompanyName", "Acme Old"}, {"Phone", "555-0000"}});
    company.addCustomer("Brown QB", {{"CustomerTypeRef/FullName", "Retail"}});
    auto db = f.db();
    db->execute(
        "INSERT INTO CustIndustry (Link, Description, QuickBooks) VALUES (4, 'Shops', 'Retail'), "
        "(5, 'Other', '')");
    // Inserted out of order: the list is by description.
    db->execute(
        "INSERT INTO Customers (Link, Description, Tel, Email, Fax, Industry, QBAccountNumber) "
        "VALUES (31, 'Brown & Sons', '555-0031', 'b@b.c', '555-9031', 5, 'Brown QB'), (30, "
        "'Acme', '555-0030', 'a@a.c', '555-9030', 4, 'Acme QB')");
    db->execute(
        "INSERT INTO Customers (Link, Description, Tel, QBAccountNumber) VALUES (32, 'Gone', "
        "'555-0032', 'Not In QB')");
    db->execute(
        "INSERT INTO Customers (Link, Description, QBAccountNumber) VALUES (33, "
        "'Unlinked', '')");
    tool.Form_Load();
  }
  qb::sim::Entry qb(const std::string& name) { return *company.findByName(Kind::Customer, name); }
  std::vector<long> colours() const {
    std::vector<long> result;
    for (const auto& row : tool.grid.rows) result.push_back(row.backColour);
    return result;
  }
  std::vector<std::string> mods() const {
    std::vector<std::string> result;
    for (const auto& request : requests)
      if (request.find("<CustomerModRq") != std::string::npos) result.push_back(request);
    return result;
  }
};

TEST_F(UpdateCustomersTest, ListsTheLinkedCustomersByDescriptionAllTicked) {
  EXPECT_EQ(tool.grid.headers,
            (std::vector<std::string>{"Company Name", "Phone", "Email", "Group", "Link", "Select",
                                      "QBAccountNumber", "Fax", "Comment"}));
  EXPECT_EQ(tool.grid.tickColumn, 5);
  ASSERT_EQ(tool.grid.rows.size(), 3u);
  EXPECT_EQ(tool.grid.rows[0].cells,
            (std::vector<std::string>{"Acme", "555-0030", "a@a.c", "Retail", "30", "", "Acme QB",
                                      "555-9030", ""}));
  EXPECT_EQ(tool.grid.rows[1].cells[kGroup], "");  // the group has no QuickBooks type
  EXPECT_EQ(tool.grid.rows[2].cells[kGroup], "");  // no group
  for (const auto& row : tool.grid.rows) EXPECT_TRUE(row.ticked);

  // Select alternates, starting by unticking what the load ticked.
  for (bool expected : {false, true, false}) {
    tool.TB2_ButtonClick("Select");
    for (const auto& row : tool.grid.rows) EXPECT_EQ(row.ticked, expected);
  }
}

TEST_F(UpdateCustomersTest, RunWithoutAnOptionOnlySaysSo) {
  tool.TB2_ButtonClick("Run");
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text,
            "You need to select at least one option from the check boxes above");
  EXPECT_EQ(f.ui.messages[0].icon, Icon::Information);
  EXPECT_EQ(f.ui.messages[0].title, "Error");
  EXPECT_TRUE(requests.empty());
  EXPECT_EQ(colours(), (std::vector<long>{-1, -1, -1}));
}

// Every option: the ticked fields go over, green rows for QuickBooks' yes, red for an
// unknown QuickBooks name; unticked rows are left alone.
TEST_F(UpdateCustomersTest, RunCopiesTheTickedFieldsAndColoursEachRow) {
  tool.chkC = tool.chkP = tool.chkE = tool.chkF = tool.chkG = true;
  tool.grid.rows[1].ticked = false;
  const auto before = qb("Acme QB");
  tool.TB2_ButtonClick("Run");

  EXPECT_EQ(colours(), (std::vector<long>{kUpdatedRowColour, -1, kFailedRowColour}));
  EXPECT_EQ(tool.status, "Updating 3 of 3");
  EXPECT_FALSE(tool.busy);
  const auto sent = mods();
  ASSERT_EQ(sent.size(), 1u);
  const std::size_t from = sent[0].find("<CustomerMod>");
  const std::size_t to = sent[0].find("</CustomerMod>") + 14;
  ASSERT_NE(from, std::string::npos) << sent[0];
  EXPECT_EQ(sent[0].substr(from, to - from),
            "<CustomerMod><ListID>" + before.id + "</ListID><EditSequence>" + before.editSequence +
                "</EditSequence><CompanyName>Acme</CompanyName><Phone>555-0030</Phone>"
                "<Fax>555-9030</Fax><Email>a@a.c</Email><CustomerTypeRef><FullName>Retail"
                "</FullName></CustomerTypeRef></CustomerMod>");
  const auto acme = qb("Acme QB");
  EXPECT_EQ(acme.value("CompanyName"), "Acme");
  EXPECT_EQ(acme.value("CustomerTypeRef/FullName"), "Retail");
  EXPECT_TRUE(f.ui.messages.empty());
}

// "Group" alone on a customer whose group has no QuickBooks type: the update is still made,
// and changes nothing.
TEST_F(UpdateCustomersTest, GroupOnlyWithoutAGroupStillUpdatesAndChangesNothing) {
  tool.chkG = true;
  tool.grid.rows[0].ticked = tool.grid.rows[2].ticked = false;
  const auto before = qb("Brown QB");
  tool.TB2_ButtonClick("Run");

  const auto after = qb("Brown QB");
  EXPECT_EQ(colours(), (std::vector<long>{-1, kUpdatedRowColour, -1}));
  ASSERT_EQ(mods().size(), 1u);
  EXPECT_NE(
      mods()[0].find("<EditSequence>" + before.editSequence + "</EditSequence></CustomerMod>"),
      std::string::npos)
      << mods()[0];
  EXPECT_NE(after.editSequence, before.editSequence);
  EXPECT_EQ(after.value("CustomerTypeRef/FullName"), "Retail");
  EXPECT_EQ(after.value("CompanyName"), before.value("CompanyName"));
}

// Texts longer than QuickBooks takes are cut (by characters, not bytes) and the row says so;
// it stays green. A row QuickBooks refused says why.
TEST_F(UpdateCustomersTest, OverlongFieldsAreCutAndTheRowSaysSo) {
  const std::string company = "Acme Société Générale des Brodeurs de Montréal";
  f.db()->execute("UPDATE Customers SET Description = '" + company +
                  "', Tel = '555-0030 extension 1234', Fax = '555-9030 extension 5678' WHERE "
                  "Link = 30");
  tool.load_customers();
  tool.chkC = tool.chkP = tool.chkF = true;
  tool.grid.rows[2].ticked = false;  // "Gone": ticked below on its own
  tool.TB2_ButtonClick("Run");

  EXPECT_EQ(colours(), (std::vector<long>{kUpdatedRowColour, kUpdatedRowColour, -1}));
  EXPECT_EQ(tool.grid.rows[0].cells[kComment],
            "Updated. The company name was cut to the 41 characters QuickBooks takes. The phone "
            "and fax were cut to the 21 characters QuickBooks takes.");
  EXPECT_EQ(tool.grid.rows[1].cells[kComment], "Updated");
  const auto acme = qb("Acme QB");
  EXPECT_EQ(acme.value("CompanyName"), "Acme Société Générale des Brodeurs de Mon");
  EXPECT_EQ(acme.value("Phone"), "555-0030 extension 12");
  EXPECT_EQ(acme.value("Fax"), "555-9030 extension 56");

  for (auto& row : tool.grid.rows) row.ticked = &row == &tool.grid.rows[2];
  tool.TB2_ButtonClick("Run");
  EXPECT_EQ(tool.grid.rows[2].backColour, kFailedRowColour);
  EXPECT_EQ(tool.grid.rows[2].cells[kComment],
            "1 - A query request did not find a matching object in QuickBooks");
  EXPECT_EQ(tool.grid.rows[0].cells[kComment].rfind("Updated.", 0), 0u);  // left as it was
}

TEST_F(UpdateCustomersTest, CancelStopsBeforeTheNextRow) {
  tool.chkP = true;
  std::vector<std::string> seen;
  f.ui.onProcessEvents = [&] {
    seen.push_back(tool.status);
    if (seen.size() == 2) tool.TB2_ButtonClick("Cancel");
  };
  tool.TB2_ButtonClick("Run");

  EXPECT_EQ(seen, (std::vector<std::string>{"Updating 1 of 3", "Updating 2 of 3"}));
  EXPECT_EQ(tool.status, "Cancelled by user");
  EXPECT_EQ(colours(), (std::vector<long>{kUpdatedRowColour, -1, -1}));
  EXPECT_EQ(qb("Acme QB").value("Phone"), "555-0030");
  EXPECT_EQ(qb("Brown QB").value("Phone"), "");
  EXPECT_FALSE(tool.busy);

  // The next run is not stopped by the Cancel of the last one.
  f.ui.onProcessEvents = nullptr;
  tool.TB2_ButtonClick("Run");
  EXPECT_EQ(colours(), (std::vector<long>{kUpdatedRowColour, kUpdatedRowColour, kFailedRowColour}));
}

TEST_F(UpdateCustomersTest, UpdCustomerSetsTheRepOrSaysItCouldNot) {
  company.addSalesRep("JD", company.addEmployee("John", "Doe").name);
  EXPECT_TRUE(upd_customer(ctx, "Acme QB", "JD"));
  EXPECT_EQ(qb("Acme QB").value("SalesRepRef/FullName"), "JD");
  EXPECT_TRUE(f.ui.messages.empty());

  for (const auto& [name, rep] :
       std::vector<std::pair<std::string, std::string>>{{"Not In QB", "JD"}, {"Acme QB", "XX"}}) {
    f.ui.messages.clear();
    EXPECT_FALSE(upd_customer(ctx, name, rep)) << name << " " << rep;
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].text, "Could not update customer in QuickBooks");
    EXPECT_EQ(f.ui.messages[0].icon, Icon::Information);
    EXPECT_EQ(f.ui.messages[0].title, "Error");
  }
  EXPECT_EQ(qb("Acme QB").value("SalesRepRef/FullName"), "JD");
}

}  // namespace
}  // namespace vqb
