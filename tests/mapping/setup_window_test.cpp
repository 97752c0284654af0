// The setup window's logic on the demo against the simulated company, and its SQL batch.

#include "mapping/setup_window.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "app/database.h"
#include "app/setup_file.h"
#include "quickbooks/qb_error.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/connected_demo.h"

namespace vqb {
namespace {

using qb::sim::Kind;

qb::Session& no_quickbooks() {
  throw qb::QbError(qb::kNotReachable, qb::kNotReachableText);
}

// The batch text of each grid, from one row holding an apostrophe and one left empty.
TEST(SetupBatch, EachGridWritesItsStatementsInOrderWithQuotesDoubledAndEmptyValuesQuoted) {
  test::FakeUi ui;
  App app(ui);
  SetupLogic setup(app, no_quickbooks);
  setup.discount = "Disc'10";
  setup.grid(SetupGridKind::Items).rows = {{"O'Neil", "Labor:O'Hara", "4"}, {"PARTS", "", "5"}};
  setup.grid(SetupGridKind::TaxItems).rows = {{"State @ 5%", "State'Tax", "11"}};
  setup.grid(SetupGridKind::TaxCodes).rows = {{"T (T)", "", "12"}};
  setup.grid(SetupGridKind::Reps).rows = {{"Ann", "A'B", "13"}};
  setup.grid(SetupGridKind::Terms).rows = {{"Net 30", "Net 30", "14"}};
  setup.grid(SetupGridKind::Payments).rows = {{"Cash", "Cash", "Undeposited Fund's", "15"}};
  setup.grid(SetupGridKind::Groups).rows = {{"Retail", "", "16"}};

  const std::vector<std::string> expected = {
      "UPDATE QuickBooks set Discount = 'Disc''10'",
      "UPDATE salesgroup SET QB = 'Labor:O''Hara', QB_P = 'Labor:O''Hara' WHERE code = 'O''Neil'",
      "UPDATE salesgroup SET QB = '', QB_P = '' WHERE code = 'PARTS'",
      "UPDATE linetax SET QuickBooks = '' WHERE link = 12",
      "UPDATE tax SET QBLink = 'State''Tax' WHERE link = 11",
      "UPDATE users SET QuickBooks = 'A''B' WHERE link = 13",
      "UPDATE terms SET QuickBooks = 'Net 30' WHERE link = 14",
      "UPDATE CustPaymentMethods SET QBLedger = 'Undeposited Fund''s', QuickBooks = 'Cash' WHERE "
      "link = 15",
      "UPDATE CustIndustry SET QuickBooks = '' WHERE link = 16",
  };
  EXPECT_EQ(setup.batchStatements(), expected);
}

class SetupWindowTest : public ::testing::Test, protected test::ConnectedDemoFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(connected);
    setup =
        std::make_unique<SetupLogic>(app, [this]() -> qb::Session& { return logic->session(); });
    setup->Form_Load();
    setup->pop_me();
    ui.messages.clear();
  }
  std::size_t rows(const std::string& table) const {
    return static_cast<std::size_t>(std::stol(first("SELECT COUNT(*) FROM " + table)));
  }
  std::unique_ptr<SetupLogic> setup;
};

