#include "main_window/main_window_logic.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <tuple>

#include "app/database.h"
#include "app/errors.h"
#include "app/integrator_lock.h"
#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "app/work_list.h"
#include "import/customer_import.h"
#include "mapping/assign_dialog.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/counting_transport.h"
#include "support/demo_fixture.h"
#include "support/vantora_fixture.h"

namespace vqb {
namespace {

const char* const kConnectQuestion =
    "You need to have QuickBooks open on this computer in order to use the integrator. If you "
    "are ready, click 'YES'";

class MainWindowLogicTest : public ::testing::Test, protected test::DemoFixture {
 protected:
  MainWindowLogic logic{app};
  std::vector<std::string> keys() const {
    std::vector<std::string> out;
    for (const auto& item : logic.menu.items()) out.push_back(item.key);
    return out;
  }
  void writeSetup() { save_setup_value(app, "qbsetup", "1"); }
};

TEST_F(MainWindowLogicTest, NoClosesWithoutTouchingQuickBooks) {
  ui.messages.clear();
  ui.answers = {Answer::No};
  std::filesystem::remove(demo.companyFile);  // any request would fail loudly
  EXPECT_FALSE(logic.Timer1_Timer());
  EXPECT_TRUE(logic.closeRequested);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kConnectQuestion);
  EXPECT_EQ(ui.messages[0].title, "Connect to QuickBooks?");
  EXPECT_EQ(ui.messages[0].buttons, Buttons::YesNo);
  EXPECT_EQ(ui.messages[0].icon, Icon::Question);
}

TEST_F(MainWindowLogicTest, ClosedCompanyShowsConnectionErrorAndAsksAgain) {
  qb::sim::SimulatedCompany(demo.companyFile).setOpen(false);
  ui.messages.clear();
  ui.answers = {Answer::Yes, Answer::Ok, Answer::No};
  EXPECT_FALSE(logic.Timer1_Timer());
  ASSERT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(ui.messages[0].text, kConnectQuestion);
  EXPECT_EQ(ui.messages[1].title, "Connection Error");
  EXPECT_EQ(ui.messages[1].text,
            "Vantora cannot connect to QuickBooks.\r\n\r\nError 20852 - Could not connect to "
            "QuickBooks: no company file is open.");
  EXPECT_EQ(ui.messages[2].text, kConnectQuestion) << "the question comes back";
  EXPECT_EQ(app.sharedSlots[100], "1");
}

TEST_F(MainWindowLogicTest, FirstStartShowsInformationThenPreferencesThenSetup) {
  ui.messages.clear();
  ui.answers = {Answer::Yes};
  ASSERT_TRUE(logic.Timer1_Timer());
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].title, "IMPORTANT INFORMATION");
  EXPECT_EQ(ui.messages[1].icon, Icon::Information);
  EXPECT_EQ(ui.messages[1].text,
            "As this is the first time you are using the integrator on this computer you need "
            "to review the setup and preferences screen.");
  ASSERT_EQ(ui.dialogs.size(), 2u);
  EXPECT_EQ(ui.dialogs[0].first, DialogKind::Preferences);
  EXPECT_EQ(ui.dialogs[1].first, DialogKind::Setup);
  EXPECT_EQ(ui.status, "Status: Idle");
  EXPECT_TRUE(logic.state.toolbar1Enabled);
  EXPECT_EQ(app.sharedSlots[100], "0");
  EXPECT_EQ(ui.loaderShown, (std::vector<bool>{true, false}));
}

TEST_F(MainWindowLogicTest, LaterStartsGoStraightToIdle) {
  writeSetup();
  ui.messages.clear();
  ui.answers = {Answer::Yes};
  ASSERT_TRUE(logic.Timer1_Timer());
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(ui.dialogs.empty());
  EXPECT_GT(app.qbReps.GetChildCount(), 0);
}

