#include "cli/qb_commands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <vector>

#include "app/errors.h"
#include "app/os_calls.h"
#include "app/text_helpers.h"
#include "cli/output.h"
#include "quickbooks/connection.h"
#include "quickbooks/sim/simulated_company.h"

namespace vqb::cli {
namespace {

using qb::sim::Entry;
using qb::sim::Kind;

struct Column {
  std::string header;
  std::string path;  // below the …Ret element; "@name" is the entry's full name
};

std::string cell(const Entry& entry, const Column& column) {
  return column.path == "@name" ? entry.name : entry.value(column.path);
}

struct ListKind {
  std::vector<Kind> kinds;
  std::vector<Column> columns;
};

const std::map<std::string, ListKind>& list_kinds() {
  static const std::map<std::string, ListKind> kinds = {
      {"customers",
       {{Kind::Customer},
        {{"Name", "@name"},
         {"Company", "CompanyName"},
         {"Phone", "Phone"},
         {"Balance", "Balance"}}}},
      {"vendors",
       {{Kind::Vendor},
        {{"Name", "@name"},
         {"Company", "CompanyName"},
         {"Phone", "Phone"},
         {"Balance", "Balance"}}}},
      {"employees", {{Kind::Employee}, {{"Name", "@name"}}}},
      {"items",
       {{Kind::ItemService, Kind::ItemNonInventory, Kind::ItemOtherCharge, Kind::ItemDiscount,
         Kind::ItemSubtotal, Kind::ItemSalesTax, Kind::ItemSalesTaxGroup},
        {{"Name", "@name"}, {"Rate", "TaxRate"}}}},
      {"salestaxcodes", {{Kind::SalesTaxCode}, {{"Name", "@name"}, {"Taxable", "IsTaxable"}}}},
      {"salesreps",
       {{Kind::SalesRep}, {{"Initial", "@name"}, {"Name", "SalesRepEntityRef/FullName"}}}},
      {"customertypes", {{Kind::CustomerType}, {{"Name", "@name"}}}},
      {"paymentmethods", {{Kind::PaymentMethod}, {{"Name", "@name"}}}},
      {"terms", {{Kind::StandardTerms, Kind::DateDrivenTerms}, {{"Name", "@name"}}}},
      {"classes", {{Kind::Class}, {{"Name", "@name"}}}},
      {"accounts", {{Kind::Account}, {{"Name", "@name"}, {"Type", "AccountType"}}}},
      {"invoices",
       {{Kind::Invoice},
        {{"Ref", "RefNumber"},
         {"Customer", "CustomerRef/FullName"},
         {"Date", "TxnDate"},
         {"Subtotal", "Subtotal"},
         {"Balance", "BalanceRemaining"}}}},
      {"payments",
       {{Kind::ReceivePayment},
        {{"Ref", "RefNumber"},
         {"Customer", "CustomerRef/FullName"},
         {"Date", "TxnDate"},
         {"Amount", "TotalAmount"},
         {"Unused", "UnusedPayment"}}}},
      {"pos",
       {{Kind::PurchaseOrder},
        {{"Ref", "RefNumber"},
         {"Vendor", "VendorRef/FullName"},
         {"Date", "TxnDate"},
         {"Total", "TotalAmount"}}}},
  };
  return kinds;
}

// The company file the settings point to; prints why there is none on err.
std::optional<std::string> company_file(const std::string& settingsFolder, std::ostream& err) {
  qb::ConnectionConfig config = qb::load_connection_config(settingsFolder);
  if (config.transport != "simulated" || config.companyFile.empty()) {
    err << "No simulated QuickBooks company is configured in "
        << qb::connection_file_path(settingsFolder) << "\n";
    return std::nullopt;
  }
  return config.companyFile;
}

// Opens the company the settings point to; prints why not on err.
std::optional<qb::sim::SimulatedCompany> open_company(const std::string& settingsFolder,
                                                      std::ostream& err) {
  std::optional<std::string> file = company_file(settingsFolder, err);
  if (!file) return std::nullopt;
  try {
    return qb::sim::SimulatedCompany(*file);
  } catch (const VqbError& error) {
    err << number_dash_description(error.number(), error.description()) << "\n";
    return std::nullopt;
  }
}

}  // namespace

std::string qb_list_kinds() {
  std::string text;
  for (const auto& [name, kind] : list_kinds()) text += (text.empty() ? "" : ", ") + name;
  return text;
}

int qb_list(const std::string& settingsFolder, const QbListOptions& options, std::ostream& out,
            std::ostream& err) {
  auto found = list_kinds().find(options.kind);
  if (found == list_kinds().end()) {
    err << "Unknown kind \"" << options.kind << "\"; one of: " << qb_list_kinds() << "\n";
    return 2;
  }
  auto company = open_company(settingsFolder, err);
  if (!company) return 1;
  std::vector<Entry> entries;
  for (Kind kind : found->second.kinds) {
    auto some = company->list(kind);
    entries.insert(entries.end(), some.begin(), some.end());
  }
  const auto& columns = found->second.columns;

  if (options.json) {
    auto records = nlohmann::ordered_json::array();
    for (const Entry& entry : entries) {
      nlohmann::ordered_json record = {
          {"id", entry.id}, {"kind", qb::sim::kindName(entry.kind)}, {"active", entry.active}};
      for (const auto& column : columns) record[column.header] = cell(entry, column);
      records.push_back(std::move(record));
    }
    out << json_text(records);
    return 0;
  }

  // A plain table: ID, the kind's columns, Active.
  std::vector<std::string> header = {"ID"};
  for (const auto& column : columns) header.push_back(column.header);
  header.push_back("Active");
  std::vector<std::vector<std::string>> rows = {header};
  for (const Entry& entry : entries) {
    std::vector<std::string> row = {entry.id};
    for (const auto& column : columns) row.push_back(cell(entry, column));
    row.push_back(entry.active ? "yes" : "no");
    rows.push_back(std::move(row));
  }
  out << text_table(rows);
  out << entries.size() << (entries.size() == 1 ? " entry\n" : " entries\n");
  return 0;
}

int qb_show(const std::string& settingsFolder, const std::string& id, std::ostream& out,
            std::ostream& err) {
  auto company = open_company(settingsFolder, err);
  if (!company) return 1;
  auto entry = company->find(id);
  if (!entry) {
    err << "No entry or transaction with the id \"" << id << "\"\n";
    return 1;
  }
  out << entry->xml << "\n";
  return 0;
}

int qb_set_open(const std::string& settingsFolder, bool open, std::ostream& out,
                std::ostream& err) {
  auto company = open_company(settingsFolder, err);
  if (!company) return 1;
  company->setOpen(open);
  out << "The company " << company->companyName() << " is " << (open ? "open" : "closed") << ".\n";
  return 0;
}

int qb_export(const std::string& settingsFolder, const std::string& file, std::ostream& out,
              std::ostream& err) {
  auto company = open_company(settingsFolder, err);
  if (!company) return 1;
  if (!os::save_file_atomically(file, company->xmlText())) {
    err << "Could not write \"" << printable_text(file) << "\"\n";
    return 1;
  }
  out << "The company " << printable_text(company->companyName()) << " is written to "
      << printable_text(file) << ".\n";
  return 0;
}

int qb_import(const std::string& settingsFolder, const std::string& file, bool replace,
              std::ostream& out, std::ostream& err) {
  std::optional<std::string> target = company_file(settingsFolder, err);
  if (!target) return 1;
  if (std::filesystem::exists(*target) && !replace) {
    err << "The company file " << printable_text(*target)
        << " already exists; give --replace to replace it.\n";
    return 1;
  }
  try {
    qb::sim::SimulatedCompany company = qb::sim::SimulatedCompany::importXml(file, *target);
    out << "The company " << printable_text(company.companyName()) << " is made from "
        << printable_text(file) << ".\n";
    return 0;
  } catch (const VqbError& error) {
    err << number_dash_description(error.number(), error.description()) << "\n";
    return 1;
  }
}

}  // namespace vqb::cli
