// The assign dialog's logic over the copies the loader window makes of a Vantora database
// and a simulated company.

#include "mapping/assign_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mapping/list_loader.h"
#include "mapping/validators.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/vantora_fixture.h"

namespace vqb {
namespace {

using qb::sim::Kind;
using qb::sim::SimulatedCompany;
using Rows = std::vector<AssignDialogLogic::Row>;

class AssignDialogTest : public ::testing::Test {
 protected:
  test::VantoraFixture vantora;
  test::FakeUi& ui = vantora.ui;
  App& app = vantora.app;
  SharedSlots& slots = app.sharedSlots;
  SimulatedCompany company =
      SimulatedCompany::create(vantora.dir.file("company.qbxml"), "Assign Co");
  qb::Session session{company};
  qb::ComponentSet components{session};
  WorkState state;
  MappingSwitches switches;
  CustomerCheck customerCheck;
  MappingContext ctx{app, components, state, switches, customerCheck};

  void SetUp() override {
    company.addVendor("Tax Agency");
    company.addSalesTaxItem("State", "5", "Tax Agency", {{"ItemDesc", "State tax"}});
    company.addSalesTaxItem("City", "3.25", "Tax Agency");
    company.addSalesTaxItem("Flat", "8.25", "Tax Agency", {{"ItemDesc", "Flat rate"}});
    company.addSalesTaxItem("Seven", "7", "Tax Agency");
    company.addSalesTaxGroup("Combined", {"State", "City"});
    company.addSalesTaxCode("Tax", true);
    company.addSalesTaxCode("Non", false);
    company.addSalesTaxCode("Out", true, {{"IsActive", "false"}});
    company.addEmployee("Jane", "Doe");
    company.addEmployee("Bob", "Old");
    company.addSalesRep("JD", "Jane Doe");
    company.addSalesRep("BO", "Bob Old", {{"IsActive", "false"}});
    company.addStandardTerms("Net 30", 30);
    company.addStandardTerms("Net 90", 90, {{"IsActive", "false"}});
    company.addDateDrivenTerms("15th", 15);
    company.addPaymentMethod("Visa");
    company.addPaymentMethod("Barter", {{"IsActive", "false"}});
    company.addCustomerType("Retail");
    company.addCustomerType("Shops", {{"ParentRef/FullName", "Retail"}});
    company.addClass("Retail");
    company.addClass("Old Shop", {{"IsActive", "false"}});
    company.addAccount("Checking", "Bank");
    company.addAccount("Savings", "Bank", {{"ParentRef/FullName", "Checking"}});

    auto db = vantora.db();
    db->execute(
        "INSERT INTO tax (Link, Description, Rate, QBLink) VALUES (1, 'Ohio', 8.25, 'Flat'), (2, "
        "'Exempt', 0, '')");
    db->execute(
        "INSERT INTO LineTax (Link, Code, Taxable, QuickBooks) VALUES (1, 'GST', 1, 'Tax'), (2, "
        "'EX', 0, '')");
    db->execute(
        "INSERT INTO Users (Link, FirstName, AllowSales, QuickBooks) VALUES (1, 'Jane', 1, 'JD'), "
        "(2, 'Admin', 0, ''), (3, 'Sam', 1, '')");
    db->execute(
        "INSERT INTO Terms (Link, Description, Hide, QuickBooks) VALUES (1, '30 days', 0, 'Net "
        "30'), (2, 'Old terms', 1, ''), (3, 'COD', NULL, '')");
    db->execute(
        "INSERT INTO SalesGroup (id, Code, QB, Hide) VALUES (1, 'EMB', 'Setup', 0), (2, 'OLD', '', "
        "1), (3, 'SCR', '', NULL)");
    db->execute(
        "INSERT INTO CustPaymentMethods (Link, Description, QuickBooks, QBLedger) VALUES (1, 'Visa "
        "card', 'Visa', 'Checking'), (2, 'Cash', '', '')");

    qb::Session loaderSession{company};
    ListLoader loader(app, [&]() -> qb::Session& { return loaderSession; });
    loader.Form_Load();
    ASSERT_TRUE(loader.pop_me());
    ASSERT_TRUE(ui.messages.empty()) << ui.messages.front().text;
  }

