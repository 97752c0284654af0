#include "main_window/reconcile_list.h"

#include <sstream>

#include "app/errors.h"
#include "app/module1.h"
#include "app/text_helpers.h"
#include "export/invoice_export.h"
#include "export/payment_export.h"
#include "export/purchase_order_export.h"
#include "export/send_loop.h"
#include "main_window/marking.h"

namespace vqb {
namespace {

constexpr const char* kAllKinds = "invoices,payments,pos,customers,suppliers";

const std::vector<std::string> kHeaders{"Kind",    "Key",        "Customer/Supplier", "Problem",
                                        "Vantora", "QuickBooks", "QuickBooks ID",     "Select",
                                        "Comment", "Status"};

// The work list whose "Mark as NOT sent" statement suits a kind.
const char* list_of(const std::string& kind) {
  if (kind == "invoice") return lists::kSendCustomerInvoices;
  if (kind == "payment") return lists::kSendCustomerPayments;
  if (kind == "po") return lists::kSendSupplierPOs;
  if (kind == "customer") return lists::kSendCustomers;
  if (kind == "supplier") return lists::kSendSuppliers;
  return "";
}

// One cell of the first row `sql` finds ("" when none or unreadable).
std::string first_cell(App& app, const std::string& sql, const char* column) {
  RecordDoc row;
  if (!send_steps::load(app, sql, row) || !row.MoveToFirstChild()) return "";
  return row.GetChildContent(column);
}

// Links an unmarked record to the QuickBooks transaction `txnId` (reference `ref`).
bool mark_linked(App& app, const std::string& kind, const std::string& key,
                 const std::string& txnId, const std::string& ref) {
  const long number = std::stol(key);
  if (kind == "invoice")
    return mark_invoice_sent(
        app, number, first_cell(app, "Select xmladd from custso where number = " + key, "xmladd"),
        txnId, ref);
  if (kind == "payment") return mark_payment_sent(app, number, txnId);
  if (kind == "po")
    return mark_po_sent(
        app, number, ref, txnId,
        first_cell(app, "Select goodsin from suppPO where number = " + key, "goodsin"));
  return false;
}

}  // namespace

void offer_reconcile_choice(App& app) {
  app.sharedSlots[0] = app.sharedSlots[1] = app.sharedSlots[2] = "";
  app.sharedSlots[3] = kAllKinds;
}

bool reconcile_choice(App& app, ReconcileOptions& options) {
  for (int slot : {1, 2}) {
    const std::string& text = app.sharedSlots[static_cast<std::size_t>(slot)];
    std::optional<double>& into = slot == 1 ? options.from : options.to;
    into.reset();
    if (text.empty()) continue;
    into = reconcile_date(text);
    if (!into) {
      app.ui.messageBox("\"" + text + "\" is not a date. Please enter dates as YYYY-MM-DD.",
                        Buttons::Ok, Icon::Information, "Error");
      return false;
    }
  }
  if (options.from && options.to && *options.from > *options.to) {
    app.ui.messageBox("The period ends before it starts.", Buttons::Ok, Icon::Information, "Error");
    return false;
  }
  options.invoices = options.payments = options.purchaseOrders = options.customers =
      options.suppliers = false;
  std::istringstream kinds(app.sharedSlots[3]);
  bool any = false;
  for (std::string word; std::getline(kinds, word, ',');) {
    ReconcileOptions one;
    if (word == "all" || !choose_kinds(one, word)) continue;
    options.invoices |= one.invoices;
    options.payments |= one.payments;
    options.purchaseOrders |= one.purchaseOrders;
    options.customers |= one.customers;
    options.suppliers |= one.suppliers;
    any = true;
  }
  if (!any) {
    app.ui.messageBox("Please choose at least one kind of record to reconcile.", Buttons::Ok,
                      Icon::Information, "Error");
    return false;
  }
  return true;
}

void fill_reconcile(MainWindowState& state, const ReconcileResult& result) {
  WorkList& grid = state.grid;
  grid.clear();
  grid.headers = kHeaders;
  grid.tickColumn = tick_column_of(lists::kReconcile);
  for (const Difference& d : result.differences) {
    WorkRow row;
    row.cells = {d.kind,       d.key, d.party, problem_text(d),        d.vantora,
                 d.quickbooks, d.id,  "",      problem_explanation(d), ""};
    row.foreColour = kSentRowColour;  // red
    grid.rows.push_back(std::move(row));
  }
  state.currentList = lists::kReconcile;
  state.panelTitle = "Reconciling with QuickBooks";
  state.comment =
      "Each row is a difference between Vantora and QuickBooks. Tick the rows whose remedy is "
      "marking ('unmarked': Mark as sent; 'missing': Mark as NOT sent) and click on the 'Run' "
      "button.";
  state.changed();
}

void mark_reconciled(App& app, MainWindowState& state, bool sent) {
  const char* remedied = sent ? problems::kUnmarked : problems::kMissing;
  mark_ticked_rows(
      app, state, kReconcileStatusColumn, sent ? "marksent" : "marksentNot", [&](WorkRow& row) {
        auto cell = [&](int column) -> const std::string& {
          return row.cells[static_cast<std::size_t>(column)];
        };
        if (cell(kReconcileProblemColumn) != remedied) return false;
        const std::string& kind = cell(kReconcileKindColumn);
        const std::string& key = cell(kReconcileKeyColumn);
        app.ui.setStatus("Marking " + kind + " " + key + (sent ? " as sent" : " as not sent"));
        app.ui.processEvents();
        return sent ? mark_linked(app, kind, key, cell(kReconcileIdColumn),
                                  cell(kReconcileQuickBooksColumn))
                    : write_data(app, mark_statement(list_of(kind), false, key, now_text()));
      });
}

}  // namespace vqb
