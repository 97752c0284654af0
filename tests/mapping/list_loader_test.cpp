// The loader window and the main window's list refreshes, against a simulated company.

#include "mapping/list_loader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <utility>
#include <vector>

#include "app/database.h"
#include "app/embedded_sql.h"
#include "app/startup.h"
#include "demo/demo_company.h"
#include "demo/demo_data.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

using qb::sim::Kind;
using qb::sim::SimulatedCompany;

// Records every progress value, not just the last.
struct ProgressUi : test::FakeUi {
  std::vector<long> steps;
  void setProgress(long value, long maximum) override {
    FakeUi::setProgress(value, maximum);
    steps.push_back(value);
  }
};

std::vector<long> progress_up_to(long last) {
  std::vector<long> steps;
  for (long i = 0; i <= last; ++i) steps.push_back(i);
  return steps;
}

using Entries = std::vector<std::pair<std::string, std::string>>;

// (tag, content) of each child of the root.
Entries entries(RecordDoc& doc) {
  Entries result;
  doc.MoveToRoot();
  for (pugi::xml_node child : doc.Current().children())
    if (child.type() == pugi::node_element) result.emplace_back(child.name(), child.text().get());
  return result;
}

// The root's child whose Name is `name` (empty when there is none).
pugi::xml_node entry_named(RecordDoc& doc, const std::string& name) {
  doc.MoveToRoot();
  return doc.Current().find_child([&](pugi::xml_node n) { return name == n.child_value("Name"); });
}

void mark(RecordDoc& doc, const char* tag) {
  doc.Clear();
  doc.SetTag(tag);
}

class ListLoaderTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  ProgressUi ui;
  App app{ui};
  SimulatedCompany company = SimulatedCompany::create(dir.file("company.qbxml"), "Loader Co");
  qb::Session session{company};
  ListLoader loader{app, [this]() -> qb::Session& { return session; }};
  std::vector<std::string> requests;

  void SetUp() override {
    app.databasePath = dir.file("vantora.db");
    create_database(app.databasePath)->executeScript(embedded::kVantoraSchemaSql);
    get_globalfolder(app);
    session.setObserver(
        [this](const std::string& request, const std::string&) { requests.push_back(request); });
    company.addVendor("Tax Agency");
  }

  bool load() {
    loader.Form_Load();
    return loader.pop_me();
  }
  std::string request(const std::string& kind) const {
    for (const auto& text : requests)
      if (text.find("<" + kind) != std::string::npos) return text;
    return "";
  }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(dir.file(name)) << text;
  }
  // The one message shown since the last call, then forgotten.
  void expectOnlyMessage(const std::string& text, const std::string& title, Icon icon) {
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, text);
    EXPECT_EQ(ui.messages[0].title, title);
    EXPECT_EQ(ui.messages[0].icon, icon);
    ui.messages.clear();
  }
};

