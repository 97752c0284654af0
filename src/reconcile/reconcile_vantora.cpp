// The Vantora side of a reconciliation: the records, what they recorded when they were sent
// and what they would be sent with now.

#include <cmath>
#include <pugixml.hpp>
#include <unordered_map>

#include "app/database.h"
#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "export/field_cuts.h"
#include "export/send_loop.h"
#include "reconcile/reconcile_data.h"

namespace vqb::reconciling {
namespace {

using send_steps::option_on;
using send_steps::setup_on;
using send_steps::whole;

const std::string& text(const std::vector<Cell>& row, std::size_t i) {
  static const std::string empty;
  return i < row.size() && row[i] ? *row[i] : empty;
}

std::int64_t money(const std::string& value) {
  return to_hundredths(numeric_value(value));
}

// The calendar date of a Vantora date cell; "" when it is empty.
std::string day_of(const std::string& value) {
  if (value.empty()) return "";
  return iso_date(std::floor(numeric_value(value)));
}

// Whether a date cell lies in the period (every record when no period is given).
bool in_period(const ReconcileOptions& options, const std::string& value) {
  if (!options.from && !options.to) return true;
  if (value.empty()) return false;
  const double day = std::floor(numeric_value(value));
  return (!options.from || day >= *options.from) && (!options.to || day <= *options.to);
}

// The QBReference an invoice's xmlAdd holds ("" when none).
std::string qb_reference(const std::string& xmlAdd) {
  if (xmlAdd.find("QBReference") == std::string::npos) return "";
  pugi::xml_document doc;
  if (!doc.load_string(xmlAdd.c_str())) return "";
  pugi::xml_node root = doc.document_element();
  if (std::string_view(root.name()) != "OrderInfo") return "";
  return root.child("QBReference").text().as_string();
}

class Reader {
 public:
  Reader(App& app, const ReconcileOptions& options)
      : app_(app), options_(options), db_(open_database(app.databasePath)) {}

  VantoraSide read() {
    if (chosen(options_, kInvoice) || chosen(options_, kPayment)) invoices();
    if (chosen(options_, kPayment)) payments();
    if (chosen(options_, kPurchaseOrder)) orders();
    if (chosen(options_, kCustomer))
      names(kCustomer,
            "SELECT Link, Description, QBAccountNumber FROM Customers WHERE QBAccountNumber <> ''");
    if (chosen(options_, kSupplier))
      names(kSupplier, "SELECT Link, Description, QBAccount FROM Suppliers WHERE QBAccount <> ''");
    return std::move(side_);
  }

 private:
  void invoices() {
    // The reference number the invoice export would send now.
    const bool qbNumbers = setup_on(app_, "chkqbassigninvnumbers");
    const bool prefixed = setup_on(app_, "chkinvoiceprefix");
    const bool ownPrefix = option_on(app_, "optinvprefix1");
    const std::string prefix = setup_value(app_, "txtinvprefix");
    const bool keep = chosen(options_, kInvoice);
    db_->query(
        "SELECT so.Number, so.Status, so.Prefix, so.InvDate, so.Total, so.TaxAmount1, "
        "so.NetTotal, so.QuickBooks, so.QuickBooksRef, so.xmlAdd, c.Description, "
        "c.QBAccountNumber FROM CustSO so LEFT JOIN Customers c ON c.Link = so.Customer "
        "WHERE so.Status = 3 OR so.Status = 4 ORDER BY so.Number",
        [&](const std::vector<Cell>& row) {
          VantoraRecord r;
          r.key = whole(text(row, 0));
          r.marked = numeric_value(text(row, 7)) > 0;
          // The TxnID names the invoice in a payment's applications even once it is unmarked.
          const std::string recorded = qb_reference(text(row, 9));
          if (!recorded.empty()) side_.invoiceByTxn.emplace(recorded, r.key);
          if (r.marked) r.txnId = recorded;
          if (!keep || !in_period(options_, text(row, 3))) return;
          r.ref = r.marked ? text(row, 8) : "";
          if (!qbNumbers)
            r.expectedRef = !prefixed ? r.key : (ownPrefix ? text(row, 2) : prefix) + r.key;
          // A work order goes to QuickBooks dated the day it is sent.
          if (whole(text(row, 1)) == "4") r.date = day_of(text(row, 3));
          r.subtotal = money(text(row, 4));
          r.tax = money(text(row, 5));
          r.total = money(text(row, 6));
          r.party = text(row, 10);
          r.partyName = text(row, 11);
          side_.records[kInvoice].push_back(std::move(r));
        });
  }

