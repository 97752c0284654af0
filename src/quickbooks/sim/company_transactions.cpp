// Transactions of the simulated company: invoices, received payments and purchase orders.

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "quickbooks/sim/company_state.h"
#include "quickbooks/sim/qbxml_layouts.h"

namespace vqb::qb::sim {
namespace {

const char* const kInvoiceLabel = "Invoice";
const char* const kInvoiceLineLabel = "Invoice line";
const char* const kPaymentLabel = "Receive Payment";
const char* const kOrderLabel = "Purchase Order";

// Decimals QuickBooks keeps in a rate it works out.
constexpr int kRateDecimals = 5;

// Header fields the company fills itself.
const std::set<std::string, std::less<>> kComputedHeader = {
    "TxnID",    "TimeCreated",        "TimeModified",  "EditSequence",  "TxnNumber",
    "Subtotal", "SalesTaxPercentage", "SalesTaxTotal", "AppliedAmount", "BalanceRemaining",
    "IsPaid",   "TotalAmount",        "UnusedPayment", "UnusedCredits", "IsFullyReceived"};

void copyKnownFields(pugi::xml_node from, pugi::xml_node to,
                     const std::set<std::string, std::less<>>& skip) {
  const ElementLayout& layout = *findLayout(to.name());
  for (pugi::xml_node child : from.children()) {
    if (child.type() != pugi::node_element || skip.count(child.name()) > 0) continue;
    const FieldLayout* field = findField(layout, child.name());
    if (field != nullptr && !(field->kind == 'c' && field->repeat)) to.append_copy(child);
  }
}

void copyIfMissing(pugi::xml_node from, const char* fromTag, pugi::xml_node to, const char* toTag) {
  if (to.child(toTag) || !from.child(fromTag)) return;
  to.append_copy(from.child(fromTag)).set_name(toTag);
}

std::optional<Decimal> itemPrice(pugi::xml_node item, bool purchase) {
  if (purchase) {
    if (auto cost = decimalOf(item.child("SalesAndPurchase"), "PurchaseCost")) return cost;
  } else if (auto price = decimalOf(item.child("SalesAndPurchase"), "SalesPrice")) {
    return price;
  }
  return decimalOf(item.child("SalesOrPurchase"), "Price");
}

std::string itemDescription(pugi::xml_node item, bool purchase) {
  for (std::string text :
       {childText(item.child("SalesOrPurchase"), "Desc"),
        childText(item.child("SalesAndPurchase"), purchase ? "PurchaseDesc" : "SalesDesc"),
        childText(item, "ItemDesc")}) {
    if (!text.empty()) return text;
  }
  return "";
}

void stampModified(pugi::xml_node ret, const std::string& editSequence, const std::string& now) {
  setChild(ret, "EditSequence", editSequence);
  setChild(ret, "TimeModified", now);
}

// The company keeps no item groups: a group line is an invalid reference.
[[noreturn]] void refuseItemGroups(const char* txnLabel) {
  throw StatusError(status::kInvalidReference,
                    std::string("There is an invalid reference to QuickBooks Item Group in the ") +
                        txnLabel + ".  QuickBooks error message: " + kNoSuchRecord);
}

// Replaces the children of target by those of source (target keeps its place in the indexes).
void replaceChildren(pugi::xml_node target, pugi::xml_node source) {
  while (target.first_child()) target.remove_child(target.first_child());
  for (pugi::xml_node child : source.children()) target.append_copy(child);
}

}  // namespace

std::string SimulatedCompany::Impl::nextRefNumber(Kind kind) {
  return std::to_string(maxRefNumber[txnSlot(kind)] + 1);
}

void SimulatedCompany::Impl::stampNewTransaction(pugi::xml_node ret) {
  std::string now = nowText();
  ret.prepend_child("TxnNumber").text().set(newTxnNumber());
  ret.prepend_child("EditSequence").text().set(newEditSequence().c_str());
  ret.prepend_child("TimeModified").text().set(now.c_str());
  ret.prepend_child("TimeCreated").text().set(now.c_str());
  ret.prepend_child("TxnID").text().set(newTxnId().c_str());
}

pugi::xml_node SimulatedCompany::Impl::defaultAccount(std::string_view accountType) const {
  for (const auto& [name, account] : byName[static_cast<int>(Space::Account)]) {
    if (childText(account, "AccountType") == accountType &&
        childText(account, "IsActive") != "false")
      return account;
  }
  return {};
}

void SimulatedCompany::Impl::defaultARAccount(pugi::xml_node ret) const {
  if (ret.child("ARAccountRef")) return;
  if (pugi::xml_node account = defaultAccount("AccountsReceivable")) {
    pugi::xml_node ref = ret.append_child("ARAccountRef");
    setChild(ref, "ListID", childText(account, "ListID"));
    setChild(ref, "FullName", entryName(account));
  }
}

std::string SimulatedCompany::Impl::dueDate(pugi::xml_node termsRef,
                                            const std::string& txnDate) const {
  pugi::xml_node terms = findById(termsRef.child_value("ListID"));
  if (std::string_view(terms.name()) == "StandardTermsRet") {
    return addDays(txnDate, terms.child("StdDueDays").text().as_int());
  }
  if (std::string_view(terms.name()) == "DateDrivenTermsRet") {
    return dueDateDriven(txnDate, terms.child("DayOfMonthDue").text().as_int(),
                         terms.child("DueNextMonthDays").text().as_int());
  }
  return txnDate;
}

// ---------------------------------------------------------------------------------------------
// Invoices

Decimal SimulatedCompany::Impl::taxRate(pugi::xml_node taxItem) const {
  if (std::string_view(taxItem.name()) != "ItemSalesTaxGroupRet")
    return decimalOf(taxItem, "TaxRate").value_or(Decimal{});
  Decimal rate;
  for (pugi::xml_node member : taxItem.children("ItemSalesTaxRef")) {
    rate = addDecimals(
        rate, decimalOf(findById(member.child_value("ListID")), "TaxRate").value_or(Decimal{}));
  }
  return rate;
}

pugi::xml_node SimulatedCompany::Impl::addInvoice(pugi::xml_node source) {
  checkFields(source);
  if (canadian() && source.child("ItemSalesTaxRef")) {
    // A US-only element: the Canadian edition has no sales tax item on an invoice.
    throw StatusError(
        status::kFeatureUnavailable,
        "This feature is not enabled or not available in this version of QuickBooks.");
  }
  pugi::xml_document scratch;
  pugi::xml_node add = scratch.append_copy(source);
  pugi::xml_node customer = resolveRef(add.child("CustomerRef"), Kind::Invoice, kInvoiceLabel);
  // Header references first, then each line's: those name "the Invoice line".
  pugi::xml_node lines = scratch.append_child("Lines");
  while (pugi::xml_node lineAdd = add.child("InvoiceLineAdd")) lines.append_move(lineAdd);
  resolveRefs(add, Kind::Invoice, kInvoiceLabel);
  for (pugi::xml_node lineAdd : lines.children())
    resolveRefs(lineAdd, Kind::Invoice, kInvoiceLineLabel);
  if (add.child("InvoiceLineGroupAdd")) refuseItemGroups(kInvoiceLabel);

  pugi::xml_node ret = scratch.append_child("InvoiceRet");
  copyKnownFields(add, ret, kComputedHeader);
  defaultARAccount(ret);
  if (!ret.child("TxnDate")) setChild(ret, "TxnDate", todayText());
  for (const char* field :
       {"BillAddress", "ShipAddress", "TermsRef", "SalesRepRef", "ItemSalesTaxRef"}) {
    if (canadian() && std::string_view(field) == "ItemSalesTaxRef") continue;
    copyIfMissing(customer, field, ret, field);
  }
  copyIfMissing(customer, "SalesTaxCodeRef", ret, "CustomerSalesTaxCodeRef");
  if (!ret.child("DueDate"))
    setChild(ret, "DueDate", dueDate(ret.child("TermsRef"), childText(ret, "TxnDate")));
  if (!ret.child("RefNumber")) setChild(ret, "RefNumber", nextRefNumber(Kind::Invoice));
  for (const char* flag : {"IsPending", "IsFinanceCharge", "IsToBePrinted", "IsToBeEmailed"}) {
    if (!ret.child(flag)) setChild(ret, flag, "false");
  }

  // Lines: amounts from Amount, Quantity x Rate, a percentage of the line above, or the
  // item's price; subtotal lines sum the lines since the previous subtotal and count in
  // neither the invoice's subtotal nor its tax.
  std::int64_t subtotal = 0, taxable = 0, sinceSubtotal = 0, previous = 0;
  std::map<std::string, std::int64_t> taxBases;  // Canada: taxable amount per tax item ListID
  for (pugi::xml_node lineAdd : lines.children()) {
    pugi::xml_node line = ret.append_child("InvoiceLineRet");
    copyKnownFields(lineAdd, line, {});
    pugi::xml_node item = findById(line.child("ItemRef").child_value("ListID"));
    // A line without a known item has no item kind; Customer stands for "none" here.
    const Kind itemKind = item ? kindOfRet(item.name()).value_or(Kind::Customer) : Kind::Customer;
    if (!line.child("Desc") && item) {
      if (std::string desc = itemDescription(item, false); !desc.empty())
        setChild(line, "Desc", desc);
    }
    if (item) copyIfMissing(item, "SalesTaxCodeRef", line, "SalesTaxCodeRef");
    std::optional<Decimal> quantity = decimalOf(line, "Quantity");
    std::optional<Decimal> rate = decimalOf(line, "Rate");
    std::optional<Decimal> percent = decimalOf(line, "RatePercent");
    bool discount = itemKind == Kind::ItemDiscount;
    if (!rate && !percent && !line.child("Amount") && item) {
      if (discount) {
        percent = decimalOf(item, "DiscountRatePercent");
        if (auto fixed = decimalOf(item, "DiscountRate")) rate = fixed;
      } else if (itemKind != Kind::ItemSubtotal) {
        rate = itemPrice(item, false);
        if (!rate) percent = decimalOf(item.child("SalesOrPurchase"), "PricePercent");
      }
      if (rate) setChild(line, "Rate", decimalText(*rate, 2));
      if (percent) setChild(line, "RatePercent", decimalText(*percent, 2));
    }
    std::int64_t amount = 0;
    if (line.child("Amount")) {
      amount = centsOf(line, "Amount");
      // A quantity with an amount: the rate is the one that gives the amount.
      if (item && quantity && quantity->units != 0 && !rate && !percent) {
        setChild(line, "Rate", decimalText(quotientOf(amount, *quantity, kRateDecimals), 2));
      }
    } else if (itemKind == Kind::ItemSubtotal) {
      amount = sinceSubtotal;
    } else if (rate) {
      amount = productCents(quantity.value_or(Decimal{1, 0}), *rate);
    } else if (percent) {
      amount = percentOfCents(previous, *percent);
    }
    if (discount && !line.child("Amount")) amount = -std::abs(amount);  // a discount rate takes off
    if (item || line.child("Amount")) setChild(line, "Amount", centsText(amount));
    if (itemKind == Kind::ItemSubtotal) {
      sinceSubtotal = 0;
    } else {
      subtotal += amount;
      sinceSubtotal += amount;
      pugi::xml_node code = findById(line.child("SalesTaxCodeRef").child_value("ListID"));
      if (isTrue(childText(code, "IsTaxable"))) {
        taxable += amount;
        if (pugi::xml_node taxItem =
                findById(code.child("ItemSalesTaxRef").child_value("ListID"))) {
          if (std::string_view(taxItem.name()) == "ItemSalesTaxGroupRet") {
            for (pugi::xml_node member : taxItem.children("ItemSalesTaxRef"))
              taxBases[member.child_value("ListID")] += amount;
          } else {
            taxBases[childText(taxItem, "ListID")] += amount;
          }
        }
      }
    }
    if (item) previous = amount;
    sortBySchema(line);
  }

  // US: the invoice's tax item (or group) on the taxable lines. Canada: each line's code
  // names its tax item; the tax is rounded once per tax item. A customer whose own tax code
  // is not taxable pays none.
  std::int64_t tax = 0;
  pugi::xml_node customerCode =
      findById(ret.child("CustomerSalesTaxCodeRef").child_value("ListID"));
  bool customerTaxable = !customerCode || isTrue(childText(customerCode, "IsTaxable"));
  if (canadian()) {
    for (const auto& [taxItemId, base] : taxBases)
      tax += percentOfCents(base, taxRate(findById(taxItemId)));
    if (!customerTaxable) tax = 0;
    setChild(ret, "SalesTaxTotal", centsText(tax));
  } else if (pugi::xml_node taxItem =
                 findById(ret.child("ItemSalesTaxRef").child_value("ListID"))) {
    Decimal rate = taxRate(taxItem);
    if (customerTaxable) tax = percentOfCents(taxable, rate);
    setChild(ret, "SalesTaxPercentage", decimalText(rate, 2));
    setChild(ret, "SalesTaxTotal", centsText(tax));
  }
  std::int64_t total = subtotal + tax;
  setChild(ret, "Subtotal", centsText(subtotal));
  setChild(ret, "AppliedAmount", centsText(0));
  setChild(ret, "BalanceRemaining", centsText(total));
  setChild(ret, "IsPaid", total <= 0 ? "true" : "false");
  for (pugi::xml_node line : ret.children("InvoiceLineRet"))
    line.prepend_child("TxnLineID").text().set(newTxnId().c_str());
  stampNewTransaction(ret);
  sortBySchema(ret);

  pugi::xml_node stored = containers[static_cast<int>(Kind::Invoice)].append_copy(ret);
  indexEntry(Kind::Invoice, stored);
  touch(stored);
  adjustBalance(customer, total);
  return stored;
}

// ---------------------------------------------------------------------------------------------
// Received payments

pugi::xml_node SimulatedCompany::Impl::addReceivePayment(pugi::xml_node source) {
  checkFields(source);
  pugi::xml_document scratch;
  pugi::xml_node add = scratch.append_copy(source);
  if (!add.child("IsAutoApply") && !add.child("AppliedToTxnAdd")) {
    throw StatusError(status::kInvalidValue,
                      "A received payment needs IsAutoApply or at least one AppliedToTxnAdd.");
  }
  pugi::xml_node customer =
      resolveRef(add.child("CustomerRef"), Kind::ReceivePayment, kPaymentLabel);
  resolveRefs(add, Kind::ReceivePayment, kPaymentLabel);
  std::string customerId = childText(customer, "ListID");

  struct Application {
    pugi::xml_node invoice;
    std::int64_t payment = 0;
    std::int64_t discount = 0;
  };
  std::vector<Application> applications;
  std::map<pugi::xml_node, std::int64_t> applied;  // per invoice, within this payment
  std::int64_t appliedTotal = 0;
  for (pugi::xml_node app : add.children("AppliedToTxnAdd")) {
    std::string txnId = childText(app, "TxnID");
    pugi::xml_node invoice = findById(txnId);
    if (!invoice || std::string_view(invoice.name()) != "InvoiceRet") {
      throw StatusError(
          status::kNotFound,
          "Object \"" + txnId +
              "\" specified in the request cannot be found.  QuickBooks error message: " +
              kNoSuchRecord);
    }
    if (invoice.child("CustomerRef").child_value("ListID") != customerId) {
      throw StatusError(status::kInvalidValue,
                        "The transaction \"" + txnId +
                            "\" in the field \"TxnID\" is not an invoice of customer \"" +
                            entryName(customer) + "\".");
    }
    Application application{invoice, centsOf(app, "PaymentAmount"), centsOf(app, "DiscountAmount")};
    std::int64_t open = centsOf(invoice, "BalanceRemaining") - applied[invoice];
    std::int64_t wanted = application.payment + application.discount;
    if (application.payment < 0 || application.discount < 0) {
      throw StatusError(status::kInvalidValue, "The amount applied to invoice \"" +
                                                   childText(invoice, "RefNumber") +
                                                   "\" cannot be negative.");
    }
    if (wanted > open) {
      throw StatusError(status::kInvalidValue,
                        "The amount " + centsText(wanted) + " cannot be applied to invoice \"" +
                            childText(invoice, "RefNumber") + "\": its balance remaining is " +
                            centsText(open) + ".");
    }
    applied[invoice] += wanted;
    appliedTotal += application.payment;
    applications.push_back(application);
  }
  std::int64_t total = add.child("TotalAmount") ? centsOf(add, "TotalAmount") : appliedTotal;
  if (appliedTotal > total) {
    throw StatusError(status::kInvalidValue,
                      "The amounts applied (" + centsText(appliedTotal) +
                          ") are more than the total amount of the payment (" + centsText(total) +
                          ").");
  }
  if (applications.empty() && isTrue(childText(add, "IsAutoApply"))) {
    // Oldest open invoices first.
    std::vector<pugi::xml_node> open;
    for (pugi::xml_node invoice : byEntity[txnSlot(Kind::Invoice)][customerId]) {
      if (centsOf(invoice, "BalanceRemaining") > 0) open.push_back(invoice);
    }
    std::stable_sort(open.begin(), open.end(), [](pugi::xml_node a, pugi::xml_node b) {
      return childText(a, "TxnDate") < childText(b, "TxnDate");
    });
    std::int64_t left = total;
    for (pugi::xml_node invoice : open) {
      if (left <= 0) break;
      std::int64_t amount = std::min(left, centsOf(invoice, "BalanceRemaining"));
      applications.push_back({invoice, amount, 0});
      appliedTotal += amount;
      left -= amount;
    }
  }

  pugi::xml_node ret = scratch.append_child("ReceivePaymentRet");
  copyKnownFields(add, ret, kComputedHeader);
  defaultARAccount(ret);
  if (!ret.child("TxnDate")) setChild(ret, "TxnDate", todayText());
  setChild(ret, "TotalAmount", centsText(total));
  setChild(ret, "UnusedPayment", centsText(total - appliedTotal));
  setChild(ret, "UnusedCredits", centsText(0));

  std::string editSequence = newEditSequence();
  std::string now = nowText();
  std::int64_t discounts = 0;
  for (const Application& application : applications) {
    pugi::xml_node invoice = application.invoice;
    std::int64_t reduction = application.payment + application.discount;
    std::int64_t balance = centsOf(invoice, "BalanceRemaining") - reduction;
    setChild(invoice, "BalanceRemaining", centsText(balance));
    setChild(invoice, "AppliedAmount", centsText(centsOf(invoice, "AppliedAmount") - reduction));
    setChild(invoice, "IsPaid", balance <= 0 ? "true" : "false");
    stampModified(invoice, editSequence, now);
    touch(invoice);
    discounts += application.discount;

    pugi::xml_node line = ret.append_child("AppliedToTxnRet");
    setChild(line, "TxnID", childText(invoice, "TxnID"));
    setChild(line, "TxnType", "Invoice");
    setChild(line, "TxnDate", childText(invoice, "TxnDate"));
    setChild(line, "RefNumber", childText(invoice, "RefNumber"));
    setChild(line, "BalanceRemaining", centsText(balance));
    setChild(line, "Amount", centsText(application.payment));
    if (application.discount != 0)
      setChild(line, "DiscountAmount", centsText(application.discount));
  }
  stampNewTransaction(ret);
  sortBySchema(ret);

  pugi::xml_node stored = containers[static_cast<int>(Kind::ReceivePayment)].append_copy(ret);
  indexEntry(Kind::ReceivePayment, stored);
  touch(stored);
  adjustBalance(customer, -(total + discounts));
  return stored;
}

// ---------------------------------------------------------------------------------------------
// Purchase orders

namespace {

// Fills a purchase-order line from its item and returns its amount.
std::int64_t completeOrderLine(pugi::xml_node line, pugi::xml_node item, bool itemChanged) {
  if (item && (!line.child("Desc") || itemChanged)) {
    if (std::string desc = itemDescription(item, true); !desc.empty() && !line.child("Desc"))
      setChild(line, "Desc", desc);
  }
  if (!item && !line.child("Amount")) {
    line.remove_child("Amount");
    return 0;
  }
  std::optional<Decimal> rate = decimalOf(line, "Rate");
  if (!rate && !line.child("Amount") && item) {
    rate = itemPrice(item, true);
    if (rate) setChild(line, "Rate", decimalText(*rate, 2));
  }
  std::int64_t amount = centsOf(line, "Amount");
  if (!line.child("Amount") && rate)
    amount = productCents(decimalOf(line, "Quantity").value_or(Decimal{1, 0}), *rate);
  // A quantity with an amount: the rate is the one that gives the amount.
  if (std::optional<Decimal> quantity = decimalOf(line, "Quantity");
      item && line.child("Amount") && !rate && quantity && quantity->units != 0)
    setChild(line, "Rate", decimalText(quotientOf(amount, *quantity, kRateDecimals), 2));
  setChild(line, "Amount", centsText(amount));
  if (item) {
    if (!line.child("ReceivedQuantity")) setChild(line, "ReceivedQuantity", "0");
    if (!line.child("IsManuallyClosed")) setChild(line, "IsManuallyClosed", "false");
  }
  sortBySchema(line);
  return amount;
}

}  // namespace

pugi::xml_node SimulatedCompany::Impl::addPurchaseOrder(pugi::xml_node source) {
  checkFields(source);
  pugi::xml_document scratch;
  pugi::xml_node add = scratch.append_copy(source);
  if (!add.child("VendorRef")) {
    throw StatusError(status::kCannotSave,
                      "There was an error when saving a Purchase Order. QuickBooks error message: "
                      "A vendor is required.");
  }
  pugi::xml_node vendor = resolveRef(add.child("VendorRef"), Kind::PurchaseOrder, kOrderLabel);
  resolveRefs(add, Kind::PurchaseOrder, kOrderLabel);
  if (add.child("PurchaseOrderLineGroupAdd")) {
    refuseItemGroups(kOrderLabel);
  }

  pugi::xml_node ret = scratch.append_child("PurchaseOrderRet");
  copyKnownFields(add, ret, kComputedHeader);
  if (!ret.child("TxnDate")) setChild(ret, "TxnDate", todayText());
  copyIfMissing(vendor, "VendorAddress", ret, "VendorAddress");
  copyIfMissing(vendor, "TermsRef", ret, "TermsRef");
  if (!ret.child("DueDate"))
    setChild(ret, "DueDate", dueDate(ret.child("TermsRef"), childText(ret, "TxnDate")));
  if (!ret.child("RefNumber")) setChild(ret, "RefNumber", nextRefNumber(Kind::PurchaseOrder));
  for (const char* flag :
       {"IsManuallyClosed", "IsFullyReceived", "IsToBePrinted", "IsToBeEmailed"}) {
    if (!ret.child(flag)) setChild(ret, flag, "false");
  }
  std::int64_t total = 0;
  for (pugi::xml_node lineAdd : add.children("PurchaseOrderLineAdd")) {
    pugi::xml_node line = ret.append_child("PurchaseOrderLineRet");
    copyKnownFields(lineAdd, line, {});
    total += completeOrderLine(line, findById(line.child("ItemRef").child_value("ListID")), false);
  }
  setChild(ret, "TotalAmount", centsText(total));
  // Line ids after the checks, so a refused order uses none.
  for (pugi::xml_node line : ret.children("PurchaseOrderLineRet"))
    line.prepend_child("TxnLineID").text().set(newTxnId().c_str());
  stampNewTransaction(ret);
  sortBySchema(ret);

  pugi::xml_node stored = containers[static_cast<int>(Kind::PurchaseOrder)].append_copy(ret);
  indexEntry(Kind::PurchaseOrder, stored);
  touch(stored);
  return stored;
}

pugi::xml_node SimulatedCompany::Impl::modPurchaseOrder(pugi::xml_node source) {
  checkFields(source);
  pugi::xml_node ret = requireEditable(source, "TxnID");
  pugi::xml_document scratch;
  pugi::xml_node changes = scratch.append_copy(source);
  pugi::xml_node work = scratch.append_copy(ret);
  resolveRefs(changes, Kind::PurchaseOrder, kOrderLabel);
  if (changes.child("PurchaseOrderLineGroupMod")) {
    refuseItemGroups(kOrderLabel);
  }
  const ElementLayout& layout = *findLayout("PurchaseOrderRet");
  for (pugi::xml_node change : changes.children()) {
    std::string_view name = change.name();
    if (change.type() != pugi::node_element || name == "TxnID" || name == "EditSequence" ||
        name == "PurchaseOrderLineMod")
      continue;
    const FieldLayout* field = findField(layout, change.name());
    if (field == nullptr || kComputedHeader.count(name) > 0) continue;
    if (name.size() > 3 && name.substr(name.size() - 3) == "Ref") {
      work.remove_child(change.name());
      work.append_copy(change);
    } else if (field->kind == 'c') {
      mergeAggregate(work, change);
    } else if (std::string_view(change.child_value()).empty()) {
      work.remove_child(change.name());
    } else {
      setChild(work, change.name(), change.child_value());
    }
  }

  // Lines: when the request lists lines, they replace the old ones; "-1" adds a line, an
  // existing TxnLineID changes that line, and lines left out are deleted.
  if (changes.child("PurchaseOrderLineMod")) {
    pugi::xml_document lines;
    pugi::xml_node kept = lines.append_child("Lines");
    for (pugi::xml_node lineMod : changes.children("PurchaseOrderLineMod")) {
      std::string lineId = childText(lineMod, "TxnLineID");
      pugi::xml_node line;
      bool itemChanged = lineMod.child("ItemRef");
      if (lineId == "-1") {
        line = kept.append_child("PurchaseOrderLineRet");
      } else {
        pugi::xml_node old;
        for (pugi::xml_node candidate : work.children("PurchaseOrderLineRet")) {
          if (childText(candidate, "TxnLineID") == lineId) old = candidate;
        }
        if (!old) {
          throw StatusError(
              status::kNotFound,
              "Object \"" + lineId +
                  "\" specified in the request cannot be found.  QuickBooks error message: " +
                  kNoSuchRecord);
        }
        line = kept.append_copy(old);
        // A new quantity or rate makes the amount follow them unless an amount is given.
        if ((lineMod.child("Quantity") || lineMod.child("Rate")) && !lineMod.child("Amount"))
          line.remove_child("Amount");
        if (itemChanged) {
          line.remove_child("Desc");
          line.remove_child("Rate");
        }
      }
      for (pugi::xml_node part : lineMod.children()) {
        if (part.type() != pugi::node_element || std::string_view(part.name()) == "TxnLineID")
          continue;
        if (!findField(*findLayout("PurchaseOrderLineRet"), part.name())) continue;
        line.remove_child(part.name());
        if (part.first_child().type() == pugi::node_element ||
            !std::string_view(part.child_value()).empty())
          line.append_copy(part);
      }
      completeOrderLine(line, findById(line.child("ItemRef").child_value("ListID")), itemChanged);
    }
    while (pugi::xml_node old = work.child("PurchaseOrderLineRet")) work.remove_child(old);
    for (pugi::xml_node line : kept.children()) work.append_copy(line);
  }
  std::int64_t total = 0;
  for (pugi::xml_node line : work.children("PurchaseOrderLineRet")) {
    if (!line.child("TxnLineID")) line.prepend_child("TxnLineID").text().set(newTxnId().c_str());
    total += centsOf(line, "Amount");
  }
  setChild(work, "TotalAmount", centsText(total));
  stampModified(work, newEditSequence(), nowText());
  sortBySchema(work);

  unindexTxn(Kind::PurchaseOrder, ret);
  replaceChildren(ret, work);
  indexEntry(Kind::PurchaseOrder, ret);
  touch(ret);
  return ret;
}

}  // namespace vqb::qb::sim
