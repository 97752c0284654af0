#pragma once
// The two sides a reconciliation compares, as plain records: what Vantora says was sent and
// what QuickBooks holds.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "reconcile/reconcile.h"

namespace vqb::reconciling {

enum Kind { kInvoice, kPayment, kPurchaseOrder, kCustomer, kSupplier, kKindCount };

// "invoice", "payment", "po", "customer", "supplier".
const char* kind_word(Kind kind);
bool chosen(const ReconcileOptions& options, Kind kind);

// Applications by Vantora invoice (or work-order) number, in hundredths.
using Applications = std::map<std::string, std::int64_t>;

struct VantoraRecord {
  std::string key;
  std::string party;      // the Vantora name of the customer or supplier
  std::string partyName;  // its QuickBooks name (QBAccountNumber / QBAccount)
  bool marked{false};
  std::string txnId;        // what it recorded: the TxnID...
  std::string ref;          // ...or the reference number (the QuickBooks name of a list entry)
  std::string expectedRef;  // the reference number it would be sent with now ("" unknown)
  std::string date;         // "YYYY-MM-DD" QuickBooks should show; "" not compared
  std::int64_t subtotal{0}, tax{0}, total{0};
  bool compareApplications{false};
  Applications applications;
};

struct VantoraSide {
  std::vector<VantoraRecord> records[kKindCount];
  // Every invoice and work order marked as sent, by the TxnID it recorded.
  std::unordered_map<std::string, std::string> invoiceByTxn;
};

// Reads the records of the chosen kinds and period. Throws DbError.
VantoraSide read_vantora(App& app, const ReconcileOptions& options);

struct QuickBooksRecord {
  std::string id;     // TxnID or ListID
  std::string ref;    // RefNumber, or the FullName of a list entry
  std::string party;  // CustomerRef / VendorRef FullName
  std::string date;   // TxnDate
  std::optional<std::int64_t> subtotal, tax, total;
  struct Applied {
    std::string txnId, ref;
    std::int64_t amount{0};
  };
  std::vector<Applied> applied;
  bool pointedTo{false};  // a Vantora record found it
};

struct QuickBooksSide {
  std::vector<QuickBooksRecord> records[kKindCount];
  std::unordered_map<std::string, std::size_t> byId[kKindCount];
  std::unordered_multimap<std::string, std::size_t> byRef[kKindCount];  // lower-cased
  // How many records the pages of the period brought, per kind (the rest came by id).
  std::size_t paged[kKindCount]{};

  void add(Kind kind, QuickBooksRecord record);
};

// What the lookups by id must bring besides the pages.
struct Wanted {
  std::vector<std::string> ids[kKindCount];
  std::vector<std::string> refs[kKindCount];
};

// The transactions of the period, kinds side by side, one message set per page.
void read_period(qb::Session& session, const ReconcileOptions& options, bool withApplications,
                 QuickBooksSide& side);
// The entries and transactions named by `wanted`, several requests per message set.
void look_up(qb::Session& session, const ReconcileOptions& options, bool withApplications,
             const Wanted& wanted, QuickBooksSide& side);

}  // namespace vqb::reconciling
