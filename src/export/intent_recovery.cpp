#include "export/intent_recovery.h"

#include <cmath>
#include <exception>
#include <map>
#include <pugixml.hpp>

#include "app/errors.h"
#include "app/module1.h"
#include "app/text_helpers.h"
#include "export/customer_export.h"
#include "export/intent_journal.h"
#include "export/invoice_export.h"
#include "export/payment_export.h"
#include "export/purchase_order_export.h"
#include "export/supplier_export.h"
#include "quickbooks/change_answer.h"
#include "quickbooks/qb_error.h"

namespace vqb {
namespace {

constexpr const char* kCrlf = "\r\n";
constexpr const char* kMarkFailedAgain = "; QuickBooks has it but Vantora could not be marked.";
constexpr const char* kKeptAnswerUnreadable =
    "; QuickBooks' kept answer could not be read. It will be checked at the next connection.";

// A text of an XML fragment by path ("CustomerAdd/Name"), "" when absent.
std::string field(const std::string& xml, const char* path) {
  pugi::xml_document doc;
  if (!doc.load_string(xml.c_str())) return "";
  return doc.select_node((std::string("//") + path).c_str()).node().child_value();
}

long key_of(const std::string& record) {
  return static_cast<long>(std::trunc(numeric_value(record)));
}

// The first row of `sql` in app.scratch, cursor on it; false when there is none.
bool read_row(App& app, const std::string& sql) {
  return read_data(app, sql, false) && app.scratch.MoveToFirstChild();
}

// A list entry of QuickBooks by the name the add carried, "" when there is none.
template <typename Component>
std::string entry_named(Component& component, const std::string& name) {
  if (name.empty()) return "";
  try {
    component.reset();
    component.loadByName(name);
    return component.record();
  } catch (const qb::QbError& error) {
    if (error.number() == qb::kStatusNoMatch) return "";
    throw;
  }
}

const std::vector<IntentKind> kKinds{
    {"customer", "Customer", "CustomerAddRq",
     [](MappingContext& ctx, const std::string& record, const std::string& added) {
       return mark_customer_sent(ctx.app, key_of(record), field(added, "Name"));
     },
     [](MappingContext& ctx, const std::string&, const std::string& request) {
       return entry_named(ctx.components.customer, field(request, "CustomerAdd/Name"));
     }},
    {"supplier", "Supplier", "VendorAddRq",
     [](MappingContext& ctx, const std::string& record, const std::string& added) {
       return mark_supplier_sent(ctx.app, key_of(record), field(added, "Name"));
     },
     [](MappingContext& ctx, const std::string&, const std::string& request) {
       return entry_named(ctx.components.vendor, field(request, "VendorAdd/Name"));
     }},
    {"invoice", "Invoice", "InvoiceAddRq",
     [](MappingContext& ctx, const std::string& record, const std::string& added) {
       if (!read_row(ctx.app,
                     "Select xmladd from CustSO where number = " + std::to_string(key_of(record))))
         return false;
       return mark_invoice_sent(ctx.app, key_of(record), ctx.app.scratch.GetChildContent("xmladd"),
                                field(added, "TxnID"), field(added, "RefNumber"));
     },
     [](MappingContext& ctx, const std::string& record, const std::string& request) -> std::string {
       App& app = ctx.app;
       if (!read_row(app, "Select quickbooksref, number, total from CustSO where number = " +
                              std::to_string(key_of(record))))
         return "";
       // The reference the add carried, as for purchase orders.
       std::string reference = field(request, "InvoiceAdd/RefNumber");
       if (reference.empty()) reference = app.scratch.GetChildContent("quickbooksref");
       if (reference.empty()) reference = app.scratch.GetChildContent("number");
       const double total = numeric_value(app.scratch.GetChildContent("total"));
       if (get_QBInvRef(ctx, reference, total, field(request, "InvoiceAdd/CustomerRef/FullName"))
               .empty())
         return "";
       return app.invoiceMatch.GetXml();
     }},
    {"payment", "Payment", "ReceivePaymentAddRq",
     [](MappingContext& ctx, const std::string& record, const std::string& added) {
       return mark_payment_sent(ctx.app, key_of(record), field(added, "TxnID"));
     },
     [](MappingContext& ctx, const std::string& record, const std::string& request) {
       const std::string customer = field(request, "ReceivePaymentAdd/CustomerRef/FullName");
       const double amount = numeric_value(field(request, "ReceivePaymentAdd/TotalAmount"));
       if (!chkdup_QBPayment(ctx, customer, amount, record, "")) return std::string();
       return ctx.app.paymentMatch.GetXml();
     }},
    {"purchase order", "Purchase order", "PurchaseOrderAddRq",
     [](MappingContext& ctx, const std::string& record, const std::string& added) {
       if (!read_row(ctx.app,
                     "Select goodsin from SuppPO where number = " + std::to_string(key_of(record))))
         return false;
       return mark_po_sent(ctx.app, key_of(record), field(added, "RefNumber"),
                           field(added, "TxnID"), ctx.app.scratch.GetChildContent("goodsin"));
     },
     [](MappingContext& ctx, const std::string& record, const std::string& request) {
       App& app = ctx.app;
       if (!read_row(app, "Select qbref, number, subtotal from SuppPO where number = " +
                              std::to_string(key_of(record))))
         return std::string();
       // The reference the add carried; the send's own duplicate check's when QuickBooks
       // numbers the orders.
       std::string reference = field(request, "PurchaseOrderAdd/RefNumber");
       if (reference.empty()) reference = app.scratch.GetChildContent("qbref");
       if (reference.empty()) reference = app.scratch.GetChildContent("number");
       RecordDoc match;
       if (get_QBPORef(ctx, reference, numeric_value(app.scratch.GetChildContent("subtotal")),
                       field(request, "PurchaseOrderAdd/VendorRef/FullName"), &match)
               .empty())
         return std::string();
       return match.GetXml();
     }},
};

// Asks whether to send again a record QuickBooks may hold as `match`. True: send it again.
bool send_again(App& app, const IntentKind& kind, const Intent& intent, const std::string& match) {
  std::string reference = field(match, "RefNumber");
  if (reference.empty()) reference = field(match, "Name");
  const std::string what = to_lower_ascii(kind.label);
  const std::string question =
      std::string(kind.label) + " " + intent.record + " was sent to QuickBooks on " +
      intent.sentAt + ", but the answer was lost and QuickBooks can no longer tell whether it " +
      "arrived. QuickBooks holds a " + what + " that looks like it:" + kCrlf + kCrlf +
      "Reference: " + reference + kCrlf + kCrlf + "Click 'YES' to send this " + what +
      " again. Click 'NO' to mark it as sent with the one QuickBooks holds.";
  return app.ui.messageBox(question, Buttons::YesNo, Icon::Question, "Warning!") == Answer::Yes;
}

// Settles one entry; the line for the user, "" when the entry was dropped without a mark.
// Throws QbError(kNotReachable) when QuickBooks cannot be asked.
// The adds of one message set share one status question (`statuses`, by message-set id).
std::string settle(MappingContext& ctx, IntentJournal& journal, const IntentKind& kind,
                   const Intent& intent, bool& settled,
                   std::map<std::string, qb::MessageSetStatus>& statuses) {
  const std::string sent = "Was sent on " + intent.sentAt;
  settled = true;
  auto mark = [&](const std::string& added, const char* done) {
    if (kind.mark(ctx, intent.record, added)) {
      journal.close(intent.id);
      return sent + done;
    }
    if (intent.answer.empty()) journal.answered(intent.id, added);
    settled = false;
    return sent + kMarkFailedAgain + kMarkPending;
  };
  if (!intent.answer.empty()) return mark(intent.answer, kMarkedLate);
  auto asked = statuses.find(intent.messageSetId);
  if (asked == statuses.end())
    asked = statuses
                .emplace(intent.messageSetId,
                         ctx.components.session.messageSetStatus(intent.messageSetId))
                .first;
  const qb::MessageSetStatus& status = asked->second;
  if (status.code == 0) {
    const qb::ChangeAnswer kept = qb::read_change_answer(intent.request, status.response);
    if (kept.outcome == qb::ChangeAnswer::kDone && !kept.record.empty())
      return mark(kept.record, kMarkedNow);
    if (kept.outcome == qb::ChangeAnswer::kRefused) {
      journal.close(intent.id);  // QuickBooks refused the add: the record is still to be sent
      return "";
    }
    settled = false;  // the kept answer tells nothing either: asked again next time
    return sent + kKeptAnswerUnreadable;
  }
  // QuickBooks cannot tell: the duplicate search decides, and only the user sends again.
  const std::string match = kind.findDuplicate(ctx, intent.record, intent.request);
  if (match.empty() || send_again(ctx.app, kind, intent, match)) {
    journal.close(intent.id);
    return "";
  }
  return mark(match, kMarkedNow);
}

std::string listed(const RecoveredRecord& r) {
  const IntentKind* kind = intent_kind(r.kind);
  return std::string(kind != nullptr ? kind->label : r.kind.c_str()) + " " + r.record + ": " +
         r.line;
}

void show_lines(App& app, const std::vector<const RecoveredRecord*>& records) {
  if (records.empty()) return;
  std::string text = "Sends whose answer from QuickBooks was lost:";
  for (const RecoveredRecord* r : records) text += kCrlf + listed(*r);
  app.ui.messageBox(text, Buttons::Ok, Icon::Information, "QuickBooks Recovery");
}

}  // namespace

const std::vector<IntentKind>& intent_kinds() {
  return kKinds;
}

const IntentKind* intent_kind(std::string_view name) {
  for (const IntentKind& kind : kKinds)
    if (name == kind.name) return &kind;
  return nullptr;
}

std::vector<RecoveredRecord> recover_intents(MappingContext& ctx) {
  std::vector<RecoveredRecord> out;
  try {
    IntentJournal journal(ctx.app.settingsFolder);
    bool reachable = true;
    std::map<std::string, qb::MessageSetStatus> statuses;
    for (const Intent& intent : journal.pending()) {
      const IntentKind* kind = intent_kind(intent.kind);
      if (kind == nullptr) continue;  // a kind this build does not send: left as it is
      bool settled = false;
      std::string line;
      if (reachable || !intent.answer.empty()) {
        try {
          line = settle(ctx, journal, *kind, intent, settled, statuses);
        } catch (const qb::QbError& error) {
          if (error.number() != qb::kNotReachable) throw;
          reachable = false;
          settled = false;
        }
      }
      if (!reachable && !settled) line = "Was sent on " + intent.sentAt + kStillInDoubt;
      if (!line.empty()) out.push_back({intent.kind, intent.record, line, settled});
    }
  } catch (const std::exception& error) {
    show_common_error(ctx.app.ui, "frmQB", "recover_intents", error);
  }
  return out;
}

void recover_at_connection(MappingContext& ctx) {
  const std::vector<RecoveredRecord> records = recover_intents(ctx);
  std::vector<const RecoveredRecord*> all;
  for (const RecoveredRecord& r : records) all.push_back(&r);
  show_lines(ctx.app, all);
}

void recover_before_send(MappingContext& ctx, const std::string& kind, std::size_t keyColumn,
                         std::size_t resultColumn) {
  const std::vector<RecoveredRecord> records = recover_intents(ctx);
  std::vector<const RecoveredRecord*> elsewhere;
  for (const RecoveredRecord& r : records) {
    bool placed = false;
    if (r.kind == kind) {
      for (WorkRow& row : ctx.state.grid.rows) {
        if (keyColumn >= row.cells.size() ||
            std::to_string(key_of(row.cells[keyColumn])) != r.record)
          continue;
        if (row.cells.size() <= resultColumn) row.cells.resize(resultColumn + 1);
        row.cells[resultColumn] = r.line;
        placed = true;
      }
    }
    if (!placed) elsewhere.push_back(&r);
  }
  if (!records.empty()) ctx.state.changed();
  show_lines(ctx.app, elsewhere);
}

}  // namespace vqb