  void payments() {
    // Applications are compared unless QuickBooks chose them ("optapply1"): as in Vantora
    // with "optapply2", none otherwise.
    const bool asInVantora = option_on(app_, "optapply2");
    const bool compare = asInVantora || !option_on(app_, "optapply1");
    std::unordered_map<std::string, Applications> byPost;
    if (asInVantora) {
      auto take = [&](const std::vector<Cell>& row) {
        byPost[whole(text(row, 0))][whole(text(row, 1))] += money(text(row, 2));
      };
      db_->query(
          "SELECT a.CRef, d.WONumber, a.Amount FROM CustAllocate a INNER JOIN CustPost d ON "
          "d.id = a.DRef WHERE d.WONumber >= 1",
          take);
      db_->query("SELECT PostLink, WONumber, Amount FROM CustWOPayments WHERE WONumber >= 1", take);
    }
    db_->query(
        "SELECT p.Number, p.Date, p.Amount, p.Reference, p.QuickBooks, p.QuickBooksRef, "
        "c.Description, c.QBAccountNumber, post.id FROM CustPayments p "
        "LEFT JOIN CustPost post ON post.id = (SELECT id FROM CustPost WHERE Trans = 'PMT' AND "
        "ReceiptNumber = p.Number ORDER BY id LIMIT 1) "
        "LEFT JOIN Customers c ON c.Link = COALESCE(post.Customer, p.Customer) "
        "WHERE (p.POS IS NULL OR p.POS <> 1) AND (p.Voided IS NULL OR p.Voided <> 1) "
        "ORDER BY p.Number",
        [&](const std::vector<Cell>& row) {
          if (!in_period(options_, text(row, 1))) return;
          VantoraRecord r;
          r.key = whole(text(row, 0));
          r.marked = numeric_value(text(row, 4)) > 0;
          r.txnId = r.marked ? text(row, 5) : "";
          const std::string& reference = text(row, 3);
          r.expectedRef =
              reference.empty() ? r.key : first_chars(reference, kQbPaymentRefNumberLength);
          r.date = day_of(text(row, 1));
          r.total = money(text(row, 2));
          r.party = text(row, 6);
          r.partyName = text(row, 7);
          r.compareApplications = compare;
          if (asInVantora) {
            auto found = byPost.find(whole(text(row, 8)));
            if (found != byPost.end() && !text(row, 8).empty()) r.applications = found->second;
          }
          side_.records[kPayment].push_back(std::move(r));
        });
  }

  void orders() {
    const bool qbNumbers = setup_on(app_, "chkqbassignponumbers");
    const bool supplierRef = setup_on(app_, "chkposupplierref");
    const bool prefixed = setup_on(app_, "chkpoprefix");
    const std::string prefix = setup_value(app_, "txtpoprefix");
    db_->query(
        "SELECT po.Number, po.Date, po.Subtotal, po.VendorRef, po.SendQB, po.QBRef, po.QBURef, "
        "s.Description, s.QBAccount FROM SuppPO po LEFT JOIN Suppliers s ON s.Link = "
        "po.Supplier WHERE (po.Void IS NULL OR po.Void = 0) AND po.Revision >= 200918 "
        "ORDER BY po.Number",
        [&](const std::vector<Cell>& row) {
          if (!in_period(options_, text(row, 1))) return;
          VantoraRecord r;
          r.key = whole(text(row, 0));
          r.marked = numeric_value(text(row, 4)) > 0;
          r.txnId = r.marked ? text(row, 6) : "";
          r.ref = r.marked ? text(row, 5) : "";
          if (!qbNumbers)
            r.expectedRef = supplierRef ? first_chars(text(row, 3), kQbOrderRefNumberLength)
                            : prefixed  ? prefix + r.key
                                        : r.key;
          r.date = day_of(text(row, 1));
          r.total = money(text(row, 2));
          r.party = text(row, 7);
          r.partyName = text(row, 8);
          side_.records[kPurchaseOrder].push_back(std::move(r));
        });
  }

  void names(Kind kind, const char* sql) {
    db_->query(sql, [&](const std::vector<Cell>& row) {
      VantoraRecord r;
      r.key = whole(text(row, 0));
      r.party = text(row, 1);
      r.partyName = r.ref = text(row, 2);
      r.marked = true;
      side_.records[kind].push_back(std::move(r));
    });
  }

  App& app_;
  const ReconcileOptions& options_;
  std::unique_ptr<Database> db_;
  VantoraSide side_;
};

}  // namespace

const char* kind_word(Kind kind) {
  static const char* const words[] = {"invoice", "payment", "po", "customer", "supplier"};
  return words[kind];
}

bool chosen(const ReconcileOptions& options, Kind kind) {
  switch (kind) {
    case kInvoice:
      return options.invoices;
    case kPayment:
      return options.payments;
    case kPurchaseOrder:
      return options.purchaseOrders;
    case kCustomer:
      return options.customers;
    case kSupplier:
      return options.suppliers;
    default:
      return false;
  }
}

VantoraSide read_vantora(App& app, const ReconcileOptions& options) {
  return Reader(app, options).read();
}

}  // namespace vqb::reconciling