  // Opens the dialog as a check does: answer "", title, message, mode and parameter.
  AssignDialogLogic open(const std::string& mode, const std::string& parameter = "") {
    slots[0] = "";
    slots[1] = "Title";
    slots[2] = "Message";
    slots[3] = mode;
    slots[5] = parameter;
    return shown();
  }
  // The dialog over whatever the slots hold, as the running program shows it.
  AssignDialogLogic shown() {
    AssignDialogLogic dialog(app, components);
    dialog.Form_Load();
    dialog.fill_me();
    return dialog;
  }
};

TEST_F(AssignDialogTest, TaxItemsAreOfferedAtTheRequestedRateOnly) {
  AssignDialogLogic dialog = open("Tax Item QuickBooks", "8.250");
  EXPECT_EQ(dialog.rows(), (Rows{{"Flat", "Flat rate", "8.25", "Tax Item", "Flat"},
                                 {"Combined", "", "8.25", "Tax Group", "Combined"}}));
  EXPECT_EQ(dialog.columnLayout(),
            "0;1600;<;Code|1;2500;<;Description|2;1000;<;Rate|3;1000;<;Type|4;0;<;ID");
  EXPECT_EQ(dialog.columns().back(), (AssignColumn{4, 0, "<", "ID"}));
  EXPECT_EQ(dialog.valueColumn(), 4);
  EXPECT_EQ(dialog.selectedRow(), -1);
  EXPECT_EQ(dialog.focus(), AssignDialogLogic::Focus::DropDown);
  EXPECT_FALSE(dialog.updateIsDefault());
  dialog.selectRow(1);
  EXPECT_TRUE(dialog.cmdUpdate_Click());
  EXPECT_TRUE(dialog.closed());
  EXPECT_EQ(slots[0], "Combined");
}

TEST_F(AssignDialogTest, OneRowIsPreselectedAndUpdateIsTheDefault) {
  AssignDialogLogic dialog = open("Tax Item QuickBooks", "7");
  ASSERT_EQ(dialog.rows().size(), 1u);
  EXPECT_EQ(dialog.selectedRow(), 0);
  EXPECT_TRUE(dialog.updateIsDefault());
  EXPECT_EQ(dialog.focus(), AssignDialogLogic::Focus::None);
  EXPECT_TRUE(dialog.cmdUpdate_Click());
  EXPECT_EQ(slots[0], "Seven");
}

TEST_F(AssignDialogTest, EmptyListCannotBeConfirmed) {
  AssignDialogLogic dialog = open("Tax Item QuickBooks", "9");
  EXPECT_TRUE(dialog.rows().empty());
  EXPECT_FALSE(dialog.cmdUpdate_Click());
  EXPECT_FALSE(dialog.closed());
  EXPECT_EQ(slots[0], "");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Please select valid item from the drop down list.");
  EXPECT_EQ(ui.messages[0].title, "Error");
  EXPECT_EQ(ui.messages[0].icon, Icon::Information);
  EXPECT_EQ(dialog.focus(), AssignDialogLogic::Focus::DropDown);
}

TEST_F(AssignDialogTest, TaxCodesAreOfferedByTaxabilityAndActiveOnly) {
  AssignDialogLogic taxable = open("QuickBooks Tax Code", "1");
  EXPECT_EQ(taxable.rows(), (Rows{{"Tax", "Tax"}}));
  EXPECT_EQ(taxable.columnLayout(), "0;4800;<;Description|1;0;<;Link");
  AssignDialogLogic other = open("QuickBooks Tax Code", "0");
  EXPECT_EQ(other.rows(), (Rows{{"Non", "Non"}}));
  EXPECT_EQ(other.valueColumn(), 1);
}

TEST_F(AssignDialogTest, EveryListModeHasItsRowsColumnsAndValue) {
  struct Case {
    std::string mode;
    Rows rows;
    std::string layout;
    int value;
  };
  const std::vector<Case> cases = {
      {"Tax Item Vantora",
       {{"Ohio", "8.25", "1"}, {"Exempt", "0", "2"}},
       "0;2000;<;Description|1;1000;<;Rate|2;0;<;Link",
       2},
      {"Sales Rep Vantora", {{"Jane", "1"}, {"Sam", "3"}}, "0;2000;<;Description|1;0;<;Link", 1},
      {"Sales Rep QuickBooks", {{"Jane Doe", "JD"}}, "0;2500;<;Name|1;800;<;Initial", 1},
      {"Customer Terms Vantora",
       {{"30 days", "1"}, {"COD", "3"}},
       "0;2000;<;Description|1;0;<;Link",
       1},
      {"Customer Terms QuickBooks",
       {{"Net 30", "Net 30"}, {"15th", "15th"}},
       "0;1600;<;Description|1;0;<;Link",
       1},
      {"Sales Group Vantora",
       {{"EMB", "Setup"}, {"SCR", ""}},
       "0;2000;<;Description|1;200;<;QuickBooks Item",
       0},
      {"Tax Codes Vantora",
       {{"GST", "Tax", "1"}, {"EX", "", "2"}},
       "0;2000;<;Vantora Code|1;1000;<;QB Code|2;0;<;Link",
       2},
      {"Payment Method Vantora",
       {{"Visa card", "1"}, {"Cash", "2"}},
       "0;2000;<;Description|1;0;<;Link",
       1},
      {"Payment Method QuickBooks", {{"Visa", "Visa"}}, "0;2500;<;Desccription|1;0;<;Link", 1},
      {"QuickBooks Accounts",
       {{"Checking", "Checking"}, {"Savings", "Checking:Savings"}},
       "0;2300;<;Account Name|1;4000;<;Full Name",
       0},
      {"QuickBooks Customer Type",
       {{"Retail", "Retail"}, {"Shops", "Retail:Shops"}},
       "0;2500;<;Name|1;0;<;Initial",
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    AssignDialogLogic dialog = open(c.mode);
    EXPECT_EQ(dialog.rows(), c.rows);
    EXPECT_EQ(dialog.columnLayout(), c.layout);
    EXPECT_EQ(dialog.valueColumn(), c.value);
    EXPECT_TRUE(dialog.dropDownVisible());
    EXPECT_FALSE(dialog.textBoxVisible());
    EXPECT_FALSE(dialog.createButtonVisible());
    dialog.selectRow(static_cast<int>(c.rows.size()) - 1);
    EXPECT_TRUE(dialog.cmdUpdate_Click());
    EXPECT_EQ(slots[0], c.rows.back()[static_cast<std::size_t>(c.value)]);
  }
}

TEST_F(AssignDialogTest, ItemModesTakeFreeText) {
  for (const char* mode : {"QuickBooks Item", "QuickBooks Discount Item"}) {
    SCOPED_TRACE(mode);
    ui.messages.clear();
    AssignDialogLogic dialog = open(mode);
    EXPECT_FALSE(dialog.dropDownVisible());
    EXPECT_TRUE(dialog.textBoxVisible());
    EXPECT_EQ(dialog.focus(), AssignDialogLogic::Focus::TextBox);
    EXPECT_FALSE(dialog.cmdUpdate_Click());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Please select valid text in order to update.");
    EXPECT_EQ(ui.messages[0].title, "Error");
    dialog.setText("Setup:Art");
    EXPECT_TRUE(dialog.cmdUpdate_Click());
    EXPECT_EQ(slots[0], "Setup:Art");
  }
}

TEST_F(AssignDialogTest, ClassModeOffersActiveClassesAndCreatesTheNamedOne) {
  slots[400] = "ShowCreateButton";
  slots[401] = "Wholesale";
  AssignDialogLogic dialog = open("QuickBooks Class");
  EXPECT_EQ(dialog.rows(), (Rows{{"Retail"}}));
  EXPECT_EQ(dialog.valueColumn(), 0);
  ASSERT_TRUE(dialog.createButtonVisible());
  EXPECT_EQ(dialog.createButtonCaption(), "Create QuickBooks class called: Wholesale");
  EXPECT_TRUE(dialog.cmdCreate_Click());
  EXPECT_TRUE(dialog.closed());
  EXPECT_EQ(slots[0], "Wholesale");
  auto created = company.findByName(Kind::Class, "Wholesale");
  ASSERT_TRUE(created);
  EXPECT_TRUE(created->active);
}

TEST_F(AssignDialogTest, ClassCreationLimits) {
  // No create button: the click does nothing.
  slots[400] = "";
  slots[401] = "Wholesale";
  AssignDialogLogic hidden = open("QuickBooks Class");
  EXPECT_FALSE(hidden.createButtonVisible());
  EXPECT_FALSE(hidden.cmdCreate_Click());

  // No name to create.
  slots[400] = "ShowCreateButton";
  slots[401] = "";
  AssignDialogLogic unnamed = open("QuickBooks Class");
  EXPECT_FALSE(unnamed.cmdCreate_Click());
  EXPECT_FALSE(unnamed.closed());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "No class id specified. Please select another Class id from the drop down list");
  EXPECT_EQ(ui.messages[0].buttons, Buttons::Ok);
  EXPECT_EQ(ui.messages[0].title, "");

  // QuickBooks refuses a name in use: reported, nothing returned, the dialog stays open.
  slots[401] = "Old Shop";
  AssignDialogLogic taken = open("QuickBooks Class");
  EXPECT_FALSE(taken.cmdCreate_Click());
  EXPECT_FALSE(taken.closed());
  EXPECT_EQ(slots[0], "");
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].title, "Application Error");
  EXPECT_NE(ui.messages[1].text.find("Module: frmAssign\r\nProcedure: cmdCreate_Click"),
            std::string::npos);
  EXPECT_NE(ui.messages[1].text.find("(20806)"), std::string::npos) << ui.messages[1].text;