TEST(ListLoaderDemo, LoadsEveryCopyFromTheDemoDatabaseAndCompany) {
  test::TempDir dir;
  ProgressUi ui;
  App app{ui};
  app.databasePath = dir.file("vantora.db");
  create_demo_vantora_database(app.databasePath);
  get_globalfolder(app);
  qb::create_demo_company(dir.file("demo.qbxml"), {});
  SimulatedCompany company(dir.file("demo.qbxml"));
  qb::Session session{company};
  ListLoader loader(app, [&]() -> qb::Session& { return session; });
  app.sharedSlots[100] = "1";

  loader.Form_Load();
  EXPECT_EQ(app.sharedSlots[100], "0");
  ASSERT_TRUE(loader.pop_me());
  EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().title << ": " << ui.messages.front().text;
  EXPECT_EQ(app.sharedSlots[100], "0");
  EXPECT_EQ(ui.steps, progress_up_to(18));
  EXPECT_EQ(ui.progressMaximum, 18);

  auto db = open_database(app.databasePath);
  struct Copy {
    RecordDoc& doc;
    const char* table;
    bool keyed;
  };
  for (const Copy& copy :
       {Copy{app.taxSnapshot, "tax", true}, Copy{app.lineTaxSnapshot, "LineTax", true},
        Copy{app.termsSnapshot, "Terms", true}, Copy{app.usersSnapshot, "Users", true},
        Copy{app.industrySnapshot, "CustIndustry", true}, Copy{app.classSnapshot, "QBClass", true},
        Copy{app.qbSettingsSnapshot, "QuickBooks", false},
        Copy{app.paymentMethodSnapshot, "CustPaymentMethods", true},
        Copy{app.salesGroupSnapshot, "SalesGroup", false}}) {
    auto rows = db->queryAll(std::string("Select * from ") + copy.table);
    copy.doc.MoveToRoot();
    EXPECT_EQ(copy.doc.GetTag(), "rData") << copy.table;
    ASSERT_FALSE(rows.rows.empty()) << copy.table;
    ASSERT_EQ(copy.doc.GetChildCount(), static_cast<long>(rows.rows.size())) << copy.table;
    copy.doc.MoveToFirstChild();
    std::size_t link = 0;
    while (link < rows.columns.size() && rows.columns[link] != "Link") ++link;
    EXPECT_EQ(copy.doc.GetTag(),
              copy.keyed ? "record" + rows.rows[0].at(link).value_or("") : "record1")
        << copy.table;
  }

  auto active_count = [&](std::initializer_list<Kind> kinds) {
    long count = 0;
    for (Kind kind : kinds)
      for (const auto& entry : company.list(kind)) count += entry.active ? 1 : 0;
    return count;
  };
  struct List {
    RecordDoc& doc;
    const char* root;
    const char* childTag;
    long count;
  };
  for (const List& list :
       {List{app.qbTaxItems, "QBTaxItems", "ItemSalesTaxRet",
             active_count({Kind::ItemSalesTax, Kind::ItemSalesTaxGroup})},
        List{app.qbTaxCodes, "QBTaxCodes", "SalesTaxCodeRet", active_count({Kind::SalesTaxCode})},
        List{app.qbReps, "QBRep", "SalesRepRet", active_count({Kind::SalesRep})},
        List{app.qbCustomerTypes, "QBRep", "CustomerTypeRet", active_count({Kind::CustomerType})},
        List{app.qbPayMethods, "QBPayMethods", "PaymentMethodRet",
             active_count({Kind::PaymentMethod})},
        List{app.qbTerms, "QBTerms", "StandardTermsRet",
             active_count({Kind::StandardTerms, Kind::DateDrivenTerms})},
        List{app.qbClasses, "", "ClassT", static_cast<long>(company.list(Kind::Class).size())},
        List{app.qbAccounts, "Accounts", "AccName", active_count({Kind::Account})}}) {
    list.doc.MoveToRoot();
    EXPECT_EQ(list.doc.GetTag(), list.root) << list.childTag;
    EXPECT_GT(list.count, 0) << list.childTag;
    EXPECT_EQ(list.doc.GetChildCount(), list.count) << list.childTag;
    list.doc.MoveToFirstChild();
    EXPECT_EQ(list.doc.GetTag(), list.childTag);
  }
  EXPECT_EQ(app.setup.GetTag(), "QBSetup");
  EXPECT_EQ(app.parsedAddresses.GetTag(), "parsedAddresses");
}