TEST_F(MainWindowLogicTest, MappingSwitchesAreOnUnlessExactlyZero) {
  app.setup.MoveToRoot();
  app.setup.SetChildValue("qbsetupchkclass", "0");
  app.setup.SetChildValue("qbsetupchkreps", "false");
  logic.load_setup();
  EXPECT_FALSE(logic.switches.useClass);
  EXPECT_TRUE(logic.switches.useReps);
  EXPECT_TRUE(logic.switches.useSalesTax) << "a missing key is on";
}

TEST_F(MainWindowLogicTest, ErrorsAfterConnectingAreReportedNotThrown) {
  // A setup file that cannot be looked at counts as missing: the first-start information.
  app.globalfolder = app.settingsFolder + "/" + std::string(300, 'n') + "/";
  ui.messages.clear();
  ui.answers = {Answer::Yes};
  ASSERT_TRUE(logic.Timer1_Timer());
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].title, "IMPORTANT INFORMATION");

  // Any other failure ends the dialogue with the common error report; the window stays usable.
  ui.messages.clear();
  ui.answers = {Answer::Yes};
  ui.onDialog = [](DialogKind, const std::string&) { throw std::runtime_error("no window"); };
  EXPECT_TRUE(logic.Timer1_Timer());
  ASSERT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(ui.messages[2].title, "Application Error");
  EXPECT_EQ(ui.messages[2].text,
            common_error_report_text("frmQB", "Timer1_Timer", 0, 0, "no window"));
  EXPECT_TRUE(logic.state.toolbar1Enabled);
  EXPECT_FALSE(logic.closeRequested);
}

TEST_F(MainWindowLogicTest, ConnectingAndLoadingGoThroughTheHandedInTransport) {
  writeSetup();
  test::TransportCount count;
  MainWindowLogic counted{app, test::counting_transports(count)};
  ui.answers = {Answer::Yes};
  ASSERT_TRUE(counted.Timer1_Timer());
  EXPECT_GT(count.count(), 0u);
  // Every request in the exchange log went through it, and nothing else did.
  std::ifstream log(app.settingsFolder + "/" + qb::kExchangeLogName);
  std::size_t logged = 0;
  for (std::string line; std::getline(log, line);)
    if (line.starts_with("=== ") && line.ends_with(" request")) ++logged;
  EXPECT_EQ(count.count(), logged);
}

TEST(QbError, NotReachableHasItsFixedTextOthersTheirDescription) {
  EXPECT_EQ(qb::qb_error("20852", "anything"),
            "Cannot connect to QuickBooks. Please ensure that QuicBooks PRO 2005 or higher is "
            "open on this computer.");
  EXPECT_EQ(qb::qb_error("3100", "The name is in use."), "The name is in use.");
}

TEST_F(MainWindowLogicTest, ClrMeEmptiesTheWindow) {
  logic.runMenuKey("mnuSendCustomerInvoices");
  ASSERT_FALSE(logic.state.grid.rows.empty());
  logic.clr_me();
  EXPECT_TRUE(logic.state.grid.rows.empty());
  EXPECT_EQ(logic.state.currentList, "");
  EXPECT_EQ(ui.status, "Status: Idle");
  EXPECT_EQ(logic.state.comment,
            "If this is your first time using the integrator we highly recommend that you read "
            "the online documentation first.");
}

// Menu contents are the code's own lists; what matters is which items appear when.
TEST_F(MainWindowLogicTest, ToolbarMenusOpenAndMaintenanceAddsItsItems) {
  logic.TB1_ButtonClick("Help");
  EXPECT_TRUE(logic.menuOpen);
  EXPECT_EQ(logic.menu.items().size(), 5u);
  EXPECT_EQ(logic.menu.keyOf(5), "mnuHelpUndoSend");
  app.maintenanceUnlocked = true;
  logic.TB1_ButtonClick("Help");
  EXPECT_EQ(logic.menu.keyOf(7), "mnuHelpImportBalances") << "item numbers count separators";
  logic.TB1_ButtonClick("Exit");
  EXPECT_TRUE(logic.closeRequested);
}

