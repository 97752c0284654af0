#include "demo/demo_company.h"

#include <filesystem>
#include <set>

#include "app/errors.h"
#include "app/text_helpers.h"
#include "quickbooks/connection.h"
#include "quickbooks/sim/simulated_company.h"

namespace vqb::qb {
namespace {

using sim::Kind;
using sim::SimulatedCompany;

// "A:B:C" -> parent "A:B", leaf "C".
std::pair<std::string, std::string> split_full_name(const std::string& fullName) {
  auto colon = fullName.rfind(':');
  if (colon == std::string::npos) return {"", fullName};
  return {fullName.substr(0, colon), fullName.substr(colon + 1)};
}

Kind item_kind(const std::string& type) {
  if (type == "NonInventory") return Kind::ItemNonInventory;
  if (type == "OtherCharge") return Kind::ItemOtherCharge;
  return Kind::ItemService;
}

// Adds an entry of a hierarchical list, creating its parents first.
template <typename AddLeaf>
void add_with_parents(SimulatedCompany& company, Kind kind, const std::string& fullName,
                      AddLeaf addLeaf, std::set<std::string>& made) {
  if (made.count(fullName)) return;
  auto [parent, leaf] = split_full_name(fullName);
  sim::Fields more;
  if (!parent.empty()) {
    add_with_parents(company, kind, parent, addLeaf, made);
    more.emplace_back("ParentRef/FullName", parent);
  }
  addLeaf(leaf, more);
  made.insert(fullName);
}

std::pair<std::string, std::string> first_and_last(const std::string& fullName) {
  auto space = fullName.find(' ');
  if (space == std::string::npos) return {fullName, ""};
  return {fullName.substr(0, space), fullName.substr(space + 1)};
}

}  // namespace

void create_demo_company(const std::string& path, const DemoOptions& options) {
  const DemoQuickBooksNames names = demo_quickbooks_names(options);
  SimulatedCompany company = SimulatedCompany::create(path, "Vantora Demo Company");

  std::set<std::string> accountsMade;
  auto addAccount = [&](const std::string& fullName, const std::string& type) {
    add_with_parents(
        company, Kind::Account, fullName,
        [&](const std::string& leaf, const sim::Fields& more) {
          company.addAccount(leaf, type, more);
        },
        accountsMade);
  };
  addAccount("Accounts Receivable", "AccountsReceivable");
  addAccount("Accounts Payable", "AccountsPayable");
  addAccount("Sales", "Income");
  addAccount("Sales Tax Payable", "OtherCurrentLiability");
  for (const auto& account : names.accounts)
    addAccount(account, account.rfind("Undeposited", 0) == 0 ? "OtherCurrentAsset" : "Bank");

  const std::string taxAgency = "State Sales Tax Agency";
  company.addVendor(taxAgency);
  for (const auto& code : names.salesTaxCodes) {
    auto taxable = names.salesTaxCodeTaxable.find(code);
    company.addSalesTaxCode(code, taxable != names.salesTaxCodeTaxable.end() && taxable->second);
  }
  for (const auto& taxItem : names.salesTaxItems) {
    auto rate = names.salesTaxRates.find(taxItem);
    company.addSalesTaxItem(
        taxItem, rate == names.salesTaxRates.end() ? "0" : number_text(rate->second), taxAgency);
  }
  // An item at the rate of the demo's unmapped tax type, under a name of its own: the assign
  // window offers it for that tax type.
  company.addSalesTaxItem("District Levy", "1.5", taxAgency);

  std::set<std::string> itemsMade;
  for (const auto& item : names.items) {
    auto type = names.itemTypes.find(item);
    Kind kind = item_kind(type == names.itemTypes.end() ? "" : type->second);
    add_with_parents(
        company, kind, item,
        [&](const std::string& leaf, const sim::Fields& more) {
          company.addItem(kind, leaf, "", {more.begin(), more.end()});
        },
        itemsMade);
  }
  for (const auto& item : names.discountItems) company.addDiscountItem(item, "");
  company.addSubtotalItem("Subtotal");

  for (const auto& terms : names.terms) company.addStandardTerms(terms, 30);
  for (const auto& method : names.paymentMethods) company.addPaymentMethod(method);

  std::set<std::string> typesMade;
  for (const auto& type : names.customerTypes)
    add_with_parents(
        company, Kind::CustomerType, type,
        [&](const std::string& leaf, const sim::Fields& more) {
          company.addCustomerType(leaf, more);
        },
        typesMade);
  std::set<std::string> classesMade;
  for (const auto& name : names.classes)
    add_with_parents(
        company, Kind::Class, name,
        [&](const std::string& leaf, const sim::Fields& more) { company.addClass(leaf, more); },
        classesMade);

  for (const auto& initials : names.salesReps) {
    auto person = names.salesRepNames.find(initials);
    std::string fullName = person == names.salesRepNames.end() ? initials : person->second;
    auto [first, last] = first_and_last(fullName);
    company.addEmployee(first, last);
    company.addSalesRep(initials, fullName);
  }

  for (const auto& customer : names.customers) company.addCustomer(customer);
  for (const auto& vendor : names.vendors) company.addVendor(vendor);
}

DemoSetup make_demo(const std::string& folder, const DemoOptions& options, bool replace,
                    const std::string& existingCompany) {
  std::error_code ec;
  const std::string company =
      existingCompany.empty()
          ? ""
          : std::filesystem::absolute(existingCompany, ec).lexically_normal().string();
  if (!existingCompany.empty() && !std::filesystem::is_regular_file(company))
    throw VqbError(53, "File not found: " + existingCompany);
  DemoSetup setup;
  static_cast<DemoFolder&>(setup) = make_demo_folder(folder, options, replace);
  ConnectionConfig connection;
  if (!company.empty()) {
    connection.companyFile = company;
  } else {
    connection.companyFile = setup.settingsFolder + "/" + kDemoCompanyFileName;
    create_demo_company(connection.companyFile, options);
    add_demo_transactions(connection.companyFile, setup.vantoraDatabase);
  }
  save_connection_config(setup.settingsFolder, connection);
  setup.companyFile = connection.companyFile;
  return setup;
}

}  // namespace vqb::qb
