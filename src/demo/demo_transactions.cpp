// The demo's transactions marked as sent, added to the demo company: invoices, then the
// payments applied to them, then purchase orders, one qbXML message set per kind.

#include <cmath>
#include <map>
#include <pugixml.hpp>
#include <sstream>

#include "app/database.h"
#include "app/errors.h"
#include "app/text_helpers.h"
#include "demo/demo_company.h"
#include "quickbooks/qbxml.h"
#include "quickbooks/sim/simulated_company.h"

namespace vqb::qb {
namespace {

using qbxml::add_ref_if_set;
using qbxml::add_text;
using Row = std::vector<Cell>;

std::string text(const Row& row, std::size_t column) {
  return row.at(column).value_or("");
}
std::string number(const Row& row, std::size_t column) {
  return std::to_string(std::llround(numeric_value(text(row, column))));
}
std::int64_t cents(const Row& row, std::size_t column) {
  return to_hundredths(numeric_value(text(row, column)));
}
// "Style - Description", or the description alone.
std::string description(const Row& row, std::size_t style) {
  return text(row, style).empty() ? text(row, style + 1)
                                  : text(row, style) + " - " + text(row, style + 1);
}
std::string date(const Row& row, std::size_t column) {
  return iso_date(numeric_value(text(row, column)));
}

// One message set of add requests, each with the Vantora number as its requestID.
class MessageSet {
 public:
  MessageSet() {
    messages_ = doc_.append_child("QBXML").append_child("QBXMLMsgsRq");
    messages_.append_attribute("onError").set_value("stopOnError");
  }
  pugi::xml_node add(const char* kind, const std::string& requestId) {
    pugi::xml_node rq = messages_.append_child((std::string(kind) + "AddRq").c_str());
    rq.append_attribute("requestID").set_value(requestId.c_str());
    return rq.append_child((std::string(kind) + "Add").c_str());
  }
  // Sends the set; returns requestID -> the …Ret element's TxnID and RefNumber.
  std::map<std::string, std::pair<std::string, std::string>> send(sim::SimulatedCompany& company,
                                                                  const char* kind) {
    std::map<std::string, std::pair<std::string, std::string>> added;
    if (!messages_.first_child()) return added;
    std::ostringstream request;
    request << "<?xml version=\"1.0\"?>\n<?qbxml version=\"13.0\"?>\n";
    doc_.save(request, "", pugi::format_raw | pugi::format_no_declaration);
    pugi::xml_document response;
    response.load_string(company.process(request.str()).c_str());
    const std::string ret = std::string(kind) + "Ret";
    for (pugi::xml_node rs : response.child("QBXML").child("QBXMLMsgsRs").children()) {
      if (rs.attribute("statusCode").as_int() != 0)
        throw VqbError(rs.attribute("statusCode").as_int(),
                       std::string("Demo ") + kind + " " + rs.attribute("requestID").value() +
                           ": " + rs.attribute("statusMessage").value());
      pugi::xml_node record = rs.child(ret.c_str());
      added[rs.attribute("requestID").value()] = {record.child_value("TxnID"),
                                                  record.child_value("RefNumber")};
    }
    return added;
  }