TEST_F(ListLoaderTest, GroupRatesSumMemberRatesAndInactiveEntriesAreDroppedAfterwards) {
  company.addSalesTaxItem("State", "5", "Tax Agency");
  company.addSalesTaxItem("County", "2.5", "Tax Agency");
  auto city = company.addSalesTaxItem("City", "1.25", "Tax Agency");
  company.addSalesTaxGroup("State+County", {"State", "County"});
  company.addSalesTaxGroup("State+City", {"State", "City"});
  auto old = company.addSalesTaxGroup("Old Group", {"County"});
  company.setActive(city.id, false);
  company.setActive(old.id, false);
  company.addSalesTaxCode("Tax", true);

  ASSERT_TRUE(load());
  EXPECT_EQ(entries(app.qbTaxItems), (Entries{{"ItemSalesTaxRet", ""},
                                              {"ItemSalesTaxRet", ""},
                                              {"ItemSalesTaxGroupRet", ""},
                                              {"ItemSalesTaxGroupRet", ""}}));
  EXPECT_EQ(app.qbTaxItems.GetTag(), "QBTaxItems");
  pugi::xml_node both = entry_named(app.qbTaxItems, "State+County");
  EXPECT_STREQ(both.child_value("TaxRate"), "7.5");
  EXPECT_EQ(std::distance(both.children("TaxRate").begin(), both.children("TaxRate").end()), 1);
  EXPECT_EQ(std::distance(both.children("ItemSalesTaxRef").begin(),
                          both.children("ItemSalesTaxRef").end()),
            2);
  EXPECT_STREQ(entry_named(app.qbTaxItems, "State+City").child_value("TaxRate"), "6.25");
  EXPECT_FALSE(entry_named(app.qbTaxItems, "City"));
  EXPECT_STREQ(entry_named(app.qbTaxItems, "County").child_value("TaxRate"), "2.5");
  EXPECT_EQ(app.qbTaxCodes.GetTag(), "QBTaxCodes");
  EXPECT_EQ(app.qbTaxCodes.GetChildCount(), 1);

  // Inactive entries are asked for with the items and the groups, not with the tax codes.
  EXPECT_NE(request("ItemSalesTaxQueryRq").find("<ActiveStatus>All</ActiveStatus>"),
            std::string::npos);
  EXPECT_NE(request("ItemSalesTaxGroupQueryRq").find("<ActiveStatus>All</ActiveStatus>"),
            std::string::npos);
  EXPECT_EQ(request("SalesTaxCodeQueryRq").find("ActiveStatus"), std::string::npos);
}

TEST_F(ListLoaderTest, MainWindowTaxesNeverFetchInactiveItems) {
  auto state = company.addSalesTaxItem("State", "5", "Tax Agency");
  company.addSalesTaxItem("County", "2.5", "Tax Agency");
  company.addSalesTaxGroup("State+County", {"State", "County"});
  company.addSalesTaxGroup("State only", {"State"});
  company.setActive(state.id, false);
  qb::ComponentSet components(session);

  pop_QBTaxes(app, components);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(request("ItemSalesTaxQueryRq").find("ActiveStatus"), std::string::npos);
  EXPECT_EQ(request("ItemSalesTaxGroupQueryRq").find("ActiveStatus"), std::string::npos);
  EXPECT_FALSE(entry_named(app.qbTaxItems, "State"));
  EXPECT_STREQ(entry_named(app.qbTaxItems, "State+County").child_value("TaxRate"), "2.5");
  EXPECT_STREQ(entry_named(app.qbTaxItems, "State only").child_value("TaxRate"), "0");
  EXPECT_STREQ(entry_named(app.qbTaxItems, "County").child_value("IsActive"), "true");
  EXPECT_EQ(app.qbTaxItems.GetChildCount(), 3);
}

TEST_F(ListLoaderTest, WithoutActiveTaxItemsOnlyTheGroupsAreListed) {
  auto state = company.addSalesTaxItem("State", "5", "Tax Agency");
  company.addSalesTaxGroup("Group", {"State"});
  company.setActive(state.id, false);

  ASSERT_TRUE(load());
  EXPECT_EQ(entries(app.qbTaxItems), (Entries{{"ItemSalesTaxGroupRet", ""}}));
  EXPECT_STREQ(entry_named(app.qbTaxItems, "Group").child_value("TaxRate"), "5");

  qb::ComponentSet components(session);
  pop_QBTaxes(app, components);
  EXPECT_EQ(app.qbTaxItems.GetTag(), "QBTaxItems");
  EXPECT_EQ(app.qbTaxItems.GetChildCount(), 1);
  EXPECT_STREQ(entry_named(app.qbTaxItems, "Group").child_value("TaxRate"), "0");
}

