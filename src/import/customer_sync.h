#pragma once
// Keeping Vantora customers and their QuickBooks counterparts in step: the contact-info work
// list ("Sync Customer Contact Info"), whose ticked customers go through the customer export
// again (sync_customerBalances, in main_window/contact_sync.h), and the import of QuickBooks
// balances as opening-balance postings.
//
// Only customers with a QuickBooks name (QBAccountNumber) take part.

#include <string>
#include <vector>

#include "app/app.h"
#include "app/work_list.h"
#include "mapping/mapping_context.h"

namespace vqb {

// The statement the contact-info list reads.
inline constexpr const char* kContactListSql =
    "Select * from customers  where QBAccountNumber <> '' order by id desc";

// Cells of the contact-info list: Company, Phone, Select, the Link (a hidden column) and the
// result of the send.
inline constexpr std::size_t kContactLinkColumn = 3;
inline constexpr std::size_t kContactResultColumn = 4;

// What the opening-balance postings are recognised by.
inline constexpr const char* kOpeningBalanceDescription = "Open Bal QB";

// Fills the grid with the contact-info list, every row unticked, and makes it the current
// list. A database error shows the common error report (module "frmQB"); the rows read so
// far stay.
void fill_syncCustomerContactInfo(App& app, WorkState& state);

// What the balance import did with one row of the "Get Customers" list.
struct BalanceOutcome {
  std::string name;    // the QuickBooks full name (column 7)
  std::string result;  // what happened, one line
  bool booked{false};
};

struct BalanceImport {
  std::vector<BalanceOutcome> rows;  // one per visible row, in grid order
  int booked{0};
  int skipped{0};  // customers that already had an opening balance from QuickBooks
};

// Books the balance of every visible row of the "Get Customers" list (name in column 7,
// balance in column 8) as an "Open Bal QB" journal posting of the Vantora customer whose
// QBAccountNumber is that name: a debit when positive, a credit when negative, outstanding
// the same amount. Rows with a zero balance or no such customer book nothing, and neither
// does a customer that already carries an "Open Bal QB" posting, so that running the import
// again never books a balance twice. Ends with the message "Done" and the counts. A
// database error shows the common error report; the postings made so far stay.
BalanceImport cmdGetCustomerBal_Click(App& app, WorkState& state);

}  // namespace vqb
