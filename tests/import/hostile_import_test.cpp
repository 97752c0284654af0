// The hostile corpus (support/hostile_text.h) through the imports: QuickBooks customers and
// vendors whose names, company names and addresses hold it become Vantora records with the
// same texts, written through SQL without injection.

#include <gtest/gtest.h>

#include <string>

#include "app/text_helpers.h"
#include "import/customer_import.h"
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

TEST_P(HostileImportTest, CustomerNameCompanyAndAddress) {
  company.addCustomer(
      name(),
      {{"CompanyName", name("Co ")}, {"BillAddress/Addr1", name()}, {"BillAddress/City", city()}});
  importAll(true);
  EXPECT_EQ(cell("SELECT QBAccountNumber FROM Customers"), name());
  EXPECT_EQ(cell("SELECT Description FROM Customers"), name("Co "));
  const std::string address = cell("SELECT BAddress FROM Customers");
  EXPECT_NE(address.find(name()), std::string::npos) << address;
  EXPECT_NE(address.find(city()), std::string::npos) << address;
}

TEST_P(HostileImportTest, SupplierNameCompanyAndMailingAddress) {
  company.addVendor(name("V "), {{"CompanyName", name("Co ")},
                                 {"VendorAddress/Addr1", name()},
                                 {"VendorAddress/City", city()}});
  importAll(false);
  EXPECT_EQ(cell("SELECT QBAccount FROM Suppliers"), name("V "));
  EXPECT_EQ(cell("SELECT Description FROM Suppliers"), name("Co "));
  EXPECT_EQ(cell("SELECT Address1 FROM myaddress"), name());
  EXPECT_EQ(cell("SELECT City FROM myaddress"), city());
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileImportTest, ::testing::ValuesIn(test::hostile_texts()),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace vqb
