#include "dialogs/preferences.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "app/errors.h"
#include "app/setup_file.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

struct PreferencesTest : ::testing::Test {
  PreferencesTest() {
    app.globalfolder = dir.path().string() + "/";
    load_setup_document(app);
    // The account list as the loader makes it: Name as text, FullName in "fname".
    app.qbAccounts.Clear();
    app.qbAccounts.SetTag("Accounts");
    for (auto [name, full] : {std::pair{"Accounts Receivable", "Accounts Receivable"},
                              std::pair{"Trade", "Accounts Receivable:Trade"}}) {
      app.qbAccounts.AddChild("AccName", name);
      app.qbAccounts.MoveToLastChild();
      app.qbAccounts.AddChild("fname", full);
      app.qbAccounts.MoveToParent();
    }
  }
  void store(const std::string& key, const std::string& value) {
    save_setup_value(app, key, value);
  }
  // The keys and texts of QBsetup.xml as written on disk.
  std::map<std::string, std::string> file() {
    RecordDoc doc;
    EXPECT_TRUE(doc.LoadXmlFile(setup_file_path(app)));
    std::map<std::string, std::string> result;
    for (pugi::xml_node child : doc.Current().children()) result[child.name()] = child.text().get();
    return result;
  }
  PreferencesLogic opened(const std::string& tab = "") {
    PreferencesLogic logic(app, tab);
    logic.Form_Load();
    logic.Timer1_Timer();
    return logic;
  }

  test::TempDir dir;
  test::FakeUi ui;
  App app{ui};
};

TEST_F(PreferencesTest, ControlsHaveUniqueLowerCasedKeysAndTheMendedCaption) {
  auto controls = preference_controls();
  ASSERT_EQ(controls.size(), 36u);
  std::set<std::string> keys;
  for (const auto& control : controls)
    EXPECT_TRUE(keys.insert(control.key()).second) << control.name;
  // Every key the exports read is edited here.
  std::istringstream exported(
      "chkaddress chkdupinvoices chkmarkdupinvoices chkmarkinvoiceprinted chkinvoiceprefix "
      "txtinvprefix optinvprefix1 cmbar optmemo1 optmemo4 chkmarkduppayments optapply0 "
      "optapply1 optpmemo1 optpmemo2 optpmemo3 chkduppurchaseorders chkmarkduppurchaseorders "
      "chkmarkposprinted chkpoprefix txtpoprefix chkposupplierref chkqbassignponumbers "
      "chkshowinvoices chkshowpayments chkshowpos chkamortize");
  for (std::string key; exported >> key;) EXPECT_TRUE(keys.count(key)) << key;

  const PreferenceControl* supplierRef = find_preference_control("CHKPOSUPPLIERREF");
  ASSERT_NE(supplierRef, nullptr);
  EXPECT_EQ(supplierRef->name, "chkPOSupplierRef");
  EXPECT_EQ(supplierRef->caption, "Use the supplier reference as the PO number");
  EXPECT_NE(supplierRef->caption, find_preference_control("chkpoprefix")->caption);
  EXPECT_EQ(find_preference_control("chkMarkDupPurchaseOrders")->caption,
            "When a PO po is confirmed. Flag the PO in Vantora as sent.");
  EXPECT_EQ(find_preference_control("optApply1")->tab, 2);
  EXPECT_EQ(find_preference_control("cmbAR")->caption, "Send to AR Account (Optional)");
  EXPECT_EQ(find_preference_control("nope"), nullptr);
}

TEST_F(PreferencesTest, FirstStartShowsEverythingEmptyAndSavesEveryKey) {
  ASSERT_FALSE(std::filesystem::exists(setup_file_path(app)));
  PreferencesLogic logic = opened();
  EXPECT_EQ(logic.tab, 1);
  for (const auto& control : preference_controls()) {
    EXPECT_FALSE(logic.value(control.name)) << control.name;
    EXPECT_EQ(logic.text(control.name), "") << control.name;
  }
  EXPECT_EQ(logic.arAccounts(),
            (std::vector<std::string>{"Accounts Receivable", "Accounts Receivable:Trade"}));
  EXPECT_TRUE(ui.messages.empty());

  ASSERT_TRUE(logic.cmdUpdate_Click());
  EXPECT_TRUE(logic.closed);
  auto saved = file();
  EXPECT_EQ(saved.size(), 36u);
  EXPECT_EQ(saved["chkdupinvoices"], "0");
  EXPECT_EQ(saved["optmemo4"], "False");
  EXPECT_EQ(saved["txtinvprefix"], "");
  EXPECT_EQ(saved["cmbar"], "");
}