TEST_F(MainWindowLogicTest, DataButtonsWithAnEmptyGridOnlySaySo) {
  for (const char* caption : {"Run", "Select", "Print", "Preferences"}) {
    ui.messages.clear();
    logic.menuOpen = false;
    logic.TB2_ButtonClick(caption);
    ASSERT_EQ(ui.messages.size(), 1u) << caption;
    EXPECT_EQ(ui.messages[0].text,
              "Click on the export or import button to get a list of items first.");
    EXPECT_FALSE(logic.menuOpen);
    EXPECT_TRUE(ui.dialogs.empty());
  }
  ui.messages.clear();
  logic.TB2_ButtonClick("Filter");
  EXPECT_EQ(ui.messages.at(0).text,
            "First click on the export or import button above to select the correct options.");
  EXPECT_EQ(ui.messages.at(0).title, "Filter Options");
}

TEST_F(MainWindowLogicTest, RunMenuDependsOnTheList) {
  logic.runMenuKey("mnuSendCustomers");
  ASSERT_FALSE(logic.state.grid.rows.empty());
  logic.TB2_ButtonClick("Run");
  EXPECT_EQ(keys(), (std::vector<std::string>{"mnuSendQB", "", "mnuMarkSentNot"}));
  logic.runMenuKey("mnuSendCustomerInvoices");
  logic.TB2_ButtonClick("Run");
  EXPECT_EQ(keys(), (std::vector<std::string>{"mnuSendQB", "", "mnuMarkSent", "mnuMarkSentNot"}));
  logic.mnu_Run(true);
  EXPECT_EQ(keys().back(), "mnuGetQB");
  logic.state.currentList.clear();
  ui.messages.clear();
  logic.mnu_Run(false);
  EXPECT_EQ(ui.messages.at(0).text,
            "Click on the export or import button first to get a list of records");
  EXPECT_EQ(ui.messages.at(0).title, "QB Integrator");
}

TEST_F(MainWindowLogicTest, FilterMenuShowsSavedStatesAndTogglesSaveTheFile) {
  logic.runMenuKey("mnuSendCustomerInvoices");
  logic.TB2_ButtonClick("Filter");
  const auto& items = logic.menu.items();
  ASSERT_GE(items.size(), 7u);
  EXPECT_EQ(items[0].key, "mnufiltershowinvoices");
  EXPECT_TRUE(items[0].checked) << "on unless \"0\"";
  EXPECT_FALSE(items[1].checked) << "work orders only when \"1\"";
  EXPECT_FALSE(items[3].checked);
  EXPECT_TRUE(items[4].checked);
  EXPECT_EQ(items[6].caption, "WO Status");
  EXPECT_GT(items.size(), 7u) << "one item per work-order status";
  EXPECT_EQ(items[7].key, "mnuWOStatus");

  std::size_t before = logic.state.grid.rows.size();
  logic.runMenuKey("mnufiltershowexported");
  EXPECT_EQ(setup_value(app, "filtershowexported"), "1");
  EXPECT_GT(logic.state.grid.rows.size(), before) << "exported invoices join the list";
  logic.runMenuKey("mnufiltershowexportednot");
  EXPECT_EQ(setup_value(app, "filtershowexportednot"), "0");
  RecordDoc saved;
  ASSERT_TRUE(saved.LoadXmlFile(setup_file_path(app)));
  EXPECT_EQ(saved.GetChildContent("filtershowexportednot"), "0");
  logic.runMenuKey("mnufiltershowexportednot");
  EXPECT_EQ(setup_value(app, "filtershowexportednot"), "1");
}

TEST_F(MainWindowLogicTest, InvoiceOptionsToggleBetweenOneAndZero) {
  logic.mnu_invoiceOptions();
  logic.dMnu_ItemClick(2);
  EXPECT_EQ(setup_value(app, "optinvqbnumber"), "1");
  logic.mnu_invoiceOptions();
  EXPECT_TRUE(logic.menu.items()[1].checked);
  logic.dMnu_ItemClick(2);
  EXPECT_EQ(setup_value(app, "optinvqbnumber"), "0");
}

