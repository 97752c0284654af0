#pragma once
// Creating Vantora suppliers in QuickBooks as vendors: the same name checks as customers
// (a QuickBooks customer or employee name can only be replaced), no code mappings, both
// addresses split, and the QuickBooks name written into the row's QBAccount.
//
// Result texts: "Success" (created or linked, and the row updated), followed by a sentence per
// text cut to QuickBooks' length, or the reason.

#include <string>

#include "mapping/mapping_context.h"

namespace vqb {

// Sends every ticked row of the "Send Suppliers" grid whose result cell is empty.
void send_Suppliers(MappingContext& ctx);

// Exports the Vantora supplier `link` and returns the line for its result cell.
std::string send_Supplier(MappingContext& ctx, long link);

// The mark of a sent supplier: its QuickBooks name in QBAccount. False when Vantora could not
// be written.
bool mark_supplier_sent(App& app, long link, const std::string& qbName);

}  // namespace vqb
