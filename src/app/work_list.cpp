#include "app/work_list.h"

namespace vqb {

int tick_column_of(const std::string& listName) {
  if (listName == lists::kSendCustomers || listName == lists::kSendSuppliers ||
      listName == lists::kSyncCustomerContactInfo)
    return 2;
  if (listName == lists::kSendCustomerPayments) return 6;
  if (listName == lists::kSendCustomerInvoices || listName == lists::kSendSupplierPOs ||
      listName == lists::kReconcile)
    return 7;
  if (listName == lists::kGetCustomers || listName == lists::kGetSuppliers) return 9;
  return -1;
}

}  // namespace vqb
