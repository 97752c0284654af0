#pragma once
// The mapping checks of the main window: each checks one Vantora code (the "VT" members) or
// its QuickBooks counterpart (the "QB" members) against the in-memory snapshots and
// QuickBooks lists, just before a document is built. When the code is missing or no longer
// fits, the member explains why in the assign dialog (DialogKind::Assign; title, message and
// mode in slots 1, 2 and 3, the answer in slot 0), and stores the replacement where its
// contract below says.
//
// Answers: true = usable (possibly after a replacement); false = the user cancelled the
// dialog, or a VT member without the dialog found nothing. A caller checks the VT member of a
// code first; the QB members assume the Vantora row exists.
//
// Outputs in SharedSlots:
//   50  the QuickBooks name to use, from validate_taxItemQB, validate_termsQB, validate_RepQB
//       and validate_PMQB (the stored mapping, or the replacement);
//   51  the replacement chosen in the dialog ("" when none was needed) from the others;
//       validate_customerGroupQB leaves the QuickBooks customer type to use there;
//   150 the line tax code's `code`, from validate_taxCodeVT;
//   400 the payment method's ledger account, from validate_PMVT.
//
// Replacements stored by the QB members go to the Vantora table (write_data; a failure there
// has shown its own box and is otherwise ignored) and into the snapshot row. Every text
// placed into those statements has its single quotes doubled.
//
// A run-time error (a QuickBooks error while loading an item, ...) is shown as the common
// error report of "frmQB" and the member answers false (validate_customerGroupQB: true).

#include <string>

#include "mapping/mapping_context.h"

namespace vqb {

// Sales group `code` in the sales-group snapshot; `lineItem` is shown in the dialog.
bool validate_salesGroupVT(MappingContext& ctx, const std::string& code,
                           const std::string& lineItem);
// The QuickBooks item of sales group `code`: a stored mapping is accepted when the item exists
// (remembered in app.salesGroupMemo, so later checks ask QuickBooks no more); an item typed in
// the dialog must exist and be a service, other-charge or non-inventory item. The caller
// stores the replacement.
bool validate_salesGroupQB(MappingContext& ctx, const std::string& code);
// The line tax code of numeric link `link`; slot 150 := its code.
bool validate_taxCodeVT(MappingContext& ctx, long link);
// The QuickBooks sales tax code of line tax code `link`: it must exist and have the same
// taxability. A replacement is stored and checked in turn.
bool validate_taxCodeQB(MappingContext& ctx, long link);
// Class `name` (empty: nothing to check) must be an active QuickBooks class. The dialog may
// create it when the name is shorter than 31 characters. The caller stores the replacement.
bool validate_ClassQB(MappingContext& ctx, const std::string& name);
// Account `name` (empty: nothing to check) must be in the QuickBooks account list.
bool validate_LedgerQB(MappingContext& ctx, const std::string& name);
// The discount item of the QuickBooks-settings snapshot must exist and be a discount item.
// The caller stores the replacement.
bool validate_discountQB(MappingContext& ctx);
// The QuickBooks customer type of customer group `link` (no such group: nothing to map). A
// type stored by its short name is rewritten to its full name.
bool validate_customerGroupQB(MappingContext& ctx, long link);

// The Vantora row "record" + link of the tax, terms, users or payment-method snapshot. Found:
// true, the snapshot's cursor stays on the row (validate_PMVT also puts the row's `qbledger`
// into slot 400). Not found: false at once unless `offerDialog`.
bool validate_taxItemVT(MappingContext& ctx, long link, bool offerDialog);
bool validate_termsVT(MappingContext& ctx, long link, bool offerDialog);
bool validate_RepVT(MappingContext& ctx, long link, bool offerDialog);
bool validate_PMVT(MappingContext& ctx, long link, bool offerDialog);

// The QuickBooks counterpart of Vantora tax type, terms, sales rep or payment method `link`.
// The tax item must also have the same rate (compared as numbers). Slot 50 := the name to use.
bool validate_taxItemQB(MappingContext& ctx, long link);
bool validate_termsQB(MappingContext& ctx, long link);
bool validate_RepQB(MappingContext& ctx, long link);
bool validate_PMQB(MappingContext& ctx, long link);

}  // namespace vqb