TEST_F(ListLoaderTest, ClassesAccountsTermsAndNamedLists) {
  company.addClass("Embroidery");
  company.addClass("Stitching", {{"ParentRef/FullName", "Embroidery"}});
  company.setActive(company.addClass("Old").id, false);
  company.addAccount("Checking", "Bank");
  company.addAccount("Savings", "Bank", {{"ParentRef/FullName", "Checking"}});
  company.addDateDrivenTerms("15th", 15);
  company.addStandardTerms("Net 30", 30);
  company.addEmployee("Jane", "Doe");
  company.addSalesRep("JD", "Jane Doe");
  company.addCustomerType("Retail");
  company.addPaymentMethod("Check");

  ASSERT_TRUE(load());
  EXPECT_EQ(app.qbClasses.GetTag(), "");
  EXPECT_EQ(
      entries(app.qbClasses),
      (Entries{{"ClassT", "Embroidery"}, {"ClassT", "Embroidery:Stitching"}, {"ClassF", "Old"}}));
  EXPECT_EQ(app.qbAccounts.GetTag(), "Accounts");
  EXPECT_EQ(entries(app.qbAccounts), (Entries{{"AccName", "Checking"}, {"AccName", "Savings"}}));
  app.qbAccounts.MoveToLastChild();
  EXPECT_EQ(app.qbAccounts.GetChildContent("fname"), "Checking:Savings");
  EXPECT_EQ(entries(app.qbTerms), (Entries{{"StandardTermsRet", ""}, {"DateDrivenTermsRet", ""}}));
  EXPECT_EQ(app.qbTerms.GetTag(), "QBTerms");
  app.qbReps.MoveToFirstChild();
  EXPECT_EQ(app.qbReps.GetChildContent("Initial"), "JD");
  EXPECT_EQ(app.qbCustomerTypes.GetTag(), "QBRep");
  EXPECT_EQ(entry_named(app.qbCustomerTypes, "Retail").name(), std::string("CustomerTypeRet"));
  EXPECT_EQ(app.qbPayMethods.GetTag(), "QBPayMethods");
  EXPECT_TRUE(entry_named(app.qbPayMethods, "Check"));

  // The main window's refreshes give the same lists.
  qb::ComponentSet components(session);
  mark(app.qbClasses, "old");
  mark(app.qbCustomerTypes, "old");
  pop_QBClass(app, components);
  pop_QBCustomerGroups(app, components);
  EXPECT_EQ(
      entries(app.qbClasses),
      (Entries{{"ClassT", "Embroidery"}, {"ClassT", "Embroidery:Stitching"}, {"ClassF", "Old"}}));
  EXPECT_TRUE(entry_named(app.qbCustomerTypes, "Retail"));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ListLoaderTest, ClosedCompanyFailsTheConnectionTestAndLoadsNothing) {
  company.addClass("Embroidery");
  company.setOpen(false);
  mark(app.taxSnapshot, "old");
  mark(app.qbClasses, "old");
  mark(app.setup, "old");

  EXPECT_FALSE(load());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].buttons, Buttons::Ok);
  expectOnlyMessage(
      "Vantora cannot connect to QuickBooks.\r\n\r\nError 20852 - Could not connect to QuickBooks: "
      "no company file is open.",
      "Connection Error", Icon::Information);
  EXPECT_EQ(app.sharedSlots[100], "1");
  EXPECT_EQ(ui.steps, progress_up_to(0));
  EXPECT_EQ(app.taxSnapshot.GetTag(), "old");
  EXPECT_EQ(app.qbClasses.GetTag(), "old");
  EXPECT_EQ(app.setup.GetTag(), "old");

  // No company configured: the session itself cannot be given.
  ListLoader unconfigured(
      app, []() -> qb::Session& { throw qb::QbError(20852, "No company file is configured."); });
  unconfigured.Form_Load();
  EXPECT_FALSE(unconfigured.pop_me());
  EXPECT_EQ(ui.texts(),
            std::vector<std::string>{"Vantora cannot connect to QuickBooks.\r\n\r\nError 20852 - "
                                     "No company file is configured."});
  EXPECT_EQ(app.sharedSlots[100], "1");

  // The next attempt, with QuickBooks open, succeeds.
  company.setOpen(true);
  EXPECT_TRUE(load());
  EXPECT_EQ(app.sharedSlots[100], "0");
  EXPECT_EQ(entries(app.qbClasses), (Entries{{"ClassT", "Embroidery"}}));
}