TEST_F(MainWindowLogicTest, SelectAllAndNoneTickEveryDataRow) {
  logic.runMenuKey("mnuSendCustomerPayments");
  ASSERT_FALSE(logic.state.grid.rows.empty());
  logic.TB2_ButtonClick("Select");
  logic.dMnu_ItemClick(1);
  for (const auto& row : logic.state.grid.rows) EXPECT_TRUE(row.ticked);
  logic.runMenuKey("mnuSelectNone");
  for (const auto& row : logic.state.grid.rows) EXPECT_FALSE(row.ticked);
}

TEST_F(MainWindowLogicTest, SendOpensPreferencesOnItsTabFirstUnlessSwitchedOff) {
  logic.runMenuKey("mnuSendCustomerInvoices");
  logic.runMenuKey("mnuSendQB");
  ASSERT_EQ(ui.dialogs.size(), 1u);
  EXPECT_EQ(ui.dialogs[0], std::make_pair(DialogKind::Preferences, std::string("Invoices")));
  EXPECT_NE(std::find(ui.statuses.begin(), ui.statuses.end(), "Preparing to send invoices..."),
            ui.statuses.end());

  save_setup_value(app, "chkshowpos", "0");
  logic.runMenuKey("mnuSendPOs");
  ui.dialogs.clear();
  logic.runMenuKey("mnuSendQB");
  EXPECT_TRUE(ui.dialogs.empty());

  // After a failed connection the tab still opens, but nothing is sent.
  logic.runMenuKey("mnuSendCustomerPayments");
  app.sharedSlots[100] = "1";
  ui.messages.clear();
  logic.runMenuKey("mnuSendQB");
  EXPECT_TRUE(ui.messages.empty()) << "nothing is sent while the connection flag is set";
  EXPECT_EQ(ui.dialogs.at(0), std::make_pair(DialogKind::Preferences, std::string("Payments")));
}

TEST_F(MainWindowLogicTest,
       SendingTickedInvoicesPaymentsAndPurchaseOrdersFillsTheirCommentsUnlessTheConnectionFailed) {
  writeSetup();
  ui.answers = {Answer::Yes};
  ASSERT_TRUE(logic.Timer1_Timer());
  for (const char* list : {"mnuSendCustomerInvoices", "mnuSendCustomerPayments", "mnuSendPOs"}) {
    SCOPED_TRACE(list);
    logic.runMenuKey(list);
    ASSERT_GE(logic.state.grid.rows.size(), 2u);
    auto& rows = logic.state.grid.rows;
    const auto comment = static_cast<std::size_t>(logic.state.grid.column("Comment"));
    app.sharedSlots[100] = "1";  // abortFlag: the last connection failed
    rows[0].ticked = true;
    logic.runMenuKey("mnuSendQB");
    EXPECT_EQ(rows[0].cells[comment], "");
    app.sharedSlots[100] = "0";
    logic.runMenuKey("mnuSendQB");
    EXPECT_NE(rows[0].cells[comment], "");
    EXPECT_EQ(rows[1].cells[comment], "") << "only ticked rows are sent";
    EXPECT_EQ(ui.status, "Operation completed");
    EXPECT_FALSE(logic.state.busy);
  }
}