TEST_F(PreferencesTest, FillReadsOnlyTheStoredForms) {
  store("chkdupinvoices", "1");
  store("chksendremarks", "True");  // a check box holding an option's form stays unticked
  store("chkamortize", "2");
  store("optmemo2", "True");
  store("optmemo3", "true");  // only "True" selects
  store("optapply1", "1");
  store("txtinvprefix", "VT");
  store("txtpoprefix", "PO-");
  store("cmbar", "Accounts Receivable:Trade");
  PreferencesLogic logic = opened();
  EXPECT_TRUE(logic.value("chkDupInvoices"));
  EXPECT_FALSE(logic.value("chkSendRemarks"));
  EXPECT_FALSE(logic.value("chkAmortize"));
  EXPECT_TRUE(logic.value("optMemo2"));
  EXPECT_FALSE(logic.value("optMemo3"));
  EXPECT_FALSE(logic.value("optApply1"));
  EXPECT_EQ(logic.text("txtInvPrefix"), "VT");
  EXPECT_EQ(logic.text("txtPOPrefix"), "PO-");
  EXPECT_EQ(logic.text("cmbAR"), "Accounts Receivable:Trade");
}

TEST_F(PreferencesTest, AnAccountNoLongerListedIsNotSelected) {
  store("cmbar", "Trade");  // the short name, not the full name the list offers
  EXPECT_EQ(opened().text("cmbAR"), "");
  app.qbAccounts.Clear();
  store("cmbar", "Accounts Receivable");
  PreferencesLogic logic = opened();
  EXPECT_TRUE(logic.arAccounts().empty());
  EXPECT_EQ(logic.text("cmbAR"), "");
}

TEST_F(PreferencesTest, StartingTabFollowsTheRequestedName) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"", 1},         {"General", 1},         {"Payments", 2},
      {"Invoices", 3}, {"Purchase Orders", 4}, {"invoices", 1}};
  for (const auto& [name, tab] : cases) EXPECT_EQ(opened(name).tab, tab) << name;
}

TEST_F(PreferencesTest, MarkDuplicateBoxesNeedTheirCheckBox) {
  PreferencesLogic logic = opened();
  for (auto [check, mark] : {std::pair{"chkDupPayments", "chkMarkDupPayments"},
                             std::pair{"chkDupInvoices", "chkMarkDupInvoices"},
                             std::pair{"chkduppurchaseorders", "chkMarkDupPurchaseOrders"}}) {
    EXPECT_FALSE(logic.enabled(mark)) << mark;
    logic.click(check, true);
    EXPECT_TRUE(logic.enabled(mark)) << mark;
    logic.click(check, false);
    EXPECT_FALSE(logic.enabled(mark)) << mark;
  }
}

TEST_F(PreferencesTest, PurchaseOrderPrefixRules) {
  PreferencesLogic logic = opened();
  EXPECT_TRUE(logic.enabled("chkPOPrefix"));
  EXPECT_FALSE(logic.enabled("txtPOPrefix"));
  logic.click("chkPOPrefix", true);
  EXPECT_TRUE(logic.enabled("txtPOPrefix"));
  logic.click("chkQBAssignPONumbers", true);
  EXPECT_FALSE(logic.enabled("chkPOPrefix"));
  EXPECT_FALSE(logic.enabled("txtPOPrefix"));
  EXPECT_TRUE(logic.enabled("chkPOSupplierRef"));
  logic.click("chkQBAssignPONumbers", false);
  EXPECT_TRUE(logic.enabled("chkPOPrefix"));
  EXPECT_TRUE(logic.enabled("txtPOPrefix"));
}

