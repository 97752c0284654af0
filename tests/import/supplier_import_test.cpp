// Importing QuickBooks vendors and repairing suppliers' mailing addresses.

#include "import/supplier_import.h"

#include <gtest/gtest.h>

#include <string>

#include "app/text_helpers.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/sim_fixture.h"

namespace vqb {
namespace {

class SupplierImportTest : public ::testing::Test, protected test::SimCompanyFixture {
 protected:
  ImportListing listing;

  void SetUp() override {
    f.db()->execute(
        "INSERT INTO comp (Link, Name, NextMaintLink, NextCustLink, NextSuppLink) VALUES (1, 'Co', "
        "500, 1000, 2000)");
    company.addVendor("Nuts & <Bolts>", {{"CompanyName", "Nuts & <Bolts> O'Hara"},
                                         {"Phone", "555-1"},
                                         {"AltPhone", "555-2"},
                                         {"Contact", "Mo"},
                                         {"VendorAddress/Addr1", "9 Dock Rd"},
                                         {"VendorAddress/City", "Port"},
                                         {"VendorAddress/State", "ME"},
                                         {"VendorAddress/PostalCode", "04101"}});
    company.addVendor("No Address");
  }
};

TEST_F(SupplierImportTest, FillListsVendorsUnderTheirName) {
  f.db()->execute(
      "INSERT INTO Suppliers (Link, Description, QBAccount) VALUES (3, 'x', 'No Address')");
  fill_suppliersQB(ctx, listing);
  EXPECT_EQ(state.currentList, "Get Suppliers");
  EXPECT_EQ(state.grid.tickColumn, 9);
  ASSERT_EQ(state.grid.rows.size(), 2u);
  EXPECT_EQ(state.grid.rows[1].cells[0], "Nuts & <Bolts>");
  EXPECT_EQ(state.grid.rows[1].cells[5], "555-2");
  EXPECT_EQ(state.grid.rows[1].cells[7], "Nuts & <Bolts>");
  EXPECT_EQ(state.grid.rows[1].foreColour, -1);
  EXPECT_EQ(state.grid.rows[0].foreColour, kSentRowColour);
}

TEST_F(SupplierImportTest, SupplierAlreadyLinkedIsNotImportedAgain) {
  fill_suppliersQB(ctx, listing);
  f.db()->execute(
      "INSERT INTO Suppliers (Link, Description, QBAccount) VALUES (3, 'x', 'Nuts & <Bolts>')");
  EXPECT_EQ(get_Supplier(ctx, listing, 1), kAlreadyImported);
  EXPECT_EQ(cell("SELECT COUNT(*) FROM Suppliers"), "1");
  EXPECT_EQ(cell("SELECT NextSuppLink || '/' || NextMaintLink FROM comp"), "2000/500");
  EXPECT_EQ(cell("SELECT COUNT(*) FROM myaddress"), "0");
  state.grid.rows[0].cells[11] = "nothing";  // no such listing element
  EXPECT_EQ(get_Supplier(ctx, listing, 0), "Cannot find supplier record in XML");
}

TEST_F(SupplierImportTest, ImportWritesSupplierAndMailingAddress) {
  fill_suppliersQB(ctx, listing);
  for (auto& row : state.grid.rows) row.ticked = true;
  get_suppliers(ctx, listing);
  EXPECT_TRUE(f.ui.messages.empty());
  EXPECT_EQ(state.grid.rows[0].cells[10], "Sent");
  EXPECT_EQ(state.grid.rows[1].cells[10], "Sent");

  auto rows = f.db()->queryAll(
      "SELECT Link, Description, Tel, Tel2, Contact, QBAccount, BAddress, Terms, DateCreated FROM "
      "Suppliers ORDER BY Link");
  ASSERT_EQ(rows.rows.size(), 2u);
  // "No Address" is listed first: a vendor without a company name has an empty description.
  EXPECT_EQ(rows.rows[0][0], "2000");
  EXPECT_EQ(rows.rows[0][1], "");
  EXPECT_EQ(rows.rows[1],
            (std::vector<Cell>{"2001", "Nuts & <Bolts> O'Hara", "555-1", "555-2", "Mo",
                               "Nuts & <Bolts>", "", "-1", number_text(ole_today())}));

  auto addresses = f.db()->queryAll(
      "SELECT Link, Description, AccountID, ContactID, AccountType, AddressType, Address1, "
      "Address2, City, State, Zip, Country, Ship FROM myaddress");
  // The vendor without an address still took Link 500.
  EXPECT_EQ(addresses.rows,
            (std::vector<std::vector<Cell>>{{"501", "Mailing Address", "2001", "-1", "2", "1",
                                             "9 Dock Rd", "", "Port", "ME", "04101", "", ""}}));
  EXPECT_EQ(cell("SELECT NextMaintLink || '/' || NextSuppLink FROM comp"), "502/2002");
}

TEST_F(SupplierImportTest, HiddenRowsAndCancelStopTheImport) {
  fill_suppliersQB(ctx, listing);
  for (auto& row : state.grid.rows) row.ticked = true;
  state.grid.rows[0].hidden = true;
  state.grid.rows[1].cells[10] = "Sent";
  get_suppliers(ctx, listing);
  EXPECT_EQ(cell("SELECT COUNT(*) FROM Suppliers"), "0");

  state.grid.rows[0].hidden = false;
  f.ui.onProcessEvents = [this] { state.cancelRequested = true; };
  get_suppliers(ctx, listing);
  EXPECT_EQ(cell("SELECT COUNT(*) FROM Suppliers"), "0");
  EXPECT_EQ(state.grid.rows[0].cells[10], "");
}

TEST_F(SupplierImportTest, UnreachableQuickBooksShowsTheErrorReport) {
  state.currentList = "Send Suppliers";
  company.setOpen(false);
  fill_suppliersQB(ctx, listing);
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].title, "Application Error");
  EXPECT_NE(f.ui.messages[0].text.find("Procedure: fill_suppliersQB"), std::string::npos);
  EXPECT_EQ(state.currentList, "Send Suppliers");
  EXPECT_TRUE(state.grid.rows.empty());
}

TEST_F(SupplierImportTest, FixAddressRunTwiceCreatesNothingTheSecondTime) {
  f.db()->execute(
      "INSERT INTO Suppliers (Link, Description, QBAccount, BAddress) VALUES (42, 'Nuts', 'Nuts & "
      "<Bolts>', "
      "'old text')");
  fill_suppliersQB(ctx, listing);

  fix_supplierAddress(ctx, listing);
  ASSERT_EQ(f.ui.texts().size(), 1u);
  EXPECT_EQ(f.ui.texts()[0], "Done");
  auto addresses = f.db()->queryAll("SELECT Link, AccountID, Address1, Zip FROM myaddress");
  EXPECT_EQ(addresses.rows, (std::vector<std::vector<Cell>>{{"500", "42", "9 Dock Rd", "04101"}}));
  EXPECT_EQ(cell("SELECT BAddress FROM Suppliers WHERE Link = 42"), "");
  EXPECT_EQ(state.grid.rows[1].foreColour, kSentRowColour);
  EXPECT_EQ(cell("SELECT NextMaintLink FROM comp"), "501");

  fix_supplierAddress(ctx, listing);
  EXPECT_EQ(f.ui.texts().size(), 2u);
  EXPECT_EQ(cell("SELECT COUNT(*) FROM myaddress"), "1");
  EXPECT_EQ(cell("SELECT NextMaintLink FROM comp"), "501");
}

}  // namespace
}  // namespace vqb