// While another integrator works on the database the window says so in a box, sends and
// marks nothing, and leaves its list as it is.
TEST_F(MainWindowLogicTest, AnotherIntegratorAtWorkStopsSendAndMarkWithTheListUnchanged) {
  writeSetup();
  ui.answers = {Answer::Yes};
  ASSERT_TRUE(logic.Timer1_Timer());
  logic.runMenuKey("mnuSendCustomerInvoices");
  for (auto& row : logic.state.grid.rows) row.ticked = true;
  std::vector<std::vector<std::string>> cells;
  for (const auto& row : logic.state.grid.rows) cells.push_back(row.cells);
  test::FakeUi otherUi;
  App other(otherUi);
  other.databasePath = app.databasePath;
  IntegratorLock held(other);
  ASSERT_TRUE(held.held());
  for (const char* key : {"mnuSendQB", "mnuMarkSent"}) {
    ui.messages.clear();
    ui.dialogs.clear();
    logic.runMenuKey(key);
    ASSERT_EQ(ui.messages.size(), 1u) << key;
    const std::string& text = ui.messages[0].text;
    EXPECT_EQ(text.rfind("Another integrator (main_window_main_window_logic_test, process ", 0), 0u)
        << text;
    EXPECT_TRUE(text.ends_with(key == std::string("mnuSendQB") ? ". Nothing was sent."
                                                               : ". Nothing was changed."))
        << text;
    EXPECT_TRUE(ui.dialogs.empty()) << "not even the preferences tab";
    for (std::size_t r = 0; r < cells.size(); ++r)
      EXPECT_EQ(logic.state.grid.rows.at(r).cells, cells[r]);
    EXPECT_FALSE(logic.state.busy);
  }
}

// The demo leaves a few codes unmapped on purpose and has one name too long for QuickBooks:
// answering the assign window and the name box as a user would, every customer and supplier
// not exported yet goes over, and a second run finds nothing left to send.
TEST_F(MainWindowLogicTest, EveryUnexportedDemoCustomerAndSupplierCanBeSentFromTheWindow) {
  writeSetup();
  ui.answers = {Answer::Yes};
  ASSERT_TRUE(logic.Timer1_Timer());
  const std::vector<std::pair<std::string, std::string>> choices{
      {"2% 10 Net 30", "Net 30"},
      {"Dana", "RP"},
      {"Government", "Education"},
      {"Special District Levy", "District Levy"}};
  ui.onDialog = [&](DialogKind kind, const std::string&) {
    ASSERT_EQ(kind, DialogKind::Assign);
    AssignDialogLogic dialog(app, logic.components());
    dialog.Form_Load();
    dialog.fill_me();
    for (const auto& [code, choice] : choices) {
      if (dialog.message().find(code) == std::string::npos) continue;
      for (std::size_t i = 0; i < dialog.rows().size(); ++i)
        if (dialog.rows()[i].at(static_cast<std::size_t>(dialog.valueColumn())) == choice)
          dialog.selectRow(static_cast<int>(i));
    }
    ASSERT_GE(dialog.selectedRow(), 0) << dialog.message();
    ASSERT_TRUE(dialog.cmdUpdate_Click());
  };
  ui.inputs = {"Northern Alberta Minor Hockey"};

  for (const char* key : {"mnuSendCustomers", "mnuSendSuppliers"}) {
    logic.runMenuKey(key);
    ASSERT_FALSE(logic.state.grid.rows.empty()) << key;
    logic.runMenuKey("mnuSelectAll");
    logic.runMenuKey("mnuSendQB");
    for (const auto& row : logic.state.grid.rows)
      EXPECT_EQ(row.cells.at(4), "Success") << row.cells.at(0);
    logic.runMenuKey(key);
    EXPECT_TRUE(logic.state.grid.rows.empty()) << key << ": nothing is left to send";
  }
  qb::sim::SimulatedCompany company(demo.companyFile);
  EXPECT_TRUE(company.findByName(qb::sim::Kind::Customer, "O'Brien & Sons <West>").has_value());
  EXPECT_TRUE(company.findByName(qb::sim::Kind::Vendor, "D'Angelo Thread & Notions").has_value());
}

TEST_F(MainWindowLogicTest, BusyLeavesOnlyCancel) {
  logic.imBusy(true);
  EXPECT_FALSE(logic.state.toolbar1Enabled);
  EXPECT_TRUE(logic.state.busy);
  logic.TB2_ButtonClick("Cancel");
  EXPECT_TRUE(logic.state.cancelRequested);
  logic.imBusy(false);
  EXPECT_TRUE(logic.state.toolbar1Enabled);
  EXPECT_FALSE(logic.state.busy);
}