TEST_F(PreferencesTest, InvoicePrefixRules) {
  const std::vector<std::string> group = {"chkInvoicePrefix", "optInvPrefix1", "optInvPrefix2",
                                          "txtInvPrefix"};
  auto enabled = [](const PreferencesLogic& logic, const std::vector<std::string>& names) {
    std::vector<bool> result;
    for (const auto& name : names) result.push_back(logic.enabled(name));
    return result;
  };
  PreferencesLogic logic = opened();
  EXPECT_EQ(enabled(logic, group), (std::vector<bool>{true, false, false, false}));
  logic.click("chkInvoicePrefix", true);
  EXPECT_EQ(enabled(logic, group), (std::vector<bool>{true, true, true, false}));
  logic.click("optInvPrefix2", true);
  EXPECT_EQ(enabled(logic, group), (std::vector<bool>{true, true, true, true}));
  logic.click("optInvPrefix1", true);
  EXPECT_EQ(enabled(logic, group), (std::vector<bool>{true, true, true, false}));
  logic.click("optInvPrefix2", true);
  // QuickBooks numbering switches the whole group off at once, whatever is ticked in it.
  logic.click("chkQBAssignInvNumbers", true);
  EXPECT_EQ(enabled(logic, group), (std::vector<bool>{false, false, false, false}));
  logic.click("chkQBAssignInvNumbers", false);
  EXPECT_EQ(enabled(logic, group), (std::vector<bool>{true, true, true, true}));
  logic.click("chkInvoicePrefix", false);
  EXPECT_EQ(enabled(logic, group), (std::vector<bool>{true, false, false, false}));
}

TEST_F(PreferencesTest, StoredStatesAreEnabledOnOpeningAndOtherControlsAlwaysAre) {
  for (const char* key :
       {"chkqbassigninvnumbers", "chkinvoiceprefix", "chkqbassignponumbers", "chkpoprefix"})
    store(key, "1");
  store("optinvprefix2", "True");
  PreferencesLogic logic = opened();
  const std::set<std::string> ruled = {
      "chkInvoicePrefix",   "optInvPrefix1",      "optInvPrefix2",
      "txtInvPrefix",       "chkPOPrefix",        "txtPOPrefix",
      "chkMarkDupPayments", "chkMarkDupInvoices", "chkMarkDupPurchaseOrders"};
  for (const auto& control : preference_controls())
    EXPECT_EQ(logic.enabled(control.name), !ruled.count(std::string(control.name))) << control.name;
}

TEST_F(PreferencesTest, SelectingAnOptionClearsOnlyItsGroup) {
  store("optpmemo1", "True");
  store("optmemo1", "True");
  store("optmemo2", "True");  // two stored as selected: the later one wins
  PreferencesLogic logic = opened();
  EXPECT_FALSE(logic.value("optMemo1"));
  EXPECT_TRUE(logic.value("optMemo2"));
  logic.click("optMemo4", true);
  EXPECT_FALSE(logic.value("optMemo2"));
  EXPECT_TRUE(logic.value("optMemo4"));
  EXPECT_TRUE(logic.value("optPMemo1"));
  ASSERT_TRUE(logic.cmdUpdate_Click());
  auto saved = file();
  EXPECT_EQ(saved["optmemo2"], "False");
  EXPECT_EQ(saved["optmemo4"], "True");
  EXPECT_EQ(saved["optpmemo1"], "True");
}

