// Checking that a transaction's customer or supplier exists in QuickBooks, and the dialogs
// that create or link it.

#include "mapping/party_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/module1.h"
#include "dialogs/validation_dialog.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/sim_fixture.h"

namespace vqb {
namespace {

class ValidationTest : public ::testing::Test, protected test::SimCompanyFixture {
 protected:
  std::vector<std::string> answers;  // slot 1 answers, then slot 10 names, per dialog
  std::vector<long> sent;

  void SetUp() override {
    company.addCustomer("Acme & <Co>");
    company.addVendor("Bolt's Supply");
    f.db()->execute(
        "INSERT INTO Customers (Link, Description, QBAccountNumber) VALUES (11, 'O''Hare Ltd', "
        "'')");
    f.db()->execute(
        "INSERT INTO Suppliers (Link, Description, QBAccount) VALUES (21, 'Bolts', 'Gone Vendor')");
    f.ui.onDialog = [this](DialogKind, const std::string&) {
      f.app.sharedSlots[1] = answers.empty() ? "" : answers.front();
      if (!answers.empty()) answers.erase(answers.begin());
      if (f.app.sharedSlots[1] == "2") {
        f.app.sharedSlots[10] = answers.front();
        answers.erase(answers.begin());
      }
    };
  }

  RecordDoc row(const std::string& sql) {
    EXPECT_TRUE(read_data(f.app, sql, false));
    RecordDoc doc = f.app.scratch.Clone();
    doc.MoveToRoot();
    doc.MoveToFirstChild();
    return doc;
  }
  SendRecordFn sender(const std::string& result) {
    return [this, result](long link) {
      sent.push_back(link);
      if (result == "Success")
        f.db()->execute("UPDATE Customers SET QBAccountNumber = 'Made' WHERE Link = " +
                        std::to_string(link));
      return result;
    };
  }
};

TEST_F(ValidationTest, KnownCustomerIsRememberedWithoutAsking) {
  f.db()->execute("UPDATE Customers SET QBAccountNumber = 'Acme & <Co>'");
  RecordDoc customer = row("Select * from customers where link = 11");
  EXPECT_TRUE(validate_customerQB(ctx, customer, sender("Success")));
  f.app.customerMemo.MoveToRoot();
  EXPECT_EQ(f.app.customerMemo.GetChildContent("v1"), "Acme & <Co>");
  company.setOpen(false);  // the cache answers now
  EXPECT_TRUE(validate_customerQB(ctx, customer, sender("Success")));
  EXPECT_TRUE(f.ui.dialogs.empty());
  EXPECT_TRUE(sent.empty());
}

TEST_F(ValidationTest, LinkRetriesUntilTheNameExistsAndWritesIt) {
  RecordDoc customer = row("Select * from customers where link = 11");
  answers = {"2", "Nobody", "2", "Acme & <Co>"};
  EXPECT_TRUE(validate_customerQB(ctx, customer, sender("Success")));
  ASSERT_EQ(f.ui.dialogs.size(), 2u);
  EXPECT_EQ(f.ui.dialogs[0].first, DialogKind::CustomerValidation);
  EXPECT_EQ(f.ui.dialogs[0].second,
            "There is no customer account in QuickBooks associated with O'Hare Ltd.\r\n"
            "Please select one of the following options.");
  EXPECT_EQ(f.ui.dialogs[1].second,
            "There is no customer called Nobody in QuickBooks. \r\nPlease select one of the "
            "following options.");
  EXPECT_EQ(f.app.sharedSlots[51], "Acme & <Co>");
  EXPECT_EQ(customer.GetChildContent("qbaccountnumber"), "Acme & <Co>");
  auto rows = f.db()->queryAll("SELECT QBAccountNumber FROM Customers WHERE Link = 11");
  EXPECT_EQ(rows.rows[0][0], "Acme & <Co>");
}

TEST_F(ValidationTest, CreateReReadsTheRowAndCancelOrFailureGiveFalse) {
  RecordDoc customer = row("Select * from customers where link = 11");
  answers = {"1"};
  EXPECT_TRUE(validate_customerQB(ctx, customer, sender("Success")));
  EXPECT_EQ(sent, std::vector<long>{11});
  EXPECT_EQ(customer.GetChildContent("qbaccountnumber"), "Made");

  RecordDoc other = row("Select * from customers where link = 11");
  other.SetChildValue("qbaccountnumber", "");
  answers = {"1"};
  EXPECT_FALSE(validate_customerQB(ctx, other, sender("Error: 3100 name in use")));
  answers = {};
  EXPECT_FALSE(validate_customerQB(ctx, other, sender("Success")));
}

TEST_F(ValidationTest, VendorLinksByItsOwnColumnAndStatement) {
  RecordDoc supplier = row("Select * from suppliers where link = 21");
  answers = {"2", "Bolt's Supply"};
  EXPECT_TRUE(validate_vendorQB(ctx, supplier, sender("Success")));
  ASSERT_EQ(f.ui.dialogs.size(), 1u);
  EXPECT_EQ(f.ui.dialogs[0].first, DialogKind::VendorValidation);
  EXPECT_EQ(f.ui.dialogs[0].second,
            "There is no vendor called Gone Vendor in QuickBooks. \r\nPlease select one of the "
            "following options.");
  EXPECT_EQ(supplier.GetChildContent("qbaccount"), "Bolt's Supply");
  auto rows = f.db()->queryAll("SELECT QBAccount FROM Suppliers WHERE Link = 21");
  EXPECT_EQ(rows.rows[0][0], "Bolt's Supply");
  // Now known: remembered in the vendor cache, not the customer one.
  EXPECT_TRUE(validate_vendorQB(ctx, supplier, sender("Success")));
  f.app.vendorMemo.MoveToRoot();
  EXPECT_EQ(f.app.vendorMemo.GetChildContent("v1"), "Bolt's Supply");
  EXPECT_EQ(f.ui.dialogs.size(), 1u);
}

TEST_F(ValidationTest, DialogLogicChecksTheChoice) {
  CustomerValidationLogic dialog(f.app, "msg");
  EXPECT_EQ(dialog.header(), "Customer Validation: msg");
  f.app.sharedSlots[1] = "x";
  EXPECT_FALSE(dialog.cmdUpdate_Click());
  dialog.choice = ValidationDialogLogic::Choice::Link;
  EXPECT_FALSE(dialog.cmdUpdate_Click());
  ASSERT_EQ(f.ui.messages.size(), 2u);
  EXPECT_EQ(f.ui.messages[0].text, "Please select at least on of the options above.");
  EXPECT_EQ(f.ui.messages[0].title, "Error");
  EXPECT_EQ(f.ui.messages[1].text,
            "Please enter a existing 'QuickBooks Customer Name' to link to this account.");
  dialog.txtLink = "Acme";
  EXPECT_TRUE(dialog.cmdUpdate_Click());
  EXPECT_EQ(f.app.sharedSlots[1], "2");
  EXPECT_EQ(f.app.sharedSlots[10], "Acme");
  dialog.choice = ValidationDialogLogic::Choice::New;
  EXPECT_TRUE(dialog.cmdUpdate_Click());
  EXPECT_EQ(f.app.sharedSlots[1], "1");
  dialog.cmdCancel_Click();
  EXPECT_EQ(f.app.sharedSlots[1], "");

  VendorValidationLogic vendor(f.app, "m");
  EXPECT_EQ(vendor.header(), "Vendor Validation: m");
  EXPECT_EQ(vendor.newOptionText(), "Create a new vendor in QuickBooks");
  vendor.choice = ValidationDialogLogic::Choice::Link;
  EXPECT_FALSE(vendor.cmdUpdate_Click());
  EXPECT_EQ(f.ui.messages.back().text,
            "Please enter a existing 'QuickBooks Vendor Name' to link to this account.");
}

}  // namespace
}  // namespace vqb
