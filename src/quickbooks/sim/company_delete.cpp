// Deleting transactions (TxnDelRq) and the links that keep QuickBooks from deleting one.

#include <string>
#include <vector>

#include "quickbooks/sim/company_state.h"

namespace vqb::qb::sim {
namespace {

// The transactions this company keeps, by TxnDelType.
struct DeletableKind {
  const char* type;
  Kind kind;
};
constexpr DeletableKind kDeletable[] = {{"Invoice", Kind::Invoice},
                                        {"ReceivePayment", Kind::ReceivePayment},
                                        {"PurchaseOrder", Kind::PurchaseOrder}};

// The TxnDelType values qbXML defines; the others are refused as QuickBooks refuses them.
constexpr const char* kTxnDelTypes[] = {"ARRefundCreditCard",
                                        "Bill",
                                        "BillPaymentCheck",
                                        "BillPaymentCreditCard",
                                        "BuildAssembly",
                                        "Charge",
                                        "Check",
                                        "CreditCardCharge",
                                        "CreditCardCredit",
                                        "CreditMemo",
                                        "Deposit",
                                        "Estimate",
                                        "InventoryAdjustment",
                                        "Invoice",
                                        "ItemReceipt",
                                        "JournalEntry",
                                        "PurchaseOrder",
                                        "ReceivePayment",
                                        "SalesOrder",
                                        "SalesReceipt",
                                        "SalesTaxPaymentCheck",
                                        "TimeTracking",
                                        "TransferInventory",
                                        "VehicleMileage",
                                        "VendorCredit"};

void restamp(pugi::xml_node ret, const std::string& editSequence, const std::string& now) {
  setChild(ret, "EditSequence", editSequence);
  setChild(ret, "TimeModified", now);
}

}  // namespace

std::vector<pugi::xml_node> SimulatedCompany::Impl::paymentsApplyingTo(
    const std::string& invoiceId) const {
  std::vector<pugi::xml_node> out;
  for (pugi::xml_node payment : containers[static_cast<int>(Kind::ReceivePayment)].children())
    for (pugi::xml_node line : payment.children("AppliedToTxnRet"))
      if (childText(line, "TxnID") == invoiceId) {
        out.push_back(payment);
        break;
      }
  return out;
}

void SimulatedCompany::Impl::appendLinks(pugi::xml_node copy, pugi::xml_node ret) const {
  if (std::string_view(ret.name()) != "InvoiceRet") return;
  const std::string id = childText(ret, "TxnID");
  for (pugi::xml_node payment : paymentsApplyingTo(id)) {
    std::int64_t cents = 0;
    for (pugi::xml_node line : payment.children("AppliedToTxnRet"))
      if (childText(line, "TxnID") == id) cents += centsOf(line, "Amount");
    pugi::xml_node link = copy.append_child("LinkedTxn");
    setChild(link, "TxnID", childText(payment, "TxnID"));
    setChild(link, "TxnType", "ReceivePayment");
    setChild(link, "TxnDate", childText(payment, "TxnDate"));
    if (payment.child("RefNumber")) setChild(link, "RefNumber", childText(payment, "RefNumber"));
    setChild(link, "LinkType", "AMTTYPE");
    setChild(link, "Amount", centsText(-cents));
  }
  sortBySchema(copy);
}

void SimulatedCompany::Impl::deleteTxn(pugi::xml_node request, pugi::xml_node response) {
  const std::string type = childText(request, "TxnDelType");
  const std::string id = childText(request, "TxnID");
  bool known = false;
  for (const char* t : kTxnDelTypes) known = known || type == t;
  if (!known)
    throw StatusError(status::kInvalidValue, "The enumerated value \"" + type +
                                                 "\" in the field \"TxnDelType\" is invalid.");
  pugi::xml_node ret = findById(id);
  const DeletableKind* kind = nullptr;
  for (const DeletableKind& k : kDeletable)
    if (type == k.type && ret && ret.name() == std::string(kindInfo(k.kind).ret)) kind = &k;
  if (kind == nullptr)
    throw StatusError(status::kNotFound,
                      "Object \"" + id +
                          "\" specified in the request cannot be found.  QuickBooks error "
                          "message: " +
                          kNoSuchRecord);
  // A transaction others are linked to stays: QuickBooks asks to remove the links first.
  bool linked = false;
  if (kind->kind == Kind::Invoice) linked = !paymentsApplyingTo(id).empty();
  if (kind->kind == Kind::PurchaseOrder) {
    linked = ret.child("LinkedTxn") || isTrue(childText(ret, "IsFullyReceived"));
    for (pugi::xml_node line : ret.children("PurchaseOrderLineRet"))
      linked = linked || line.child("ReceivedQuantity").text().as_double() != 0;
  }
  if (linked)
    throw StatusError(status::kCannotDelete,
                      "The transaction \"" + id +
                          "\" cannot be deleted.  QuickBooks error message: This transaction has "
                          "other transactions linked to it.");

  // What the transaction did to balances is taken back with it.
  pugi::xml_node customer = findById(ret.child("CustomerRef").child_value("ListID"));
  if (kind->kind == Kind::Invoice && customer)
    adjustBalance(customer, -centsOf(ret, "BalanceRemaining"));
  if (kind->kind == Kind::ReceivePayment) {
    const std::string editSequence = newEditSequence();
    const std::string now = nowText();
    std::int64_t returned = centsOf(ret, "TotalAmount");
    for (pugi::xml_node line : ret.children("AppliedToTxnRet")) {
      const std::int64_t cents = centsOf(line, "Amount") + centsOf(line, "DiscountAmount");
      returned += centsOf(line, "DiscountAmount");
      pugi::xml_node invoice = findById(childText(line, "TxnID"));
      if (!invoice) continue;
      const std::int64_t balance = centsOf(invoice, "BalanceRemaining") + cents;
      setChild(invoice, "BalanceRemaining", centsText(balance));
      setChild(invoice, "AppliedAmount", centsText(centsOf(invoice, "AppliedAmount") + cents));
      setChild(invoice, "IsPaid", balance <= 0 ? "true" : "false");
      restamp(invoice, editSequence, now);
      touch(invoice);
    }
    if (customer) adjustBalance(customer, returned);
  }
  eraseEntry(kind->kind, ret);
  setChild(response, "TxnDelType", type);
  setChild(response, "TxnID", id);
  setChild(response, "TimeDeleted", nowText());
}

}  // namespace vqb::qb::sim