  EXPECT_EQ(company.list(Kind::Class).size(), 2u);
}

TEST_F(AssignDialogTest, CancelLeavesTheAnswerEmpty) {
  AssignDialogLogic dialog = open("Sales Rep Vantora");
  dialog.selectRow(0);
  dialog.cancel();
  EXPECT_TRUE(dialog.closed());
  EXPECT_EQ(slots[0], "");
}

TEST_F(AssignDialogTest, MessageLinesMoveTheDropDownDown) {
  EXPECT_EQ(AssignDialogLogic::message_lines(""), 1);
  EXPECT_EQ(AssignDialogLogic::message_lines(std::string(79, 'x')), 1);
  EXPECT_EQ(AssignDialogLogic::message_lines(std::string(80, 'x')), 2);
  EXPECT_EQ(AssignDialogLogic::message_lines("a\r\nb\r\n\r\nc"), 4);
  // Characters, not bytes: 80 accented letters are one run.
  std::string accented;
  for (int i = 0; i < 80; ++i) accented += "\xC3\xA9";
  EXPECT_EQ(AssignDialogLogic::message_lines(accented), 2);

  slots[2] = std::string(200, 'x');
  AssignDialogLogic dialog(app, components);
  dialog.Form_Load();
  EXPECT_EQ(dialog.dropDownOffset(), 690);
  EXPECT_EQ(AssignDialogLogic::centred(100, 1000, 400), 400);
}

