#pragma once
// Changes to QuickBooks customers the user asks for while sending.

#include <string>

#include "mapping/mapping_context.h"

namespace vqb {

// Sets the default sales rep (initials) of the QuickBooks customer `customerName`. Any error
// shows "Could not update customer in QuickBooks" (information icon, title "Error"); the
// caller goes on either way. True when QuickBooks took the change.
bool upd_customer(MappingContext& ctx, const std::string& customerName, const std::string& rep);

}  // namespace vqb
