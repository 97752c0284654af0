#include "mapping/customer_update.h"

#include <exception>

namespace vqb {

bool upd_customer(MappingContext& ctx, const std::string& customerName, const std::string& rep) {
  qb::Customer& customer = ctx.components.customer;
  try {
    customer.reset();
    ctx.set_Country();
    customer.loadByName(customerName);
    customer.salesRep = rep;
    customer.update();
    return true;
  } catch (const std::exception&) {
    ctx.app.ui.messageBox("Could not update customer in QuickBooks", Buttons::Ok, Icon::Information,
                          "Error");
    return false;
  }
}

}  // namespace vqb
