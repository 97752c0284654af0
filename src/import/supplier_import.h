#pragma once
// Bringing QuickBooks vendors into Vantora: the "Get Suppliers" work list, the import of its
// ticked rows as Vantora suppliers with a mailing address row, and the maintenance command
// that gives suppliers already linked to QuickBooks their missing mailing address.

#include <cstddef>
#include <string>

#include "import/customer_import.h"

namespace vqb {

void fill_suppliersQB(MappingContext& ctx, ImportListing& listing);
// Imports every visible ticked row whose Comment is empty, then tidies the Suppliers table.
void get_suppliers(MappingContext& ctx, ImportListing& listing);
// Imports the vendor of one data row (0-based); "Sent" on success, otherwise the reason.
// Works through `db` when given (one connection for a whole run), else opens its own.
std::string get_Supplier(MappingContext& ctx, ImportListing& listing, std::size_t row,
                         Database* db = nullptr);
// For each visible row of the supplier listing whose vendor has an address: when the linked
// Vantora supplier has no mailing address yet, creates it and empties the supplier's BAddress.
// Ends with the message "Done".
void fix_supplierAddress(MappingContext& ctx, ImportListing& listing);

}  // namespace vqb
