#pragma once
// Does QuickBooks hold a list entry of this full name? Each check resets its component,
// applies the connection settings and loads the entry by name. Any error on the way (no such
// entry, QuickBooks not reachable, a malformed answer) reads as "no": nothing is thrown and
// nothing is shown.

#include <string>

#include "mapping/mapping_context.h"

namespace vqb {

// On true, also records the customer's default sales rep (customerCheck.qbCustomerRep) and the name
// looked up (customerCheck.qbCustomerName); on false both keep their values.
bool customer_exist(MappingContext& ctx, const std::string& name);
// On true the item stays loaded in ctx.components.item, so its type can be read.
bool item_exist(MappingContext& ctx, const std::string& name);
bool vendor_exist(MappingContext& ctx, const std::string& name);
bool employee_exist(MappingContext& ctx, const std::string& name);

}  // namespace vqb