TEST_F(ListLoaderTest, FailingCopyKeepsItsOldContentAndTheLoadGoesOn) {
  open_database(app.databasePath)->execute("DROP TABLE tax");
  open_database(app.databasePath)->execute("INSERT INTO LineTax (Link, Code) VALUES (7, 'T')");
  mark(app.taxSnapshot, "old");

  EXPECT_TRUE(load());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Confirm");
  EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
  EXPECT_NE(ui.messages[0].text.find("no such table: tax"), std::string::npos)
      << ui.messages[0].text;
  EXPECT_EQ(app.taxSnapshot.GetTag(), "old");
  EXPECT_EQ(app.lineTaxSnapshot.GetTag(), "rData");
  EXPECT_EQ(app.lineTaxSnapshot.MoveToChild("record7"), 1);
  EXPECT_EQ(app.lineTaxSnapshot.GetChildContent("code"), "T");
  EXPECT_EQ(app.sharedSlots[100], "0");
  EXPECT_EQ(ui.steps, progress_up_to(18));
}

TEST_F(ListLoaderTest, SettingsFilesDecideTheConnectionSettings) {
  app.applyConnectionSettings = false;
  ASSERT_TRUE(load());
  EXPECT_FALSE(app.applyConnectionSettings) << "a missing file keeps the flag";
  EXPECT_EQ(app.setup.GetTag(), "QBSetup");
  EXPECT_EQ(app.setup.GetChildCount(), 0);
  EXPECT_EQ(app.parsedAddresses.GetTag(), "parsedAddresses");

  write("QBsetup.xml",
        "<QBSetup><setcountryon>1</setcountryon><qbsetupchkreps>0</qbsetupchkreps></QBSetup>");
  write("parsedAddresses.xml", "<parsedAddresses><a1>12 Main St</a1></parsedAddresses>");
  ASSERT_TRUE(load());
  EXPECT_TRUE(app.applyConnectionSettings);
  EXPECT_EQ(app.setup.GetChildContent("qbsetupchkreps"), "0");
  EXPECT_EQ(app.parsedAddresses.GetChildContent("a1"), "12 Main St");

  for (const char* value : {"0", "True", " 1"}) {
    write("QBsetup.xml",
          std::string("<QBSetup><setcountryon>") + value + "</setcountryon></QBSetup>");
    app.applyConnectionSettings = true;
    ASSERT_TRUE(load());
    EXPECT_FALSE(app.applyConnectionSettings) << value;
  }
}

TEST_F(ListLoaderTest, UnreadableSettingsFileStopsTheLoadAndKeepsTheOldSettings) {
  write("QBsetup.xml", "<QBSetup><setcountryon>1</setcountryon>");
  mark(app.setup, "QBSetup");
  app.setup.SetChildValue("chkaddress", "1");
  mark(app.parsedAddresses, "old");
  mark(app.salesGroupSnapshot, "old");

  EXPECT_FALSE(load());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "Vantora cannot connect to QuickBooks.\r\n\r\nError 75 - Path/File access error: " +
                dir.file("QBsetup.xml") + " cannot be read.");
  EXPECT_EQ(ui.messages[0].title, "Connection Error");
  EXPECT_EQ(app.sharedSlots[100], "1");
  EXPECT_EQ(ui.steps, progress_up_to(16));
  EXPECT_EQ(app.setup.GetChildContent("chkaddress"), "1");
  EXPECT_EQ(app.parsedAddresses.GetTag(), "old");
  EXPECT_EQ(app.salesGroupSnapshot.GetTag(), "old");
  EXPECT_EQ(app.qbTaxItems.GetTag(), "QBTaxItems")
      << "lists loaded before the failure keep their new content";
}

