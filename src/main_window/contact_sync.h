#pragma once
// Sending the ticked customers of the contact-info list through the customer export again.

#include "mapping/mapping_context.h"

namespace vqb {

// Sends every ticked row of the contact-info list whose result cell is empty through
// send_Customer and puts the result text into that cell; stops before the next row once
// Cancel is pressed ("Operation aborted by user.").
void sync_customerBalances(MappingContext& ctx);

}  // namespace vqb
