#pragma once
// Does QuickBooks hold a list entry of this full name? Each check resets its component,
// applies the connection settings and loads the entry by name. Any error on the way (no such
// entry, QuickBooks not reachable, a malformed answer) reads as "no": nothing is thrown and
// nothing is shown.

#include <string>
#include <vector>

#include "mapping/mapping_context.h"

namespace vqb {

// On true, also records the customer's default sales rep (customerCheck.qbCustomerRep) and the name
// looked up (customerCheck.qbCustomerName); on false both keep their values.
bool customer_exist(MappingContext& ctx, const std::string& name);
// On true the item stays loaded in ctx.components.item, so its type can be read.
bool item_exist(MappingContext& ctx, const std::string& name);
bool vendor_exist(MappingContext& ctx, const std::string& name);
bool employee_exist(MappingContext& ctx, const std::string& name);

// Send checks ahead in one message set (one round trip), so that the *_exist calls that
// follow for the same names are answered from it. They change nothing else: each *_exist
// still reads its answer as above. Without batching they send nothing.
// The customer, vendor and employee checks of one name.
void prefetch_name_checks(MappingContext& ctx, const std::string& name);
// Their request documents.
std::vector<std::string> name_check_documents(MappingContext& ctx, const std::string& name);
// The QuickBooks items of the sales groups the query `sql` lists (one "salesgroup" column)
// that validate_salesGroupQB has not validated in this run: the checks still to come.
std::vector<std::string> unvalidated_sales_group_items(App& app, const std::string& sql);
// Whether `memo` (a run's cache of validated customers or vendors) holds row id `id`.
bool memo_holds(RecordDoc& memo, const std::string& id);
// The request documents of the item checks of these names, after `also`.
std::vector<std::string> item_check_documents(MappingContext& ctx,
                                              const std::vector<std::string>& names,
                                              std::vector<std::string> also = {});
// The item checks of these names, and any other request documents given (`also`).
void prefetch_items(MappingContext& ctx, const std::vector<std::string>& names,
                    std::vector<std::string> also = {});

}  // namespace vqb
