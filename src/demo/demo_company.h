#pragma once
// The simulated QuickBooks company that goes with the demo Vantora database: every code the
// demo maps exists here, the codes it leaves unmapped do not, and the customers and
// suppliers it shows as exported are here too.

#include <string>

#include "demo/demo_data.h"
#include "demo/demo_setup.h"

namespace vqb::qb {

inline constexpr const char* kDemoCompanyFileName = "demo-company.qbxml";

// Writes a new company file at path (replacing one there).
void create_demo_company(const std::string& path, const DemoOptions& options);

// Adds to the company every invoice, received payment and purchase order that the Vantora
// database marks as sent (its customers, vendors and items must be there), with the same
// reference, customer or vendor and amounts; payments are applied to the invoices as Vantora
// allocates them, so invoices hold their balances after those payments. The TxnIDs and
// reference numbers the company gives are written back into the Vantora records.
void add_demo_transactions(const std::string& companyFile, const std::string& vantoraDatabase);

// The whole demo: make_demo_folder, the matching company in the folder, and the connection
// setting that chooses it, the new company holding what the demo marks as sent. Returns where
// everything is; companyFile is set. With existingCompany the folder chooses that company
// file instead of a new one (a second Vantora database working with the same QuickBooks
// company), which is left as it is.
struct DemoSetup : DemoFolder {
  std::string companyFile;
};
DemoSetup make_demo(const std::string& folder, const DemoOptions& options, bool replace,
                    const std::string& existingCompany = "");

}  // namespace vqb::qb
