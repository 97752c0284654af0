// The demo sent with message sets and sent one request at a time ends the same: the same
// questions, the same result texts, the same Vantora rows and the same QuickBooks company,
// in fewer round trips.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "app/database.h"
#include "app/setup_file.h"
#include "export/customer_export.h"
#include "export/invoice_export.h"
#include "export/payment_export.h"
#include "export/purchase_order_export.h"
#include "export/supplier_export.h"
#include "main_window/work_lists.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/connected_demo.h"

namespace vqb::test {
namespace {

struct List {
  const char* name;
  void (*fill)(App&, MainWindowState&);
  void (*send)(MappingContext&);
  std::size_t resultColumn;
};

const List kLists[] = {
    {"customers", fill_customers, send_Customers, kNameListResultColumn},
    {"suppliers", fill_suppliers, send_Suppliers, kNameListResultColumn},
    {"invoices", fill_customerInvoices, send_Invoices, kInvoiceListCommentColumn},
    {"payments", fill_customerPayments, send_Payments, kPaymentListCommentColumn},
    {"purchase orders", fill_supplierPOs, send_POs, kPurchaseOrderListCommentColumn},
};

// The Vantora columns a send writes.
const char* const kRowQueries[] = {
    "SELECT Link, QBAccountNumber FROM Customers ORDER BY Link",
    "SELECT Link, QBAccount FROM Suppliers ORDER BY Link",
    "SELECT Number, QuickBooks, QuickBooksRef, xmladd FROM CustSO ORDER BY Number",
    "SELECT * FROM CustSODetail ORDER BY id",
    "SELECT Number, QuickBooks, QuickBooksRef, Method FROM CustPayments ORDER BY id",
    "SELECT * FROM CustPaymentMethods ORDER BY 1",
    "SELECT Number, SendQB, QBRef FROM SuppPO ORDER BY Number",
};

struct Outcome {
  std::vector<std::vector<std::string>> results;  // per list, per row
  std::vector<std::string> messages, dialogs;
  std::vector<std::string> rows;
  std::string company;
  std::size_t roundTrips{};
  std::size_t searches{};  // requests carrying a payment's duplicate search
};

// Identifiers and edit sequences carry the time they were made ("A-1796626977"), the entries
// their times of creation and change, and the kept message sets their random ids: all differ
// from run to run. Memos carry the minute of sending; the company's generation counts its
// writes, fewer when adds travel together.
std::string without_times(std::string text) {
  if (const auto from = text.find("<MessageSets>"); from != std::string::npos) {
    const auto to = text.find("</MessageSets>", from);
    text.erase(from, to == std::string::npos ? std::string::npos : to - from);
  }
  static const std::regex stamp(
      "1[78][0-9]{8}|<Time(Created|Modified)>[^<]*|as at [0-9/]+ [0-9:]+|generation=\"[0-9]+\"");
  return std::regex_replace(text, stamp, "#");
}

Outcome send_demo(bool batching, bool duplicateSearches) {
  ConnectedDemoFixture f;
  Outcome out;
  EXPECT_TRUE(f.connected);
  if (!f.connected) return out;
  f.logic->session().setBatching(batching);
  if (duplicateSearches)
    for (const char* key : {"chkdupinvoices", "chkduppayments", "chkduppurchaseorders"})
      save_setup_value(f.app, key, "1");
  // A customer or vendor QuickBooks does not know is created.
  f.ui.onDialog = [&](DialogKind kind, const std::string&) {
    if (kind == DialogKind::CustomerValidation || kind == DialogKind::VendorValidation)
      f.app.sharedSlots[1] = "1";
  };
  for (const List& list : kLists) {
    list.fill(f.app, f.logic->state);
    for (auto& row : f.logic->state.grid.rows) row.ticked = true;
    list.send(*f.ctx);
    std::vector<std::string>& results = out.results.emplace_back();
    for (const auto& row : f.logic->state.grid.rows)
      results.push_back(row.cells.size() > list.resultColumn ? row.cells[list.resultColumn] : "");
  }
  out.messages = f.ui.texts();
  for (const auto& [kind, text] : f.ui.dialogs) out.dialogs.push_back(text);
  out.roundTrips = f.requests.size();
  for (const std::string& request : f.requests)
    out.searches += request.find("<EntityFilter>") != std::string::npos;
  const auto db = open_database(f.app.databasePath);
  for (const char* sql : kRowQueries) {
    std::string dump;
    for (const auto& row : db->queryAll(sql).rows) {
      for (const auto& cell : row) dump += cell.value_or("<null>") + "|";
      dump += "\n";
    }
    out.rows.push_back(without_times(dump));
  }
  out.company = without_times(qb::sim::SimulatedCompany(f.demo.companyFile).xmlText());
  return out;
}

class BatchingTest : public ::testing::TestWithParam<bool> {};

TEST_P(BatchingTest, TheDemoEndsTheSameWithAndWithoutMessageSets) {
  const Outcome alone = send_demo(false, GetParam());
  const Outcome sets = send_demo(true, GetParam());
  ASSERT_EQ(alone.results.size(), std::size(kLists));
  EXPECT_EQ(alone.results, sets.results);
  std::size_t sent = 0;
  for (const auto& list : alone.results)
    for (const std::string& result : list)
      sent += result.starts_with("Sent!") || result == "Success";
  EXPECT_GT(sent, 20u);  // the comparison covers real sends, not only refusals
  EXPECT_EQ(alone.messages, sets.messages);
  EXPECT_EQ(alone.dialogs, sets.dialogs);
  for (std::size_t i = 0; i < std::size(kRowQueries); ++i)
    EXPECT_EQ(alone.rows[i], sets.rows[i]) << kRowQueries[i];
  EXPECT_EQ(alone.company, sets.company);
  EXPECT_LT(sets.roundTrips, alone.roundTrips);
  EXPECT_EQ(sets.searches > 0, GetParam());
}

// With and without the duplicate searches of invoices, payments and purchase orders.
INSTANTIATE_TEST_SUITE_P(DuplicateSearches, BatchingTest, ::testing::Bool());

}  // namespace
}  // namespace vqb::test