TEST_F(ListLoaderTest, EachListLoaderReportsItsOwnErrorAndTheLoadGoesOn) {
  company.addSalesTaxItem("State", "5", "Tax Agency");
  company.addStandardTerms("Net 30", 30);
  mark(app.qbTaxCodes, "old");

  company.failRequest("ItemSalesTaxGroupQueryRq", 3250, "Groups are not available.");
  ASSERT_TRUE(load());
  expectOnlyMessage("Groups are not available.", "Error: 3250", Icon::Critical);
  EXPECT_EQ(app.qbTaxItems.GetChildCount(), 1) << "the items came before the error";
  EXPECT_EQ(app.qbTaxCodes.GetTag(), "old");
  EXPECT_EQ(app.sharedSlots[100], "0");

  mark(app.qbReps, "old");
  company.failRequest("SalesRepQueryRq", 3250, "Reps are not available.");
  ASSERT_TRUE(load());
  expectOnlyMessage("3250 Reps are not available.", "", Icon::None);
  EXPECT_EQ(app.qbReps.GetTag(), "old");
  EXPECT_EQ(app.qbTaxCodes.GetTag(), "QBTaxCodes");

  company.failRequest("DateDrivenTermsQueryRq", 3250, "Date-driven terms are not available.");
  ASSERT_TRUE(load());
  EXPECT_EQ(ui.texts(), std::vector<std::string>{"3250 Date-driven terms are not available."});
  EXPECT_EQ(entries(app.qbTerms), (Entries{{"StandardTermsRet", ""}}));

  // QuickBooks stopping in the middle is reported like any other error, untranslated.
  ui.messages.clear();
  mark(app.qbClasses, "old");
  company.failRequest("ClassQueryRq", 20852, "");
  ASSERT_TRUE(load());
  ASSERT_EQ(ui.messages.size(), 1u);
  const std::string& report = ui.messages[0].text;
  EXPECT_EQ(ui.messages[0].title, "Application Error");
  EXPECT_NE(report.find("Module: frmPop\r\nProcedure: pop_QBClass\r\n"), std::string::npos)
      << report;
  EXPECT_NE(report.find("Could not connect to QuickBooks: QuickBooks is not responding. (20852)"),
            std::string::npos)
      << report;
  EXPECT_EQ(app.qbClasses.GetTag(), "old");

  ui.messages.clear();
  qb::ComponentSet components(session);
  pop_QBClass(app, components);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("Module: frmQB\r\nProcedure: pop_QBClass\r\n"),
            std::string::npos);
}

TEST_F(ListLoaderTest, MainWindowSalesGroupsCopyTheTableUnkeyed) {
  open_database(app.databasePath)
      ->execute("INSERT INTO SalesGroup (Code, QB, Hide) VALUES ('EMB', 'Stitching', 0)");
  pop_salesGroups(app);
  EXPECT_EQ(app.salesGroupSnapshot.MoveToChild("record1"), 1);
  EXPECT_EQ(app.salesGroupSnapshot.GetChildContent("qb"), "Stitching");

  open_database(app.databasePath)->execute("DROP TABLE SalesGroup");
  pop_salesGroups(app);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Confirm");
  app.salesGroupSnapshot.MoveToRoot();
  EXPECT_EQ(app.salesGroupSnapshot.GetChildCount(), 1);
}

}  // namespace
}  // namespace vqb
