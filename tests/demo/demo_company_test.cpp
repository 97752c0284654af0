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

  auto found = [&](const std::vector<Kind>& kinds, const std::string& name) {
    for (Kind kind : kinds)
      if (company.findByName(kind, name)) return true;
    return false;
  };
  const std::vector<Kind> items = {Kind::ItemService,     Kind::ItemNonInventory,
                                   Kind::ItemOtherCharge, Kind::ItemDiscount,
                                   Kind::ItemSalesTax,    Kind::ItemSalesTaxGroup};
  const struct {
    const std::vector<std::string>& names;
    std::vector<Kind> kinds;
  } lists[] = {
      {names.items, items},
      {names.discountItems, items},
      {names.salesTaxItems, items},
      {names.salesTaxCodes, {Kind::SalesTaxCode}},
      {names.terms, {Kind::StandardTerms, Kind::DateDrivenTerms}},
      {names.salesReps, {Kind::SalesRep}},
      {names.paymentMethods, {Kind::PaymentMethod}},
      {names.customerTypes, {Kind::CustomerType}},
      {names.classes, {Kind::Class}},
      {names.accounts, {Kind::Account}},
      {names.customers, {Kind::Customer}},
      {names.vendors, {Kind::Vendor}},
  };
  for (const auto& list : lists)
    for (const auto& name : list.names) EXPECT_TRUE(found(list.kinds, name)) << name;

  // The codes the demo leaves unmapped on purpose must not be found by name.
  std::vector<Kind> others = items;
  others.insert(others.end(), {Kind::Class, Kind::PaymentMethod, Kind::CustomerType,
                               Kind::SalesTaxCode, Kind::StandardTerms});
  for (const char* unmapped :
       {"RUSH", "Events", "Gift Certificate", "Government", "RSL", "2% 10 Net 30"})
    EXPECT_FALSE(found(others, unmapped)) << unmapped;
}

}  // namespace
}  // namespace vqb::qb
