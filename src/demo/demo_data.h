#pragma once
// A deterministic demo Vantora database, for the demo set-up, training, tests and benchmarks,
// and the QuickBooks lists a simulated company needs so that the demo works against it.
//
// The same options always give the same database, row for row. Counts scale freely (for
// example 100,000 invoices for benchmarks); everything is written in one transaction.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vqb {

struct DemoOptions {
  std::uint32_t seed = 20261206;
  int customers = 40;
  int suppliers = 15;
  int invoices = 120;  // orders with Status 4; a fifth as many work orders (Status 3) come on top
  int payments = 60;
  int purchaseOrders = 40;
  // Item lines of every invoice and work order (no remarks or separators), for benchmarks;
  // 0 keeps the usual mix of one to eight lines.
  int linesPerInvoice = 0;
  // Some customers, orders and payments use the codes left unmapped on purpose; off for
  // benchmarks in which every record must be sendable.
  bool unmappedCodes = true;
};

// Creates the Vantora database file at `path` (throws VqbError 58 when the file exists),
// runs the schema and fills it. Throws DbError on a database failure; the file is then
// removed again.
//
// What it holds: the code tables with their QuickBooks mappings (a few codes deliberately
// unmapped, their QuickBooks column empty), customers and suppliers with contacts and
// multi-line US and Canadian addresses, invoices and work orders with item, remark and
// separator lines, payments allocated to invoices or held as work-order deposits, and
// purchase orders. Some records are already exported: their QuickBooks flag is set and
// their QuickBooks reference filled, and they use mapped codes only.
void create_demo_vantora_database(const std::string& path, const DemoOptions& options = {});

// The QuickBooks side the demo expects: every name that a mapped code or an already
// exported record of the demo database refers to, each list without duplicates, and none
// of the deliberately unmapped codes. Full names use ":" between parent and child
// ("Embroidery:Stitching"); a simulated company creates the parents as well.
struct DemoQuickBooksNames {
  std::vector<std::string> items;  // sales-group items (service, non-inventory, other charge)
  std::vector<std::string> discountItems;  // the discount item of the QuickBooks table
  std::vector<std::string> salesTaxItems;
  std::vector<std::string> salesTaxCodes;
  std::vector<std::string> terms;
  std::vector<std::string> salesReps;  // initials
  std::vector<std::string> paymentMethods;
  std::vector<std::string> customerTypes;
  std::vector<std::string> classes;
  std::vector<std::string> accounts;   // deposit accounts of the payment methods
  std::vector<std::string> customers;  // names of the exported customers
  std::vector<std::string> vendors;    // names of the exported suppliers

  // Details a simulated company needs for the names above.
  std::map<std::string, std::string> itemTypes;      // item -> "Service", "NonInventory",
                                                     //   "OtherCharge" or "Discount"
  std::map<std::string, double> salesTaxRates;       // tax item -> rate in percent
  std::map<std::string, bool> salesTaxCodeTaxable;   // tax code -> taxable
  std::map<std::string, std::string> salesRepNames;  // initials -> the rep's full name
};

DemoQuickBooksNames demo_quickbooks_names(const DemoOptions& options = {});

}  // namespace vqb