TEST_F(MainWindowLogicTest, OnlineManualOpensTheHelpPage) {
  logic.runMenuKey("mnuHelpOnline");
  ASSERT_EQ(ui.urlsOpened.size(), 1u);
  EXPECT_EQ(ui.urlsOpened[0], std::string(VQB_TEST_PROGRAM_DIR) + "/manual/index.html");
}

TEST_F(MainWindowLogicTest, EveryMenuKeyIsDispatched) {
  // Each key shows its list, or opens its dialog when `list` is null.
  const std::tuple<const char*, const char*, DialogKind> cases[] = {
      {"mnuSendCustomerInvoices", "Send Customer Invoices", {}},
      {"mnuSendCustomerPayments", "Send Customer Payments", {}},
      {"mnuSendCustomers", "Send Customers", {}},
      {"mnuSendPOs", "Send Supplier POs", {}},
      {"mnuSendSuppliers", "Send Suppliers", {}},
      {"mnuUpdateCustomers", nullptr, DialogKind::UpdateCustomers},
      {"mnuHelpTechSupport", nullptr, DialogKind::Password},
      {"mnuHelpAbout", nullptr, DialogKind::About},
      {"mnuSyncContact", "Sync Customer Contact Info", {}},
      {"mnuGetCustomers", "Get Customers", {}},
      {"mnuGetSuppliers", "Get Suppliers", {}},
  };
  for (const auto& [key, list, dialog] : cases) {
    SCOPED_TRACE(key);
    ui.messages.clear();
    ui.dialogs.clear();
    logic.runMenuKey(key);
    if (list) {
      EXPECT_EQ(logic.state.currentList, list);
      EXPECT_TRUE(ui.messages.empty()) << (ui.messages.empty() ? "" : ui.messages[0].text);
    } else {
      ASSERT_EQ(ui.dialogs.size(), 1u);
      EXPECT_EQ(ui.dialogs[0].first, dialog);
    }
  }
}

// The Sync menu's first item, shown greyed, lists the contact-info customers first and sends
// the ticked ones once the list is shown (the second reconciles, tested on its own); the
// balance import lists the QuickBooks customers itself and books each balance once.
TEST_F(MainWindowLogicTest, SyncAndBalanceImportFromTheMenus) {
  logic.TB1_ButtonClick("Sync");
  ASSERT_EQ(logic.menu.items().size(), 2u);
  const MenuItem& item = logic.menu.items()[0];
  EXPECT_EQ(item.caption, "Customer Balances");
  EXPECT_EQ(item.key, "mnuSyncBalance");
  EXPECT_EQ(item.colour, "Grey");
  EXPECT_TRUE(item.enabled);
  EXPECT_EQ(logic.menu.items()[1].caption, "Reconcile with QuickBooks");
  EXPECT_EQ(logic.menu.items()[1].key, "mnuSyncReconcile");

  logic.runMenuKey("mnuSendCustomers");
  logic.dMnu_ItemClick(1);
  EXPECT_EQ(logic.state.currentList, "Sync Customer Contact Info");
  ASSERT_FALSE(logic.state.grid.rows.empty());
  ui.statuses.clear();
  logic.runMenuKey("mnuSyncBalance");  // nothing ticked: nothing sent
  EXPECT_EQ(ui.statuses.back(), "Operation completed");
  EXPECT_TRUE(ui.messages.empty());

  // A Vantora customer linked to a QuickBooks customer that owes money.
  qb::sim::SimulatedCompany(demo.companyFile).addCustomer("Owing Co", {{"OpenBalance", "42.10"}});
  auto db = open_database(app.databasePath);
  db->execute(
      "UPDATE Customers SET QBAccountNumber = 'Owing Co' WHERE Link = (SELECT MIN(Link) FROM "
      "Customers)");
  // The demo's other customers with open invoices in QuickBooks owe money there too.
  const qb::sim::SimulatedCompany company(demo.companyFile);
  int owing = 1;
  for (const auto& row : db->queryAll("SELECT QBAccountNumber FROM Customers WHERE QBAccountNumber "
                                      "<> '' AND Link > (SELECT MIN(Link) FROM Customers)")
                             .rows)
    if (auto c = company.findByName(qb::sim::Kind::Customer, *row[0]);
        c && numeric_value(c->value("Balance")) != 0)
      ++owing;
  const std::string sql =
      "SELECT Customer, Debit, Credit, outstanding FROM custPost WHERE Description = 'Open Bal "
      "QB' AND Customer = (SELECT MIN(Link) FROM Customers)";
  for (int run = 0; run < 2; ++run) {
    ui.messages.clear();
    logic.runMenuKey("mnuHelpImportBalances");
    EXPECT_EQ(logic.state.currentList, "Get Customers");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(
        ui.messages[0].text,
        "Done\r\n\r\nOpening balances booked: " + std::to_string(run == 0 ? owing : 0) +
            "\r\nSkipped because one was already booked: " + std::to_string(run == 0 ? 0 : owing));
    auto rows = db->queryAll(sql).rows;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], "42.1");
    EXPECT_EQ(rows[0][2], "0");
    EXPECT_EQ(rows[0][3], "42.1");
  }
  EXPECT_FALSE(logic.state.busy);
}

