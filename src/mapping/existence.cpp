#include "mapping/existence.h"

#include <exception>

namespace vqb {
namespace {

// Runs one reset, set_Country and load; false when any of them raises.
template <class Component>
bool loads(MappingContext& ctx, Component& component, const std::string& name) {
  try {
    component.reset();
    ctx.set_Country();
    component.loadByName(name);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

bool customer_exist(MappingContext& ctx, const std::string& name) {
  qb::Customer& customer = ctx.components.customer;
  if (!loads(ctx, customer, name)) return false;
  ctx.customerCheck.qbCustomerRep = customer.salesRep;  // [35]
  ctx.customerCheck.qbCustomerName = name;
  return true;
}

bool item_exist(MappingContext& ctx, const std::string& name) {
  return loads(ctx, ctx.components.item, name);
}

bool vendor_exist(MappingContext& ctx, const std::string& name) {
  return loads(ctx, ctx.components.vendor, name);
}

bool employee_exist(MappingContext& ctx, const std::string& name) {
  return loads(ctx, ctx.components.employee, name);
}

}  // namespace vqb