TEST_F(PreferencesTest, SaveWritesEveryControlAndKeepsOtherKeys) {
  store("qbsetupchkreps", "0");
  PreferencesLogic logic = opened("Invoices");
  logic.click("chkDupInvoices", true);
  logic.click("chkPOSupplierRef", true);
  logic.click("optApply2", true);
  logic.setText("txtInvPrefix", "VT");
  logic.setText("cmbAR", "Accounts Receivable:Trade");
  ASSERT_TRUE(logic.cmdUpdate_Click());
  EXPECT_TRUE(logic.saved);
  auto saved = file();
  EXPECT_EQ(saved.size(), 37u);
  EXPECT_EQ(saved["qbsetupchkreps"], "0");
  EXPECT_EQ(saved["chkdupinvoices"], "1");
  EXPECT_EQ(saved["chkmarkdupinvoices"], "0");
  EXPECT_EQ(saved["chkposupplierref"], "1");
  EXPECT_EQ(saved["optapply2"], "True");
  EXPECT_EQ(saved["optapply0"], "False");
  EXPECT_EQ(saved["txtinvprefix"], "VT");
  EXPECT_EQ(saved["cmbar"], "Accounts Receivable:Trade");
  EXPECT_EQ(setup_value(app, "cmbar"), "Accounts Receivable:Trade");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PreferencesTest, UnknownArAccountShowsTheErrorOnTheInvoicesTabAndSavesNothing) {
  for (const char* typed : {"Bogus", "accounts receivable"}) {
    PreferencesLogic logic = opened("Payments");
    logic.click("chkDupPayments", true);
    logic.setText("cmbAR", typed);
    EXPECT_FALSE(logic.cmdUpdate_Click()) << typed;
    EXPECT_FALSE(logic.closed);
    EXPECT_EQ(logic.tab, 3);
    EXPECT_EQ(logic.focus, "cmbAR");
  }
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text, "Please select valid AR account or leave blank.");
  EXPECT_EQ(ui.messages[0].title, "Error");
  EXPECT_EQ(ui.messages[0].icon, Icon::Information);
  EXPECT_EQ(ui.messages[0].buttons, Buttons::Ok);
  EXPECT_FALSE(std::filesystem::exists(setup_file_path(app)));
  EXPECT_EQ(setup_value(app, "chkduppayments"), "");
}

TEST_F(PreferencesTest, CancelWritesNothing) {
  PreferencesLogic logic = opened();
  logic.click("chkShowInvoices", true);
  logic.cmdCancel_Click();
  EXPECT_TRUE(logic.closed);
  EXPECT_FALSE(logic.saved);
  EXPECT_FALSE(std::filesystem::exists(setup_file_path(app)));
  EXPECT_EQ(setup_value(app, "chkshowinvoices"), "");
}

TEST_F(PreferencesTest, UnwritableSetupFileGoesToTheErrorReportAndLeavesTheDocument) {
  app.globalfolder = dir.file("missing") + "/";
  PreferencesLogic logic = opened();
  logic.click("chkShowPOs", true);
  EXPECT_FALSE(logic.cmdUpdate_Click());
  EXPECT_FALSE(logic.closed);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Application Error");
  EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
  EXPECT_NE(ui.messages[0].text.find("Module: frmPreferences\r\nProcedure: cmdUpdate_Click\r\n"),
            std::string::npos)
      << ui.messages[0].text;
  EXPECT_NE(ui.messages[0].text.find("(75)"), std::string::npos);
  app.setup.MoveToRoot();
  EXPECT_EQ(app.setup.GetChildCount(), 0);
}

TEST_F(PreferencesTest, SetPreferenceChecksTheFormAndClearsTheOptionGroup) {
  const PreferenceControl& apply0 = *find_preference_control("optapply0");
  const PreferenceControl& apply1 = *find_preference_control("optApply1");
  const PreferenceControl& box = *find_preference_control("chkmarkposprinted");
  const PreferenceControl& prefix = *find_preference_control("txtpoprefix");
  store("optpmemo2", "True");
  set_preference(app, apply0, "True");
  set_preference(app, apply1, "True");
  set_preference(app, box, "1");
  set_preference(app, prefix, "PO ");
  auto saved = file();
  EXPECT_EQ(saved["optapply0"], "False");
  EXPECT_EQ(saved["optapply1"], "True");
  EXPECT_EQ(saved["optapply2"], "False");
  EXPECT_EQ(saved["optpmemo2"], "True");
  EXPECT_EQ(saved["chkmarkposprinted"], "1");
  EXPECT_EQ(saved["txtpoprefix"], "PO ");
  set_preference(app, apply1, "False");
  EXPECT_EQ(file()["optapply1"], "False");

  EXPECT_EQ(check_preference_value(box, "True"),
            "a check box holds \"1\" (ticked) or \"0\" (not ticked)");
  EXPECT_EQ(check_preference_value(apply0, "1"),
            "an option holds \"True\" (selected) or \"False\"");
  EXPECT_EQ(check_preference_value(*find_preference_control("cmbar"), "Anything:At all"), "");
  try {
    set_preference(app, box, "yes");
    FAIL() << "an invalid value was stored";
  } catch (const VqbError& error) {
    EXPECT_EQ(error.number(), 5);
  }
  EXPECT_EQ(file()["chkmarkposprinted"], "1");
}

}  // namespace
}  // namespace vqb
