#pragma once
// Reconciliation: does QuickBooks hold exactly what Vantora says was sent?
//
// Every Vantora record marked as sent (of the chosen kinds, dated in the period) is looked up
// in QuickBooks by what it recorded when it was sent: the TxnID (invoices: xmlAdd's
// QBReference; payments: QuickBooksRef; purchase orders: QBURef), else its recorded reference
// number; customers and suppliers by their QuickBooks name. The transaction found must have
// the same customer or supplier, reference number, date (invoices dated by their own date
// only; work orders go with the day they were sent) and amounts in hundredths rounded half
// away from zero (invoice subtotal = Total, tax = TaxAmount1, total = NetTotal; payment total
// and, unless QuickBooks applies payments itself, each application by invoice; purchase-order
// total). A QuickBooks transaction of the period that no record points to but whose reference
// is the one a record would be sent with now is reported against that record.
//
// QuickBooks is read in pages (iterators, MaxReturned) with the period as TxnDateRangeFilter,
// the kinds side by side in one message set per page; what the pages did not bring (records
// dated otherwise in QuickBooks, customers, suppliers) is asked for by id lists, again
// several requests per message set. Never one request per record.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/app.h"
#include "quickbooks/session.h"

namespace vqb {

struct ReconcileOptions {
  bool invoices{true}, payments{true}, purchaseOrders{true}, customers{true}, suppliers{true};
  // The period by document date, as OLE day numbers (both ends included); unset: open.
  std::optional<double> from, to;
  int pageSize{500};  // records per page and ids per lookup request
};

// Problem words, as machine output shows them.
namespace problems {
inline constexpr const char* kMissing = "missing";
inline constexpr const char* kAmount = "amount";
inline constexpr const char* kParty = "party";
inline constexpr const char* kReference = "reference";
inline constexpr const char* kDate = "date";
inline constexpr const char* kApplications = "applications";
inline constexpr const char* kDoubled = "doubled";
inline constexpr const char* kUnmarked = "unmarked";
inline constexpr const char* kUnlinked = "unlinked";
}  // namespace problems

struct Difference {
  std::string kind;     // "invoice", "payment", "po", "customer", "supplier"
  std::string key;      // invoice, receipt or order number; customer or supplier Link
  std::string party;    // the Vantora customer or supplier name
  std::string problem;  // one of problems::
  std::string field;    // which amount ("subtotal", "tax", "total"); "" otherwise
  std::string vantora;
  std::string quickbooks;
  std::string id;  // the QuickBooks TxnID or ListID concerned ("" when none)
};

struct ReconcileResult {
  long checked{0};
  long agree{0};
  std::vector<Difference> differences;
  long differing() const { return checked - agree; }
  // "Checked 235 records: 231 agree, 4 differ."
  std::string summary() const;
};

// Reads Vantora and QuickBooks and compares them. Throws DbError when Vantora cannot be read
// and QbError when QuickBooks cannot (nothing is reported then).
ReconcileResult reconcile(App& app, qb::Session& session, const ReconcileOptions& options);

// "invoices", "payments", "pos", "customers", "suppliers" or "all" chooses the kinds; false
// for any other word.
bool choose_kinds(ReconcileOptions& options, const std::string& word);
// "YYYY-MM-DD" as an OLE day number; nullopt when the text is no such calendar date.
std::optional<double> reconcile_date(const std::string& text);
// "amount (subtotal)" for an amount, the problem word alone otherwise.
std::string problem_text(const Difference& difference);
// What the problem means, in a few words, for the window's Comment cell.
std::string problem_explanation(const Difference& difference);

}  // namespace vqb