TEST_F(SetupWindowTest, OpeningFillsEveryGridFromItsTableAndEveryChoiceFromQuickBooks) {
  EXPECT_EQ(ui.progressMaximum, SetupLogic::kProgressSteps);
  EXPECT_EQ(ui.progressValue, SetupLogic::kProgressSteps);
  EXPECT_FALSE(setup->loading);
  const std::vector<std::pair<SetupGridKind, std::string>> tables = {
      {SetupGridKind::Items, "SalesGroup"},   {SetupGridKind::TaxItems, "tax"},
      {SetupGridKind::TaxCodes, "LineTax"},   {SetupGridKind::Reps, "Users"},
      {SetupGridKind::Terms, "Terms"},        {SetupGridKind::Payments, "CustPaymentMethods"},
      {SetupGridKind::Groups, "CustIndustry"}};
  for (const auto& [kind, table] : tables) {
    EXPECT_EQ(setup->grid(kind).rows.size(), rows(table)) << table;
    EXPECT_FALSE(setup->grid(kind).choices.empty()) << table;
  }
  EXPECT_FALSE(setup->grid(SetupGridKind::Payments).accountChoices.empty());
  // Tax items show name, description, rate and kind; the first column is stored.
  const SetupChoice& tax = setup->grid(SetupGridKind::TaxItems).choices.front();
  ASSERT_EQ(tax.size(), 4u);
  EXPECT_TRUE(tax[3] == "Tax Item" || tax[3] == "Tax Group");
  EXPECT_EQ(tax[2].back(), '%');
  EXPECT_EQ(setup->countries, (std::vector<std::string>{"United States", "Canada"}));
  EXPECT_FALSE(setup->discountItems.empty());
  EXPECT_EQ(setup->subtotalItems, std::vector<std::string>{"Subtotal"});
  // Items are read with qbXML 5.0, five at a time.
  EXPECT_TRUE(sawRequest("<?qbxml version=\"5.0\"?>"));
  EXPECT_TRUE(sawRequest("<MaxReturned>5</MaxReturned>"));
  EXPECT_TRUE(sawRequest("iterator=\"Continue\""));
  EXPECT_TRUE(ui.messages.empty()) << ui.texts().front();
}

TEST_F(SetupWindowTest, SaveWritesTheChosenValuesAndTheSettingsThenReloadsTheLists) {
  SetupGrid& terms = setup->grid(SetupGridKind::Terms);
  ASSERT_FALSE(terms.rows.empty());
  setup->chooseCell(SetupGridKind::Terms, 0, 1, terms.choices.size() - 1);
  const std::string chosen = terms.choices.back()[0];
  setup->setCell(SetupGridKind::Groups, 0, 1, "");
  setup->switches = {true, false, true, false, true};
  setup->country = "";
  setup->dateFormat = "dd mmm yyyy";

  ASSERT_TRUE(setup->cmdUpdate_Click());
  EXPECT_EQ(ui.texts(), std::vector<std::string>{"Setup saved"});
  EXPECT_EQ(first("SELECT QuickBooks FROM terms WHERE link = " + terms.rows[0][2]), chosen);
  EXPECT_EQ(first("SELECT QuickBooks FROM CustIndustry WHERE link = " +
                  setup->grid(SetupGridKind::Groups).rows[0][2]),
            "");
  load_setup_document(app);
  EXPECT_EQ(setup_value(app, "qbsetupchksalestax"), "1");
  EXPECT_EQ(setup_value(app, "qbsetupchkreps"), "0");
  EXPECT_EQ(setup_value(app, "setcountryon"), "0");
  EXPECT_EQ(setup_value(app, "qbsetupcmbcountry"), "");
  EXPECT_EQ(setup_value(app, "customdateformat"), "dd mmm yyyy");
  // The loader ran again: its copies hold the new mapping, and no version is applied.
  app.termsSnapshot.MoveToRoot();
  ASSERT_EQ(app.termsSnapshot.MoveToChild("record" + terms.rows[0][2]), 1);
  EXPECT_EQ(app.termsSnapshot.GetChildContent("quickbooks"), chosen);
  EXPECT_FALSE(app.applyConnectionSettings);

  setup->country = "Canada";
  ASSERT_TRUE(setup->SaveMe());
  load_setup_document(app);
  EXPECT_EQ(setup_value(app, "setcountryon"), "1");
  EXPECT_TRUE(app.applyConnectionSettings);
}

TEST_F(SetupWindowTest, AFailingStatementLeavesTheDatabaseAndTheSettingsFileAsTheyWere) {
  const std::string setupFile = setup_file_path(app);
  std::filesystem::remove(setupFile);
  const std::string code = setup->grid(SetupGridKind::Items).rows[0][0];
  const std::string before = first("SELECT QB FROM SalesGroup WHERE code = '" + code + "'");
  run("CREATE TRIGGER terms_locked BEFORE UPDATE ON terms BEGIN SELECT RAISE(ABORT, 'terms "
      "locked'); END");
  setup->setCell(SetupGridKind::Items, 0, 1, "");  // written before the terms
  setup->switches = {true, true, true, true, true};

  EXPECT_FALSE(setup->cmdUpdate_Click());
  EXPECT_EQ(first("SELECT QB FROM SalesGroup WHERE code = '" + code + "'"), before);
  EXPECT_FALSE(std::filesystem::exists(setupFile));
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].title, "Confirm");
  EXPECT_NE(ui.messages[0].text.find("terms locked"), std::string::npos);
  EXPECT_EQ(ui.messages[1].text.rfind("The setup was not saved and nothing was changed. This "
                                      "statement failed:\r\nUPDATE terms SET QuickBooks = ",
                                      0),
            0u)
      << ui.messages[1].text;
}

