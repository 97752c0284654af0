#pragma once
// Making sure the customer or supplier of a transaction exists in QuickBooks before the
// transaction is sent: a name already checked is remembered; otherwise the user chooses, in the
// customer or vendor validation dialog, to create the record in QuickBooks, to link it to an
// existing QuickBooks name, or to cancel.

#include <functional>
#include <string>

#include "app/app.h"
#include "app/record_doc.h"
#include "mapping/mapping_context.h"

namespace vqb {

// Creates the record of this Vantora Link in QuickBooks; "Success" (and any note of texts cut)
// when it did.
using SendRecordFn = std::function<std::string(long link)>;

// `customer` stands on the Vantora customer row (children id, link, description,
// qbaccountnumber). True when the customer exists in QuickBooks or has just been created or
// linked; after a link the row's qbaccountnumber holds the QuickBooks name (also in slot 51),
// after a creation the row is read again from Vantora.
bool validate_customerQB(MappingContext& ctx, RecordDoc& customer,
                         const SendRecordFn& send_Customer);
// The supplier twin: children id, link, description, qbaccount.
bool validate_vendorQB(MappingContext& ctx, RecordDoc& supplier, const SendRecordFn& send_Supplier);

}  // namespace vqb