 private:
  pugi::xml_document doc_;
  pugi::xml_node messages_;
};

// Invoices: the Vantora lines as they would be sent (amount = charge x quantity, the line's
// tax code), the discount as a line of its own, the invoice's tax item. Returns number -> TxnID.
std::map<std::string, std::string> add_invoices(Database& db, sim::SimulatedCompany& company) {
  const auto orders = db.queryAll(
      "SELECT o.Number, o.QuickBooksRef, o.InvDate, c.QBAccountNumber, t.QBLink, o.DiscAmount "
      "FROM CustSO o JOIN Customers c ON c.Link = o.Customer LEFT JOIN tax t ON t.Link = "
      "o.TaxType1 WHERE o.QuickBooks = 1 ORDER BY o.Number");
  const auto lines = db.queryAll(
      "SELECT d.SONumber, g.QB, d.Style, d.Description, d.AdjustedQty, d.LineChargeAdjusted, "
      "lt.QuickBooks FROM custsodetail d JOIN CustSO o ON o.Number = d.SONumber LEFT JOIN "
      "SalesGroup g ON g.Code = d.SalesGroup LEFT JOIN LineTax lt ON lt.Link = d.Tax1 WHERE "
      "o.QuickBooks = 1 AND d.LineType <> 'Remark' AND d.LineType <> 'Separator' ORDER BY "
      "d.SONumber, d.LineNumber");
  const std::string discountItem =
      db.queryAll("SELECT Discount FROM QuickBooks").rows.at(0).at(0).value_or("");
  MessageSet set;
  std::size_t line = 0;
  for (const Row& order : orders.rows) {
    const std::string n = number(order, 0);
    pugi::xml_node add = set.add("Invoice", n);
    add_ref_if_set(add, "CustomerRef", text(order, 3));
    add_text(add, "TxnDate", date(order, 2));
    add_text(add, "RefNumber", text(order, 1).empty() ? n : text(order, 1));
    add_ref_if_set(add, "ItemSalesTaxRef", text(order, 4));
    for (; line < lines.rows.size() && number(lines.rows[line], 0) == n; ++line) {
      const Row& l = lines.rows[line];
      pugi::xml_node lineAdd = add.append_child("InvoiceLineAdd");
      add_ref_if_set(lineAdd, "ItemRef", text(l, 1));
      add_text(lineAdd, "Desc", description(l, 2));
      add_text(lineAdd, "Quantity", number(l, 4));
      add_text(
          lineAdd, "Amount",
          hundredths_text(to_hundredths(numeric_value(text(l, 4)) * numeric_value(text(l, 5)))));
      add_ref_if_set(lineAdd, "SalesTaxCodeRef", text(l, 6));
    }
    if (cents(order, 5) != 0) {
      pugi::xml_node lineAdd = add.append_child("InvoiceLineAdd");
      add_ref_if_set(lineAdd, "ItemRef", discountItem);
      add_text(lineAdd, "Desc", "Invoice Discount");
      add_text(lineAdd, "Amount", hundredths_text(cents(order, 5)));
    }
  }
  std::map<std::string, std::string> txns;
  for (const auto& [n, added] : set.send(company, "Invoice")) {
    txns[n] = added.first;
    db.execute("UPDATE CustSO SET xmlAdd = '<OrderInfo><QBReference>" + sql_quote(added.first) +
               "</QBReference></OrderInfo>', QuickBooksRef = '" + sql_quote(added.second) +
               "' WHERE Number = " + n);
  }
  return txns;
}

// Payments, applied to the invoices as Vantora allocates them (an allocation to an invoice the
// company does not hold is left out).
void add_payments(Database& db, sim::SimulatedCompany& company,
                  const std::map<std::string, std::string>& invoices) {
  const auto payments = db.queryAll(
      "SELECT p.Number, c.QBAccountNumber, p.Date, p.Reference, p.Amount, m.QuickBooks, "
      "m.QBLedger, post.id FROM CustPayments p JOIN Customers c ON c.Link = p.Customer JOIN "
      "CustPost post ON post.Trans = 'PMT' AND post.ReceiptNumber = p.Number LEFT JOIN "
      "CustPaymentMethods m ON m.Link = p.Method WHERE p.QuickBooks = 1 ORDER BY p.Date, "
      "p.Number");
  const auto allocations = db.queryAll(
      "SELECT a.CRef, inv.WONumber, a.Amount FROM CustAllocate a JOIN CustPost inv ON inv.id = "
      "a.DRef ORDER BY a.rowid");
  std::multimap<std::string, std::pair<std::string, std::int64_t>> applied;  // post -> invoice
  for (const Row& a : allocations.rows)
    if (auto txn = invoices.find(number(a, 1)); txn != invoices.end())
      applied.emplace(number(a, 0), std::pair{txn->second, cents(a, 2)});
  MessageSet set;
  for (const Row& payment : payments.rows) {
    pugi::xml_node add = set.add("ReceivePayment", number(payment, 0));
    add_ref_if_set(add, "CustomerRef", text(payment, 1));
    add_text(add, "TxnDate", date(payment, 2));
    add_text(add, "RefNumber",
             text(payment, 3).empty() ? number(payment, 0) : first_chars(text(payment, 3), 20));
    add_text(add, "TotalAmount", hundredths_text(cents(payment, 4)));
    add_ref_if_set(add, "PaymentMethodRef", text(payment, 5));
    add_ref_if_set(add, "DepositToAccountRef", text(payment, 6));
    auto [from, to] = applied.equal_range(number(payment, 7));
    if (from == to) add_text(add, "IsAutoApply", "false");
    for (auto it = from; it != to; ++it) {
      pugi::xml_node app = add.append_child("AppliedToTxnAdd");
      add_text(app, "TxnID", it->second.first);
      add_text(app, "PaymentAmount", hundredths_text(it->second.second));
    }
  }
  for (const auto& [n, added] : set.send(company, "ReceivePayment"))
    db.execute("UPDATE CustPayments SET QuickBooksRef = '" + sql_quote(added.first) +
               "' WHERE Number = " + n);
}

// Purchase orders: one line per Vantora row (quantity at the row's unit cost), so that the
// total is the order's subtotal to the cent.
void add_purchase_orders(Database& db, sim::SimulatedCompany& company) {
  const auto orders = db.queryAll(
      "SELECT po.Number, po.QBRef, po.Date, po.DueDate, s.QBAccount FROM SuppPO po JOIN "
      "Suppliers s ON s.Link = po.Supplier WHERE po.QBURef <> '' ORDER BY po.Number");
  const auto lines = db.queryAll(
      "SELECT d.PONumber, g.QB, d.Style, d.Description, d.Qty, d.UnitCost FROM SuppPODetail d "
      "JOIN SuppPO po ON po.Number = d.PONumber LEFT JOIN SalesGroup g ON g.Code = d.SalesGroup "
      "WHERE po.QBURef <> '' AND d.RemarkLine <> 1 ORDER BY d.PONumber, d.LineNumber, d.rank");
  MessageSet set;
  std::size_t line = 0;
  for (const Row& order : orders.rows) {
    const std::string n = number(order, 0);
    pugi::xml_node add = set.add("PurchaseOrder", n);
    add_ref_if_set(add, "VendorRef", text(order, 4));
    add_text(add, "TxnDate", date(order, 2));
    add_text(add, "RefNumber", text(order, 1).empty() ? n : text(order, 1));
    add_text(add, "DueDate", date(order, 3));
    for (; line < lines.rows.size() && number(lines.rows[line], 0) == n; ++line) {
      const Row& l = lines.rows[line];
      pugi::xml_node lineAdd = add.append_child("PurchaseOrderLineAdd");
      add_ref_if_set(lineAdd, "ItemRef", text(l, 1));
      add_text(lineAdd, "Desc", description(l, 2));
      add_text(lineAdd, "Quantity", number(l, 4));
      add_text(lineAdd, "Rate", hundredths_text(cents(l, 5)));
    }
  }
  for (const auto& [n, added] : set.send(company, "PurchaseOrder"))
    db.execute("UPDATE SuppPO SET QBURef = '" + sql_quote(added.first) + "', QBRef = '" +
               sql_quote(added.second) + "' WHERE Number = " + n);
}

}  // namespace

void add_demo_transactions(const std::string& companyFile, const std::string& vantoraDatabase) {
  sim::SimulatedCompany company(companyFile);
  auto db = open_database(vantoraDatabase);
  Transaction transaction(*db);
  add_payments(*db, company, add_invoices(*db, company));
  add_purchase_orders(*db, company);
  transaction.commit();
}

}  // namespace vqb::qb