// A switch whose key is missing is on, as the integrator reads it: saving the untouched
// window writes it on.
TEST_F(SetupWindowTest, AMissingSwitchKeyIsShownOnAndSavedOn) {
  app.setup.Clear();
  app.setup.SetTag("QBSetup");
  app.setup.SetChildValue("qbsetupchkreps", "0");
  app.setup.SetChildValue("qbsetupchkclass", "");
  save_setup_document(app);
  setup->fill_general();
  EXPECT_EQ(setup->switches, (std::array<bool, 5>{true, false, true, true, true}));

  ASSERT_TRUE(setup->SaveMe());
  load_setup_document(app);
  for (const SetupSwitch& s : kSetupSwitches)
    EXPECT_EQ(setup_value(app, s.key()), s.control == "chkReps" ? "0" : "1") << s.control;
}

// The database missing, or the settings file not writable: each failure names what failed
// and where.
TEST_F(SetupWindowTest, ASaveThatCannotOpenTheDatabaseOrWriteTheSettingsSaysSo) {
  const std::string database = app.databasePath;
  app.databasePath = app.globalfolder + "gone.vdb";
  EXPECT_FALSE(setup->cmdUpdate_Click());
  ASSERT_EQ(ui.messages.size(), 2u);  // write_data2's own box, then this one
  EXPECT_EQ(ui.messages[1].text,
            "The setup was not saved and nothing was changed. The Vantora database could not be "
            "opened:\r\n" +
                app.databasePath);
  app.databasePath = database;

  ui.messages.clear();
  const std::string setupFile = setup_file_path(app);
  std::filesystem::remove(setupFile);
  std::filesystem::create_directory(setupFile);
  EXPECT_FALSE(setup->cmdUpdate_Click());
  ASSERT_EQ(ui.messages.size(), 1u) << ui.texts().back();
  EXPECT_EQ(ui.messages[0].title, "Application Error");
  EXPECT_NE(ui.messages[0].text.find("Module: frmSetup\r\nProcedure: SaveMe\r\n"),
            std::string::npos)
      << ui.messages[0].text;
  std::filesystem::remove(setupFile);
}

TEST_F(SetupWindowTest, ATypedItemNameIsSavedWhenQuickBooksHasItAndRefusedWhenNot) {
  SetupGrid& items = setup->grid(SetupGridKind::Items);
  const std::string code = items.rows[0][0];
  company().addItem(Kind::ItemService, "Typed Service", "10");
  setup->setCell(SetupGridKind::Items, 0, 1, "No Such Item");
  EXPECT_FALSE(setup->SaveMe());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "The setup was not saved: the QuickBooks item \"No Such Item\" given for the sales "
            "group \"" +
                code +
                "\" is unknown (QuickBooks has no service, non-inventory or other-charge item of "
                "that full name).\r\nChoose an item from the list or type its full name.");
  EXPECT_NE(first("SELECT QB FROM SalesGroup WHERE code = '" + code + "'"), "No Such Item");

  setup->setCell(SetupGridKind::Items, 0, 1, "Typed Service");
  EXPECT_TRUE(setup->SaveMe());
  EXPECT_EQ(first("SELECT QB_P FROM SalesGroup WHERE code = '" + code + "'"), "Typed Service");
}

TEST_F(SetupWindowTest, MoreThanThreeHundredItemsLeaveTheItemChoicesEmpty) {
  ASSERT_FALSE(setup->grid(SetupGridKind::Items).choices.empty());
  auto quickbooks = company();
  for (int i = 0; i < 310; ++i)
    quickbooks.addItem(Kind::ItemService, "Bulk " + std::to_string(i), "1");
  requests.clear();
  setup->pop_Items();
  EXPECT_TRUE(setup->grid(SetupGridKind::Items).choices.empty());
  EXPECT_FALSE(sawRequest("iterator=\"Continue\""));
}

