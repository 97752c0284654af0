// The hostile corpus (support/hostile_text.h) through the imports: QuickBooks customers and
// vendors whose names, company names, addresses, phones, e-mail and contacts hold it become
// Vantora records with the same texts, written through SQL without injection; a customer's
// balance is booked to the customer of that name.

#include <gtest/gtest.h>

#include <string>

#include "app/text_helpers.h"
#include "import/customer_import.h"
#include "import/customer_sync.h"
#include "import/supplier_import.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/hostile_text.h"
#include "support/sim_fixture.h"

namespace vqb {
namespace {

using test::as_held;

class HostileImportTest : public ::testing::TestWithParam<test::HostileText>,
                          protected test::SimCompanyFixture {
 protected:
  void SetUp() override {
    f.db()->execute(
        "INSERT INTO comp (Link, Name, NextMaintLink, NextCustLink, NextSuppLink) VALUES (1, 'Co', "
        "500, 1000, 2000)");
    tables = cell("SELECT COUNT(*) FROM sqlite_master");
  }
  void TearDown() override { EXPECT_EQ(cell("SELECT COUNT(*) FROM sqlite_master"), tables); }
  // The texts as QuickBooks holds them in its 41- and 31-character fields.
  std::string name(const char* prefix = "") const { return as_held(prefix + GetParam().text, 41); }
  std::string city() const { return as_held(GetParam().text, 31); }
  std::string held(std::size_t length) const { return as_held(GetParam().text, length); }
  // An address aggregate holding the text in each field, and the Vantora text it becomes.
  qb::sim::Fields address(const std::string& aggregate) const {
    return {{aggregate + "/Addr1", name()},
            {aggregate + "/Addr2", name("2 ")},
            {aggregate + "/City", city()},
            {aggregate + "/State", held(21)},
            {aggregate + "/PostalCode", held(13)}};
  }
  std::string addressText() const {
    return name() + "\r\n" + name("2 ") + "\r\n" + city() + ", " + held(21) + " " + held(13);
  }
  void importAll(bool customers) {
    ImportListing listing;
    if (customers)
      fill_customersQB(ctx, listing);
    else
      fill_suppliersQB(ctx, listing);
    for (auto& row : state.grid.rows) row.ticked = true;
    if (customers)
      get_customers(ctx, listing);
    else
      get_suppliers(ctx, listing);
    ASSERT_EQ(state.grid.rows.size(), 1u);
    EXPECT_EQ(state.grid.rows[0].cells[10], "Sent");
  }

  std::string tables;
};

TEST_P(HostileImportTest, CustomerNameCompanyAddressesAndContacts) {
  qb::sim::Fields fields{
      {"CompanyName", name("Co ")}, {"Phone", held(21)},        {"Fax", held(21)},
      {"AltPhone", held(21)},       {"Email", held(1023)},      {"Contact", name()},
      {"AltContact", name("Alt ")}, {"ResaleNumber", held(15)}, {"OpenBalance", "12.34"}};
  for (const auto& field : address("BillAddress")) fields.push_back(field);
  for (const auto& field : address("ShipAddress")) fields.push_back(field);
  company.addCustomer(name(), fields);
  importAll(true);
  EXPECT_EQ(cell("SELECT QBAccountNumber FROM Customers"), name());
  EXPECT_EQ(cell("SELECT Description FROM Customers"), name("Co "));
  EXPECT_EQ(cell("SELECT BAddress FROM Customers"), addressText());
  EXPECT_EQ(cell("SELECT SAddress FROM Customers"), addressText());
  EXPECT_EQ(cell("SELECT Tel || '|' || Fax || '|' || Tel2 || '|' || TaxNumber FROM Customers"),
            held(21) + "|" + held(21) + "|" + held(21) + "|" + held(15));
  EXPECT_EQ(cell("SELECT Email FROM Customers"), held(1023));
  EXPECT_EQ(cell("SELECT Contact FROM Customers"), name());
  EXPECT_EQ(cell("SELECT group_concat(Name, '|') FROM (SELECT Name FROM CustContacts ORDER BY "
                 "id)"),
            name() + "|" + name("Alt "));

  // The balance is booked to the customer of that name, once.
  const BalanceImport done = cmdGetCustomerBal_Click(f.app, state);
  ASSERT_EQ(done.rows.size(), 1u);
  EXPECT_EQ(done.rows[0].result, "Booked: debit 12.34");
  EXPECT_EQ(cell("SELECT COUNT(*) || '|' || Customer || '|' || Debit FROM CustPost"),
            "1|" + cell("SELECT Link FROM Customers") + "|12.34");
}

TEST_P(HostileImportTest, SupplierNameCompanyMailingAddressAndContacts) {
  qb::sim::Fields fields{{"CompanyName", name("Co ")}, {"Phone", held(21)},   {"Fax", held(21)},
                         {"AltPhone", held(21)},       {"Email", held(1023)}, {"Contact", name()}};
  for (const auto& field : address("VendorAddress")) fields.push_back(field);
  company.addVendor(name("V "), fields);
  importAll(false);
  EXPECT_EQ(cell("SELECT QBAccount FROM Suppliers"), name("V "));
  EXPECT_EQ(cell("SELECT Description FROM Suppliers"), name("Co "));
  EXPECT_EQ(cell("SELECT Tel || '|' || Fax || '|' || Tel2 FROM Suppliers"),
            held(21) + "|" + held(21) + "|" + held(21));
  EXPECT_EQ(cell("SELECT Email FROM Suppliers"), held(1023));
  EXPECT_EQ(cell("SELECT Contact FROM Suppliers"), name());
  EXPECT_EQ(cell("SELECT Address1 || '|' || Address2 || '|' || City || '|' || State || '|' || "
                 "Zip FROM myaddress"),
            name() + "|" + name("2 ") + "|" + city() + "|" + held(21) + "|" + held(13));
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileImportTest, ::testing::ValuesIn(test::hostile_texts()),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace vqb
