#include "mapping/mapping_check.h"

#include <gtest/gtest.h>

#include "app/database.h"
#include "app/startup.h"
#include "main_window/main_window_logic.h"
#include "mapping/list_loader.h"
#include "support/demo_fixture.h"

namespace vqb {
namespace {

// The demo, connected and loaded as the window does, with the checking UI in front.
class MappingCheckTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::FakeUi inner;
  CheckingUi ui{inner};
  App app{ui};
  qb::DemoSetup demo;
  std::unique_ptr<MainWindowLogic> logic;

  void SetUp() override {
    ui.attach(app);
    demo = qb::make_demo(dir.file("demo"), test::DemoFixture::smallOptions(), false);
    app.programFolder = VQB_TEST_PROGRAM_DIR;
    app.settingsFolderOverride = demo.settingsFolder;
    ASSERT_TRUE(Main(app));
    logic = std::make_unique<MainWindowLogic>(app);
    ASSERT_TRUE(logic->loadLists());
  }
  CheckResult check(CheckKind kind, long key) {
    MappingContext ctx = logic->mappingContext();
    return check_mappings(ctx, kind, key);
  }
  std::string first(const std::string& sql) {
    auto rows = open_database(app.databasePath)->queryAll(sql);
    return rows.rows.empty() ? "" : rows.rows[0][0].value_or("");
  }
  std::string fingerprint() {
    return first("SELECT group_concat(QBClass || SalesGroup || Tax1, ',') FROM custsodetail") +
           first("SELECT group_concat(QB, ',') FROM SalesGroup") +
           first("SELECT group_concat(Tax1 || Terms || Rep, ',') FROM Customers");
  }
};

TEST_F(MappingCheckTest, AMissingClassStopsWithTheSendTextAndNamesTheDialogItWouldNeed) {
  std::string number = first(
      "SELECT SONumber FROM custsodetail WHERE QBClass = 'Events' AND SONumber IN (SELECT Number "
      "FROM CustSO) LIMIT 1");
  ASSERT_FALSE(number.empty()) << "the demo has an invoice line with the unmapped class";
  const std::string before = fingerprint();
  CheckResult result = check(CheckKind::Invoice, std::stol(number));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.text, "QB Class Events could not be validated. Invoice not sent!");
  EXPECT_EQ(result.dialogTitle, "QuickBooks Class not valid");
  EXPECT_EQ(result.dialogMessage.rfind("QB Class, Events, not found.", 0), 0u)
      << result.dialogMessage;
  EXPECT_EQ(fingerprint(), before) << "a check changes nothing";
  EXPECT_TRUE(inner.dialogs.empty()) << "the dialog is never shown";
}

TEST_F(MappingCheckTest, AnUnmappedSalesGroupStopsTheInvoice) {
  std::string number = first(
      "SELECT d.SONumber FROM custsodetail d WHERE d.SalesGroup = 'RUSH' AND d.SONumber NOT IN "
      "(SELECT SONumber FROM custsodetail WHERE QBClass = 'Events') LIMIT 1");
  ASSERT_FALSE(number.empty());
  CheckResult result = check(CheckKind::Invoice, std::stol(number));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.text,
            "No valid QuickBooks item associated with the following sales group: RUSH");
}

TEST_F(MappingCheckTest, AnExportedInvoiceWithMappedCodesIsReady) {
  std::string number =
      first("SELECT Number FROM CustSO WHERE QuickBooks = 1 ORDER BY Number LIMIT 1");
  ASSERT_FALSE(number.empty());
  CheckResult result = check(CheckKind::Invoice, std::stol(number));
  EXPECT_TRUE(result.ok) << result.text;
  EXPECT_EQ(result.text, "OK");
}

TEST_F(MappingCheckTest, AnUnlinkedCustomerIsSentFirstNotAStop) {
  std::string number = first(
      "SELECT s.Number FROM CustSO s JOIN Customers c ON c.Link = s.Customer WHERE "
      "(c.QBAccountNumber = '' OR "
      "c.QBAccountNumber IS NULL) AND s.Number NOT IN (SELECT SONumber FROM custsodetail WHERE "
      "QBClass = 'Events' OR "
      "SalesGroup = 'RUSH' OR SalesGroup = 'OBS') ORDER BY s.Number LIMIT 1");
  ASSERT_FALSE(number.empty());
  CheckResult result = check(CheckKind::Invoice, std::stol(number));
  EXPECT_TRUE(result.ok) << result.text;
  EXPECT_EQ(result.text,
            "OK; the customer is not in QuickBooks yet and will be created or linked when this "
            "is sent");
}

TEST_F(MappingCheckTest, MissingRecordsSaySo) {
  EXPECT_EQ(check(CheckKind::Invoice, 999999).text, "Cannot find invoice in Vantora database.");
  EXPECT_EQ(check(CheckKind::Payment, 999999).text, "Cannot find payment in Vantora database.");
  EXPECT_EQ(check(CheckKind::PurchaseOrder, 999999).text,
            "Cannot find purchase order in Vantora database.");
  EXPECT_EQ(check(CheckKind::Customer, 999999).text, "Cannot find customer in Vantora database.");
}

TEST_F(MappingCheckTest, CustomerWithUnmappedTermsStops) {
  std::string link = first(
      "SELECT c.Link FROM Customers c JOIN Terms t ON t.Link = c.Terms WHERE (t.QuickBooks = '' OR "
      "t.QuickBooks IS "
      "NULL) LIMIT 1");
  ASSERT_FALSE(link.empty()) << "the demo has a customer on unmapped terms";
  CheckResult result = check(CheckKind::Customer, std::stol(link));
  EXPECT_FALSE(result.ok);
}

}  // namespace
}  // namespace vqb