// The checks and the dialog together, as the running program plays them.
TEST_F(AssignDialogTest, TaxItemCheckOffersItemsAtTheVantoraRateAndStoresThePick) {
  std::vector<Rows> offered;
  ui.onDialog = [&](DialogKind, const std::string&) {
    AssignDialogLogic dialog = shown();
    offered.push_back(dialog.rows());
    dialog.selectRow(1);
    dialog.cmdUpdate_Click();
  };
  // Ohio (8.25) mapped to the 7% item.
  vantora.db()->execute("UPDATE tax SET QBLink = 'Seven' WHERE Link = 1");
  app.taxSnapshot.MoveToRoot();
  app.taxSnapshot.MoveToChild("record1");
  app.taxSnapshot.SetChildValue("qblink", "Seven");

  EXPECT_TRUE(validate_taxItemQB(ctx, 1));
  ASSERT_EQ(offered.size(), 1u);
  EXPECT_EQ(offered[0].size(), 2u);
  EXPECT_EQ(slots[50], "Combined");
  auto rows = vantora.db()->queryAll("SELECT QBLink FROM tax WHERE Link = 1").rows;
  EXPECT_EQ(*rows[0][0], "Combined");
}

TEST_F(AssignDialogTest, ClassCheckCreatesTheMissingClassThroughTheDialog) {
  ui.onDialog = [&](DialogKind, const std::string&) { shown().cmdCreate_Click(); };
  EXPECT_TRUE(validate_ClassQB(ctx, "Trade"));
  EXPECT_EQ(slots[51], "Trade");
  EXPECT_EQ(slots[400], "");
  EXPECT_TRUE(company.findByName(Kind::Class, "Trade"));
}

}  // namespace
}  // namespace vqb
