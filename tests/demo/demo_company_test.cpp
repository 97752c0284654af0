// The simulated company made for the demo matches the demo Vantora database.

#include "demo/demo_company.h"

#include <gtest/gtest.h>

#include "demo/demo_data.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/temp_dir.h"

namespace vqb::qb {
namespace {

using sim::Kind;
using sim::SimulatedCompany;

TEST(DemoCompany, HoldsWhatTheDemoDatabaseMapsAndNothingItLeavesUnmapped) {
  test::TempDir dir;
  DemoOptions options;
  create_demo_company(dir.file("demo.qbxml"), options);
  SimulatedCompany company(dir.file("demo.qbxml"));
  DemoQuickBooksNames names = demo_quickbooks_names(options);

  auto has_item = [&](const std::string& name) {
    for (Kind kind : {Kind::ItemService, Kind::ItemNonInventory, Kind::ItemOtherCharge,
                      Kind::ItemDiscount, Kind::ItemSalesTax, Kind::ItemSalesTaxGroup})
      if (company.findByName(kind, name)) return true;
    return false;
  };
  for (const auto& item : names.items) EXPECT_TRUE(has_item(item)) << item;
  for (const auto& item : names.discountItems) EXPECT_TRUE(has_item(item)) << item;
  for (const auto& item : names.salesTaxItems) EXPECT_TRUE(has_item(item)) << item;
  for (const auto& code : names.salesTaxCodes)
    EXPECT_TRUE(company.findByName(Kind::SalesTaxCode, code)) << code;
  for (const auto& terms : names.terms)
    EXPECT_TRUE(company.findByName(Kind::StandardTerms, terms) ||
                company.findByName(Kind::DateDrivenTerms, terms))
        << terms;
  for (const auto& rep : names.salesReps)
    EXPECT_TRUE(company.findByName(Kind::SalesRep, rep)) << rep;
  for (const auto& method : names.paymentMethods)
    EXPECT_TRUE(company.findByName(Kind::PaymentMethod, method)) << method;
  for (const auto& type : names.customerTypes)
    EXPECT_TRUE(company.findByName(Kind::CustomerType, type)) << type;
  for (const auto& name : names.classes) EXPECT_TRUE(company.findByName(Kind::Class, name)) << name;
  for (const auto& account : names.accounts)
    EXPECT_TRUE(company.findByName(Kind::Account, account)) << account;
  for (const auto& customer : names.customers)
    EXPECT_TRUE(company.findByName(Kind::Customer, customer)) << customer;
  for (const auto& vendor : names.vendors)
    EXPECT_TRUE(company.findByName(Kind::Vendor, vendor)) << vendor;

  // The codes the demo leaves unmapped on purpose must not be found by name.
  for (const char* unmapped :
       {"RUSH", "Events", "Gift Certificate", "Government", "RSL", "2% 10 Net 30"}) {
    EXPECT_FALSE(has_item(unmapped)) << unmapped;
    EXPECT_FALSE(company.findByName(Kind::Class, unmapped)) << unmapped;
    EXPECT_FALSE(company.findByName(Kind::PaymentMethod, unmapped)) << unmapped;
    EXPECT_FALSE(company.findByName(Kind::CustomerType, unmapped)) << unmapped;
    EXPECT_FALSE(company.findByName(Kind::SalesTaxCode, unmapped)) << unmapped;
    EXPECT_FALSE(company.findByName(Kind::StandardTerms, unmapped)) << unmapped;
  }
}

}  // namespace
}  // namespace vqb::qb