// The QuickBooks lists from the Import menu: listed, ticked, imported with Run.
class ImportFromWindowTest : public MainWindowLogicTest {
 protected:
  void SetUp() override {
    writeSetup();
    ui.answers = {Answer::Yes};
    ASSERT_TRUE(logic.Timer1_Timer());
    ui.messages.clear();
  }
  // The grid row showing this QuickBooks name, or nullptr.
  WorkRow* rowNamed(const std::string& name) {
    for (auto& row : logic.state.grid.rows)
      if (row.cells.at(0) == name) return &row;
    return nullptr;
  }
  std::string cell(const std::string& sql) {
    auto rows = open_database(app.databasePath)->queryAll(sql);
    return rows.rows.empty() ? "<none>" : rows.rows.front().front().value_or("<null>");
  }
};

TEST_F(ImportFromWindowTest, RunOnGetCustomersImportsTheTickedNewCustomer) {
  qb::sim::SimulatedCompany(demo.companyFile)
      .addCustomer("Ruth's <Bakery> & Co", {{"Phone", "555-0100"},
                                            {"BillAddress/Addr1", "4 Mill St"},
                                            {"BillAddress/City", "Dover"},
                                            {"OpenBalance", "-12.5"}});
  logic.TB1_ButtonClick("Import");
  logic.dMnu_ItemClick(1);
  EXPECT_EQ(logic.state.currentList, "Get Customers");
  EXPECT_EQ(logic.state.comment, kImportHint);
  WorkRow* added = rowNamed("Ruth's <Bakery> & Co");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->foreColour, -1) << "not in Vantora yet";
  int linked = 0;
  for (const auto& row : logic.state.grid.rows) linked += row.foreColour == kSentRowColour;
  EXPECT_GT(linked, 0) << "the demo's exported customers are marked";

  added->ticked = true;
  ui.answers = {Answer::Yes};  // import opening balances
  logic.TB2_ButtonClick("Run");
  EXPECT_FALSE(logic.menuOpen) << "Run imports directly";
  EXPECT_FALSE(logic.state.busy);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Import opening balances ?");
  added = rowNamed("Ruth's <Bakery> & Co");
  EXPECT_EQ(added->cells.at(10), "Sent");
  EXPECT_EQ(added->foreColour, kSentRowColour);
  for (const auto& row : logic.state.grid.rows) {
    if (&row == added) continue;
    EXPECT_EQ(row.cells.at(10), "") << "unticked rows are left alone";
  }
  const std::string link =
      cell("SELECT Link FROM Customers WHERE QBAccountNumber = 'Ruth''s <Bakery> & Co'");
  EXPECT_EQ(cell("SELECT BAddress FROM Customers WHERE Link = " + link), "4 Mill St\r\nDover,  ");
  EXPECT_EQ(cell("SELECT credit || '/' || outstanding FROM CustPost WHERE Customer = " + link),
            "12.5/12.5");

  // Run again: the row has its result, nothing is imported twice.
  ui.answers = {Answer::Yes};
  logic.TB2_ButtonClick("Run");
  EXPECT_EQ(cell("SELECT COUNT(*) FROM Customers WHERE QBAccountNumber = 'Ruth''s <Bakery> & Co'"),
            "1");
}