// Two tax groups imported in one run, an item already mapped skipped.
TEST_F(SetupWindowTest, ImportingTaxItemsGivesEachGroupOnlyItsOwnMembersAndSkipsMappedItems) {
  app.qbTaxItems.Clear();
  ASSERT_TRUE(app.qbTaxItems.LoadXml(
      "<QBTaxItems>"
      "<ItemSalesTaxRet><Name>City</Name><TaxRate>1.5</TaxRate></ItemSalesTaxRet>"
      "<ItemSalesTaxRet><Name>County</Name><TaxRate>2</TaxRate></ItemSalesTaxRet>"
      "<ItemSalesTaxRet><Name>O'State</Name><TaxRate>5</TaxRate></ItemSalesTaxRet>"
      "<ItemSalesTaxGroupRet><Name>Metro</Name><TaxRate>3.5</TaxRate>"
      "<ItemSalesTaxRef><FullName>City</FullName></ItemSalesTaxRef>"
      "<ItemSalesTaxRef><FullName>County</FullName></ItemSalesTaxRef></ItemSalesTaxGroupRet>"
      "<ItemSalesTaxGroupRet><Name>Rural</Name><TaxRate>7</TaxRate>"
      "<ItemSalesTaxRef><FullName>County</FullName></ItemSalesTaxRef>"
      "<ItemSalesTaxRef><FullName>O'State</FullName></ItemSalesTaxRef></ItemSalesTaxGroupRet>"
      "</QBTaxItems>"));
  setup->setCell(SetupGridKind::TaxItems, 0, 1, "County");
  const std::size_t before = rows("tax");
  ui.answers = {Answer::Yes};

  setup->import_taxItems();

  EXPECT_EQ(ui.messages.at(0).text,
            "Are you sure you want to import all tax items from QuickBooks? This action will not "
            "import tax items already associated with another tax item in Vantora.");
  EXPECT_EQ(rows("tax"), before + 4);
  EXPECT_EQ(first("SELECT COUNT(*) FROM tax WHERE QBLink = 'County' AND Description = 'County'"),
            "0");
  auto row = [&](const std::string& name, const char* column) {
    return first(std::string("SELECT ") + column + " FROM tax WHERE QBLink = '" + name + "'");
  };
  EXPECT_EQ(row("O''State", "Description"), "O'State");
  EXPECT_EQ(row("O''State", "Rate"), "5");
  EXPECT_EQ(row("O''State", "taxGroupXML"), "");
  EXPECT_EQ(row("Metro", "Rate"), "3.5");
  EXPECT_EQ(row("Metro", "taxGroupXML"), "<taxGroup><tx>1.5</tx><tx>2</tx></taxGroup>");
  EXPECT_EQ(row("Rural", "taxGroupXML"), "<taxGroup><tx>2</tx><tx>5</tx></taxGroup>");
  EXPECT_EQ(setup->grid(SetupGridKind::TaxItems).rows.size(), before + 4);

  ui.answers = {Answer::No};
  setup->import_taxItems();
  EXPECT_EQ(rows("tax"), before + 4);
}

TEST_F(SetupWindowTest, UpdatingTaxRatesCopiesEachMappedItemsRate) {
  const auto& row = setup->grid(SetupGridKind::TaxItems).rows;
  std::size_t mapped = 0;
  while (mapped < row.size() && row[mapped][1].empty()) ++mapped;
  ASSERT_LT(mapped, row.size());
  const std::string link = row[mapped][2];
  run("UPDATE tax SET rate = 99 WHERE link = " + link);
  std::string qbRate;
  app.qbTaxItems.MoveToRoot();
  for (pugi::xml_node e : app.qbTaxItems.Current().children())
    if (row[mapped][1] == e.child_value("Name")) qbRate = e.child_value("TaxRate");
  ui.answers = {Answer::Yes};
  setup->upd_taxpercentages();
  EXPECT_EQ(std::stod(first("SELECT rate FROM tax WHERE link = " + link)), std::stod(qbRate));
  EXPECT_NE(setup->grid(SetupGridKind::TaxItems).rows[mapped][0].find(" @ "), std::string::npos);
}

