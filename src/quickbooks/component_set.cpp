#include "quickbooks/component_set.h"

namespace vqb::qb {

void ComponentSet::set_Country(bool apply) {
  if (!apply) return;
  const ConnectionSettings standard;
  for (Component* component :
       std::initializer_list<Component*>{&lists, &customer, &vendor, &item, &receivePayment,
                                         &invoice, &search, &purchaseOrder, &transaction})
    component->settings = standard;
}

}  // namespace vqb::qb