TEST_F(ImportFromWindowTest, FiltersOnTheCustomerListApplyAfterTheRefill) {
  qb::sim::SimulatedCompany(demo.companyFile).addCustomer("Fresh Customer");
  logic.runMenuKey("mnuGetCustomers");
  const std::size_t listed = logic.state.grid.rows.size();
  ASSERT_GT(listed, 1u);
  for (const auto& row : logic.state.grid.rows)
    EXPECT_FALSE(row.hidden) << "the fill shows every record";
  // "Show if imported" is off unless "1": toggling it twice leaves it off and hides imported rows.
  logic.runMenuKey("mnufiltershowexported");
  logic.runMenuKey("mnufiltershowexported");
  EXPECT_EQ(setup_value(app, "filtershowexported"), "0");
  ASSERT_EQ(logic.state.grid.rows.size(), listed);
  for (const auto& row : logic.state.grid.rows)
    EXPECT_EQ(row.hidden, row.foreColour == kSentRowColour) << row.cells[0];
  EXPECT_FALSE(rowNamed("Fresh Customer")->hidden);
}

TEST_F(ImportFromWindowTest, RunOnGetSuppliersImportsWithoutAQuestion) {
  qb::sim::SimulatedCompany(demo.companyFile)
      .addVendor("Loom & <Shuttle>", {{"CompanyName", "Loom & <Shuttle> Ltd"}});
  logic.runMenuKey("mnuGetSuppliers");
  WorkRow* added = rowNamed("Loom & <Shuttle>");
  ASSERT_NE(added, nullptr);
  added->ticked = true;
  logic.TB2_ButtonClick("Run");
  EXPECT_TRUE(ui.messages.empty()) << (ui.messages.empty() ? "" : ui.messages[0].text);
  EXPECT_EQ(rowNamed("Loom & <Shuttle>")->cells.at(10), "Sent");
  EXPECT_EQ(cell("SELECT Description FROM Suppliers WHERE QBAccount = 'Loom & <Shuttle>'"),
            "Loom & <Shuttle> Ltd");
}

TEST_F(ImportFromWindowTest, UpdateSupplierAddressesListsTheSuppliersAndCreatesEachAddressOnce) {
  qb::sim::SimulatedCompany(demo.companyFile)
      .addVendor("Bay Thread", {{"VendorAddress/Addr1", "1 Quay"}, {"VendorAddress/City", "Bay"}});
  open_database(app.databasePath)
      ->execute(
          "INSERT INTO Suppliers (Link, Description, QBAccount, BAddress) VALUES (9001, 'Bay', "
          "'Bay Thread', 'old')");
  app.maintenanceUnlocked = true;
  logic.runMenuKey("mnuSendCustomers");  // another list is shown
  ui.messages.clear();
  logic.runMenuKey("mnuHelpSupplierAddress");
  EXPECT_EQ(logic.state.currentList, "Get Suppliers");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Done");
  EXPECT_EQ(cell("SELECT Address1 || '|' || City FROM myaddress WHERE AccountID = 9001 AND "
                 "AccountType = 2"),
            "1 Quay|Bay");
  EXPECT_EQ(cell("SELECT BAddress FROM Suppliers WHERE Link = 9001"), "");
  logic.runMenuKey("mnuHelpSupplierAddress");
  EXPECT_EQ(cell("SELECT COUNT(*) FROM myaddress WHERE AccountID = 9001 AND AccountType = 2"), "1");
  EXPECT_FALSE(logic.state.busy);
}

}  // namespace
}  // namespace vqb