TEST_F(SetupWindowTest, ImportingClassesAddsOnlyTheMissingOnesWithClassLinks) {
  company().addClass("Imported'Class");
  const std::size_t before = rows("QBClass");
  setup->cmdImportClasses_Click();
  EXPECT_EQ(ui.texts(), std::vector<std::string>{"Class Import Complete."});
  EXPECT_EQ(first("SELECT COUNT(*) FROM QBClass WHERE Description = 'Imported''Class'"), "1");
  const std::size_t after = rows("QBClass");
  EXPECT_GT(after, before);
  EXPECT_GE(std::stol(first("SELECT MIN(Link) FROM QBClass WHERE Description = 'Imported''Class'")),
            50);
  setup->cmdImportClasses_Click();  // nothing new the second time
  EXPECT_EQ(rows("QBClass"), after);
}

TEST_F(SetupWindowTest, ExportingUnassociatedGroupsSavesEditsFirstAndCreatesCustomerTypes) {
  run("INSERT INTO CustIndustry (Link, Description, QuickBooks) VALUES (9001, 'Pat''s Trade', '')");
  setup->refresh_customerGroups();
  SetupGrid& groups = setup->grid(SetupGridKind::Groups);
  std::size_t edited = 0;
  while (groups.rows[edited][2] == "9001") ++edited;
  const std::string editedLink = groups.rows[edited][2];
  setup->setCell(SetupGridKind::Groups, edited, 1, "");  // un-associated by an edit
  const std::string name = groups.rows[edited][0];

  setup->tbGroups_ButtonClick("Export");
  ASSERT_EQ(setup->menu.items().size(), 3u);
  EXPECT_EQ(setup->menu.items()[2].caption,
            "Export All un-associated customer groups to QuickBooks");
  setup->dMnu_ItemClick("mnuGroupExport1");  // listed, no action
  EXPECT_TRUE(ui.messages.empty());
  setup->dMnu_ItemClick("mnuGroupExport3");

  EXPECT_EQ(ui.texts().front(), "Setup saved");
  EXPECT_TRUE(company().findByName(Kind::CustomerType, "Pat's Trade").has_value());
  EXPECT_EQ(first("SELECT QuickBooks FROM CustIndustry WHERE link = 9001"), "Pat's Trade");
  EXPECT_EQ(first("SELECT QuickBooks FROM CustIndustry WHERE link = " + editedLink), name);
  EXPECT_EQ(setup->caption, "Setup");
  for (const auto& r : setup->grid(SetupGridKind::Groups).rows) EXPECT_FALSE(r[1].empty());
}

// A save refused (an unknown item) or rolled back stops the export: no customer type is
// made, and the grids keep what the user typed.
TEST_F(SetupWindowTest, ExportingGroupsAfterAFailedSaveKeepsTheGridAndExportsNothing) {
  for (const bool refused : {true, false}) {
    SCOPED_TRACE(refused ? "refused" : "rolled back");
    if (!refused)
      run("CREATE TRIGGER groups_locked BEFORE UPDATE ON CustIndustry BEGIN SELECT "
          "RAISE(ABORT, 'locked'); END");
    setup->setCell(SetupGridKind::Items, 0, 1, refused ? "No Such Item" : "");
    setup->setCell(SetupGridKind::Groups, 0, 1, "");
    const auto grids = setup->grids;
    const std::size_t types = company().list(Kind::CustomerType).size();
    ui.messages.clear();

    setup->dMnu_ItemClick("mnuGroupExport3");

    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text.rfind("The setup was not saved", 0), 0u)
        << ui.messages.back().text;
    EXPECT_EQ(company().list(Kind::CustomerType).size(), types);
    for (std::size_t g = 0; g < grids.size(); ++g) EXPECT_EQ(setup->grids[g].rows, grids[g].rows);
    EXPECT_EQ(setup->caption, "Setup");
  }
}

}  // namespace
}  // namespace vqb
