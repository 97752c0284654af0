#include "quickbooks/components.h"

#include <cctype>
#include <memory>

#include "app/text_helpers.h"

namespace vqb::qb {

using qbxml::add_address_if_set;
using qbxml::add_amount_if_set;
using qbxml::add_bool_if_set;
using qbxml::add_date_if_set;
using qbxml::add_decimal_if_set;
using qbxml::add_element;
using qbxml::add_price_if_set;
using qbxml::add_ref_if_set;
using qbxml::add_text;
using qbxml::add_text_if_set;
using qbxml::child_text;
using qbxml::ref_name;

namespace {

// A query of one list entry by its full name, as every load by name sends it.
std::unique_ptr<qbxml::Request> name_query(const char* requestKind, const std::string& fullName) {
  auto request = std::make_unique<qbxml::Request>(requestKind);
  add_text(request->body(), "FullName", fullName);
  return request;
}

void require(const std::string& value, const char* what) {
  if (value.empty()) throw QbError(kInvalidArgument, std::string(what) + " is not set.");
}

// A field of a modification is written when it changed since the load and is not empty.
template <typename T>
bool changed(const T& now, const T& before, bool isMod) {
  return !isMod || now != before;
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

struct ItemKind {
  int type;
  const char* tag;
};
constexpr ItemKind kItemKinds[] = {
    {kItemService, "ItemServiceRet"},
    {kItemInventory, "ItemInventoryRet"},
    {kItemOtherCharge, "ItemOtherChargeRet"},
    {kItemPayment, "ItemPaymentRet"},
    {kItemDiscount, "ItemDiscountRet"},
    {kItemSalesTax, "ItemSalesTaxRet"},
    {kItemSubtotal, "ItemSubtotalRet"},
    {kItemNonInventory, "ItemNonInventoryRet"},
    {kItemInventoryAssembly, "ItemInventoryAssemblyRet"},
    {kItemFixedAsset, "ItemFixedAssetRet"},
    {kItemSalesTaxGroup, "ItemSalesTaxGroupRet"},
    {kItemGroup, "ItemGroupRet"},
};

// Writes the customer fields in CustomerAdd / CustomerMod order (the same for the fields used).
void write_customer(pugi::xml_node n, const CustomerFields& now, const CustomerFields& before,
                    bool isMod) {
  if (changed(now.name, before.name, isMod)) add_text_if_set(n, "Name", now.name);
  if (changed(now.companyName, before.companyName, isMod))
    add_text_if_set(n, "CompanyName", now.companyName);
  if (changed(now.billAddress, before.billAddress, isMod))
    add_address_if_set(n, "BillAddress", now.billAddress);
  if (changed(now.shipAddress, before.shipAddress, isMod))
    add_address_if_set(n, "ShipAddress", now.shipAddress);
  if (changed(now.phone, before.phone, isMod)) add_text_if_set(n, "Phone", now.phone);
  if (changed(now.altPhone, before.altPhone, isMod)) add_text_if_set(n, "AltPhone", now.altPhone);
  if (changed(now.fax, before.fax, isMod)) add_text_if_set(n, "Fax", now.fax);
  if (changed(now.email, before.email, isMod)) add_text_if_set(n, "Email", now.email);
  if (changed(now.contact, before.contact, isMod)) add_text_if_set(n, "Contact", now.contact);
  if (changed(now.customerType, before.customerType, isMod))
    add_ref_if_set(n, "CustomerTypeRef", now.customerType);
  if (changed(now.terms, before.terms, isMod)) add_ref_if_set(n, "TermsRef", now.terms);
  if (changed(now.salesRep, before.salesRep, isMod)) add_ref_if_set(n, "SalesRepRef", now.salesRep);
  if (changed(now.salesTaxItem, before.salesTaxItem, isMod))
    add_ref_if_set(n, "ItemSalesTaxRef", now.salesTaxItem);
  if (changed(now.taxNumber, before.taxNumber, isMod))
    add_text_if_set(n, "ResaleNumber", now.taxNumber);
}

// Writes the purchase-order header in PurchaseOrderAdd / PurchaseOrderMod order.
void write_purchase_order(pugi::xml_node n, const PurchaseOrderFields& now,
                          const PurchaseOrderFields& before, bool isMod) {
  if (changed(now.vendor, before.vendor, isMod)) add_ref_if_set(n, "VendorRef", now.vendor);
  if (changed(now.txnDate, before.txnDate, isMod)) add_date_if_set(n, "TxnDate", now.txnDate);
  if (changed(now.refNumber, before.refNumber, isMod))
    add_text_if_set(n, "RefNumber", now.refNumber);
  if (changed(now.shipAddress, before.shipAddress, isMod))
    add_address_if_set(n, "ShipAddress", now.shipAddress);
  if (changed(now.dueDate, before.dueDate, isMod)) add_date_if_set(n, "DueDate", now.dueDate);
  if (changed(now.memo, before.memo, isMod)) add_text_if_set(n, "Memo", now.memo);
  if (changed(now.isToBePrinted, before.isToBePrinted, isMod))
    add_bool_if_set(n, "IsToBePrinted", now.isToBePrinted);
}

template <typename Rows>
auto& row_at(Rows& rows, int i) {
  if (i < 0 || i >= static_cast<int>(rows.size()))
    throw QbError(kIndexOutOfRange, "Subscript out of range: item row " + std::to_string(i) +
                                        " of " + std::to_string(rows.size()) + ".");
  return rows[static_cast<std::size_t>(i)];
}

void check_count(int count) {
  if (count < 0) throw QbError(kInvalidArgument, "Invalid item row count " + std::to_string(count));
}

}  // namespace

int item_type_of(std::string_view recordTag) {
  for (const ItemKind& kind : kItemKinds)
    if (recordTag == kind.tag) return kind.type;
  return 0;
}

std::string item_record_tag(int itemType) {
  for (const ItemKind& kind : kItemKinds)
    if (kind.type == itemType) return kind.tag;
  return "";
}

// ---- Customer -----------------------------------------------------------------------------

void Customer::reset() {
  static_cast<CustomerFields&>(*this) = CustomerFields{};
  loaded_ = CustomerFields{};
  listId.clear();
  editSequence.clear();
  fullName.clear();
  balance.reset();
  clearAnswer();
}

void Customer::fill(pugi::xml_node r) {
  listId = child_text(r, "ListID");
  editSequence = child_text(r, "EditSequence");
  fullName = child_text(r, "FullName");
  balance = qbxml::amount_of(r, "Balance");
  name = child_text(r, "Name");
  companyName = child_text(r, "CompanyName");
  billAddress = qbxml::address_aggregate_of(r.child("BillAddress"));
  shipAddress = qbxml::address_aggregate_of(r.child("ShipAddress"));
  phone = child_text(r, "Phone");
  altPhone = child_text(r, "AltPhone");
  fax = child_text(r, "Fax");
  email = child_text(r, "Email");
  contact = child_text(r, "Contact");
  customerType = ref_name(r, "CustomerTypeRef");
  terms = ref_name(r, "TermsRef");
  salesRep = ref_name(r, "SalesRepRef");
  salesTaxItem = ref_name(r, "ItemSalesTaxRef");
  taxNumber = child_text(r, "ResaleNumber");
  loaded_ = *this;
}

void Customer::loadByName(std::string wanted) {
  reset();
  fill(sendForRecord(*name_query("CustomerQueryRq", wanted), false,
                     "There is no customer called " + wanted + " in QuickBooks."));
}

std::string Customer::loadByNameDocument(const std::string& fullName) const {
  return name_query("CustomerQueryRq", fullName)->document(settings.qbxmlVersion);
}

void Customer::add() {
  require(name, "The customer name");
  qbxml::Request request("CustomerAddRq");
  write_customer(add_element(request.body(), "CustomerAdd"), *this, loaded_, false);
  fill(sendForRecord(request, true, "QuickBooks answered the customer add without a record."));
}

void Customer::update() {
  if (listId.empty() || editSequence.empty())
    throw QbError(kInvalidArgument, "No QuickBooks customer is loaded to update.");
  qbxml::Request request("CustomerModRq");
  pugi::xml_node mod = add_element(request.body(), "CustomerMod");
  add_text(mod, "ListID", listId);
  add_text(mod, "EditSequence", editSequence);
  write_customer(mod, *this, loaded_, true);
  fill(sendForRecord(request, false, "QuickBooks answered the customer update without a record."));
}

// ---- Vendor -------------------------------------------------------------------------------

void Vendor::reset() {
  static_cast<VendorFields&>(*this) = VendorFields{};
  listId.clear();
  editSequence.clear();
  clearAnswer();
}

void Vendor::fill(pugi::xml_node r) {
  listId = child_text(r, "ListID");
  editSequence = child_text(r, "EditSequence");
  name = child_text(r, "Name");
  companyName = child_text(r, "CompanyName");
  vendorAddress = qbxml::address_aggregate_of(r.child("VendorAddress"));
  shipAddress = qbxml::address_aggregate_of(r.child("ShipAddress"));
  phone = child_text(r, "Phone");
  fax = child_text(r, "Fax");
  email = child_text(r, "Email");
  contact = child_text(r, "Contact");
}

void Vendor::loadByName(std::string wanted) {
  reset();
  fill(sendForRecord(*name_query("VendorQueryRq", wanted), false,
                     "There is no vendor called " + wanted + " in QuickBooks."));
}

std::string Vendor::loadByNameDocument(const std::string& fullName) const {
  return name_query("VendorQueryRq", fullName)->document(settings.qbxmlVersion);
}

void Vendor::add() {
  require(name, "The vendor name");
  qbxml::Request request("VendorAddRq");
  pugi::xml_node n = add_element(request.body(), "VendorAdd");
  add_text(n, "Name", name);
  add_text_if_set(n, "CompanyName", companyName);
  add_address_if_set(n, "VendorAddress", vendorAddress);
  add_address_if_set(n, "ShipAddress", shipAddress);
  add_text_if_set(n, "Phone", phone);
  add_text_if_set(n, "Fax", fax);
  add_text_if_set(n, "Email", email);
  add_text_if_set(n, "Contact", contact);
  fill(sendForRecord(request, true, "QuickBooks answered the vendor add without a record."));
}

void Vendor::setProperty(std::string_view name, const std::string& value) {
  if (name.size() == std::string_view("ShippingAddress").size() &&
      starts_with_ignoring_case(name, "ShippingAddress")) {
    shipAddress = value;
    return;
  }
  throw QbError(kNoSuchProperty, "The vendor has no property called " + std::string(name) + ".");
}

// ---- Invoice ------------------------------------------------------------------------------

void Invoice::setItemCount(int count) {
  check_count(count);
  items_.resize(static_cast<std::size_t>(count));
}

InvoiceLine& Invoice::item(int i) {
  return row_at(items_, i);
}
const InvoiceLine& Invoice::item(int i) const {
  return row_at(items_, i);
}

void Invoice::reset() {
  customer.clear();
  txnDate.reset();
  refNumber.clear();
  memo.clear();
  salesTaxItem.clear();
  salesRep.clear();
  billAddress.clear();
  shipAddress.clear();
  poNumber.clear();
  isToBePrinted.reset();
  arAccount.clear();
  txnId.clear();
  editSequence.clear();
  items_.clear();
  clearAnswer();
}

void Invoice::fill(pugi::xml_node r) {
  txnId = child_text(r, "TxnID");
  editSequence = child_text(r, "EditSequence");
  customer = ref_name(r, "CustomerRef");
  arAccount = ref_name(r, "ARAccountRef");
  txnDate = qbxml::date_of(r, "TxnDate");
  refNumber = child_text(r, "RefNumber");
  billAddress = qbxml::address_aggregate_of(r.child("BillAddress"));
  shipAddress = qbxml::address_aggregate_of(r.child("ShipAddress"));
  poNumber = child_text(r, "PONumber");
  salesRep = ref_name(r, "SalesRepRef");
  salesTaxItem = ref_name(r, "ItemSalesTaxRef");
  memo = child_text(r, "Memo");
  isToBePrinted = qbxml::bool_of(r, "IsToBePrinted");
  items_.clear();
  for (pugi::xml_node line : r.children("InvoiceLineRet")) {
    InvoiceLine row;
    row.item = ref_name(line, "ItemRef");
    row.description = child_text(line, "Desc");
    row.quantity = qbxml::decimal_of(line, "Quantity");
    row.rate = qbxml::decimal_of(line, "Rate");
    row.amount = qbxml::amount_of(line, "Amount");
    row.className = ref_name(line, "ClassRef");
    row.salesTaxCode = ref_name(line, "SalesTaxCodeRef");
    items_.push_back(std::move(row));
  }
}

void Invoice::loadById(std::string id) {
  reset();
  qbxml::Request request("InvoiceQueryRq");
  add_text(request.body(), "TxnID", id);
  add_text(request.body(), "IncludeLineItems", "true");
  fill(sendForRecord(request, false, "There is no invoice " + id + " in QuickBooks."));
}

void Invoice::add() {
  require(customer, "The invoice's customer");
  qbxml::Request request("InvoiceAddRq");
  pugi::xml_node n = add_element(request.body(), "InvoiceAdd");
  add_ref_if_set(n, "CustomerRef", customer);
  add_ref_if_set(n, "ARAccountRef", arAccount);
  add_date_if_set(n, "TxnDate", txnDate);
  add_text_if_set(n, "RefNumber", refNumber);
  add_address_if_set(n, "BillAddress", billAddress);
  add_address_if_set(n, "ShipAddress", shipAddress);
  add_text_if_set(n, "PONumber", poNumber);
  add_ref_if_set(n, "SalesRepRef", salesRep);
  add_ref_if_set(n, "ItemSalesTaxRef", salesTaxItem);
  add_text_if_set(n, "Memo", memo);
  add_bool_if_set(n, "IsToBePrinted", isToBePrinted);
  // Every row is a line, also one with nothing set (a blank line on the invoice).
  for (const InvoiceLine& row : items_) {
    pugi::xml_node line = add_element(n, "InvoiceLineAdd");
    add_ref_if_set(line, "ItemRef", row.item);
    add_text_if_set(line, "Desc", row.description);
    add_decimal_if_set(line, "Quantity", row.quantity);
    add_price_if_set(line, "Rate", row.rate);
    add_ref_if_set(line, "ClassRef", row.className);
    add_amount_if_set(line, "Amount", row.amount);
    add_ref_if_set(line, "SalesTaxCodeRef", row.salesTaxCode);
  }
  fill(sendForRecord(request, true, "QuickBooks answered the invoice add without a record."));
}

std::string Invoice::config(std::string_view setting) {
  // Items[<i>].Quantity=<q>
  const auto bad = [&] {
    return QbError(kInvalidArgument, "Unknown invoice setting: " + std::string(setting));
  };
  if (!starts_with_ignoring_case(setting, "Items[")) throw bad();
  const std::size_t close = setting.find(']');
  const std::size_t equals = setting.find('=');
  if (close == std::string_view::npos || equals == std::string_view::npos || equals < close)
    throw bad();
  const std::string_view index = setting.substr(6, close - 6);
  const std::string_view property = setting.substr(close + 1, equals - close - 1);
  if (property.size() != 9 || !starts_with_ignoring_case(property, ".Quantity")) throw bad();
  if (index.empty() || index.find_first_not_of("0123456789") != std::string_view::npos)
    throw QbError(kIndexOutOfRange, "Subscript out of range: " + std::string(setting));
  item(std::stoi(std::string(index))).quantity = numeric_value(setting.substr(equals + 1));
  return "";
}

// ---- ReceivePayment -----------------------------------------------------------------------

void ReceivePayment::reset() {
  applicationMode = kAutoApply;
  customer.clear();
  txnDate.reset();
  totalAmount.reset();
  paymentMethod.clear();
  depositToAccount.clear();
  memo.clear();
  refNumber.clear();
  applications.clear();
  txnId.clear();
  clearAnswer();
}

void ReceivePayment::add() {
  require(customer, "The payment's customer");
  if (applicationMode == kAsListed && applications.empty())
    throw QbError(kInvalidArgument,
                  "The payment is to be applied as listed, but no "
                  "applications were given.");
  if (applicationMode != kAutoApply && applicationMode != kNotApplied &&
      applicationMode != kAsListed)
    throw QbError(kInvalidArgument,
                  "Invalid application mode " + std::to_string(applicationMode) + ".");
  qbxml::Request request("ReceivePaymentAddRq");
  pugi::xml_node n = add_element(request.body(), "ReceivePaymentAdd");
  add_ref_if_set(n, "CustomerRef", customer);
  add_date_if_set(n, "TxnDate", txnDate);
  add_text_if_set(n, "RefNumber", refNumber);
  add_amount_if_set(n, "TotalAmount", totalAmount);
  add_ref_if_set(n, "PaymentMethodRef", paymentMethod);
  add_text_if_set(n, "Memo", memo);
  add_ref_if_set(n, "DepositToAccountRef", depositToAccount);
  if (applicationMode == kAsListed) {
    for (const AppliedToTxn& applied : applications) {
      pugi::xml_node a = add_element(n, "AppliedToTxnAdd");
      add_text(a, "TxnID", applied.txnId);
      add_amount_if_set(a, "PaymentAmount", applied.paymentAmount);
    }
  } else {
    add_text(n, "IsAutoApply", qbxml::bool_text(applicationMode == kAutoApply));
  }
  const pugi::xml_node r =
      sendForRecord(request, true, "QuickBooks answered the payment add without a record.");
  txnId = child_text(r, "TxnID");
}

std::string ReceivePayment::config(std::string_view setting) {
  constexpr std::string_view kName = "AppliedToTransactionDetails=";
  if (!starts_with_ignoring_case(setting, kName))
    throw QbError(kInvalidArgument, "Unknown payment setting: " + std::string(setting));
  const std::string wrapped = "<a>" + std::string(setting.substr(kName.size())) + "</a>";
  pugi::xml_document doc;
  if (!doc.load_string(wrapped.c_str()))
    throw QbError(kInvalidArgument, "The payment applications are not readable XML: " +
                                        std::string(setting.substr(kName.size())));
  std::vector<AppliedToTxn> list;
  for (pugi::xml_node element : doc.child("a").children()) {
    if (element.type() != pugi::node_element) continue;
    if (std::string_view(element.name()) != "AppliedToTxnAdd")
      throw QbError(kInvalidArgument,
                    "Unknown payment application element: " + std::string(element.name()));
    AppliedToTxn applied;
    applied.txnId = child_text(element, "TxnID");
    if (applied.txnId.empty())
      throw QbError(kInvalidArgument, "A payment application has no TxnID.");
    applied.paymentAmount = qbxml::amount_of(element, "PaymentAmount");
    list.push_back(std::move(applied));
  }
  applications = std::move(list);
  return "";
}

// ---- PurchaseOrder ------------------------------------------------------------------------

void PurchaseOrder::setItemCount(int count) {
  check_count(count);
  items_.resize(static_cast<std::size_t>(count));
}

PurchaseOrderLine& PurchaseOrder::item(int i) {
  return row_at(items_, i);
}
const PurchaseOrderLine& PurchaseOrder::item(int i) const {
  return row_at(items_, i);
}

void PurchaseOrder::reset() {
  static_cast<PurchaseOrderFields&>(*this) = PurchaseOrderFields{};
  loaded_ = PurchaseOrderFields{};
  txnId.clear();
  editSequence.clear();
  items_.clear();
  clearAnswer();
}

void PurchaseOrder::fill(pugi::xml_node r) {
  txnId = child_text(r, "TxnID");
  editSequence = child_text(r, "EditSequence");
  vendor = ref_name(r, "VendorRef");
  txnDate = qbxml::date_of(r, "TxnDate");
  refNumber = child_text(r, "RefNumber");
  shipAddress = qbxml::address_aggregate_of(r.child("ShipAddress"));
  dueDate = qbxml::date_of(r, "DueDate");
  memo = child_text(r, "Memo");
  isToBePrinted = qbxml::bool_of(r, "IsToBePrinted");
  items_.clear();
  for (pugi::xml_node line : r.children("PurchaseOrderLineRet")) {
    PurchaseOrderLine row;
    row.item = ref_name(line, "ItemRef");
    row.description = child_text(line, "Desc");
    row.quantity = qbxml::decimal_of(line, "Quantity");
    row.rate = qbxml::decimal_of(line, "Rate");
    row.amount = qbxml::amount_of(line, "Amount");
    items_.push_back(std::move(row));
  }
  loaded_ = *this;
}

void PurchaseOrder::loadById(std::string id) {
  reset();
  qbxml::Request request("PurchaseOrderQueryRq");
  add_text(request.body(), "TxnID", id);
  add_text(request.body(), "IncludeLineItems", "true");
  fill(sendForRecord(request, false, "There is no purchase order " + id + " in QuickBooks."));
}

void PurchaseOrder::add() {
  qbxml::Request request("PurchaseOrderAddRq");
  pugi::xml_node n = add_element(request.body(), "PurchaseOrderAdd");
  write_purchase_order(n, *this, loaded_, false);
  for (const PurchaseOrderLine& row : items_) {
    pugi::xml_node line = add_element(n, "PurchaseOrderLineAdd");
    add_ref_if_set(line, "ItemRef", row.item);
    add_text_if_set(line, "Desc", row.description);
    add_decimal_if_set(line, "Quantity", row.quantity);
    add_price_if_set(line, "Rate", row.rate);
    add_amount_if_set(line, "Amount", row.amount);
  }
  fill(
      sendForRecord(request, true, "QuickBooks answered the purchase order add without a record."));
}

void PurchaseOrder::update() {
  if (txnId.empty() || editSequence.empty())
    throw QbError(kInvalidArgument, "No QuickBooks purchase order is loaded to update.");
  qbxml::Request request("PurchaseOrderModRq");
  pugi::xml_node mod = add_element(request.body(), "PurchaseOrderMod");
  add_text(mod, "TxnID", txnId);
  add_text(mod, "EditSequence", editSequence);
  write_purchase_order(mod, *this, loaded_, true);
  fill(sendForRecord(request, false,
                     "QuickBooks answered the purchase order update without a record."));
}

// ---- Item, Account, Employee ---------------------------------------------------------------

void NamedEntry::resetEntry() {
  name.clear();
  listId.clear();
  editSequence.clear();
  isActive.reset();
  clearAnswer();
}

pugi::xml_node NamedEntry::queryByFullName(const char* requestKind, const char* what,
                                           const std::string& fullName) {
  const pugi::xml_node r =
      sendForRecord(*name_query(requestKind, fullName), false,
                    std::string("There is no ") + what + " called " + fullName + " in QuickBooks.");
  name = child_text(r, "Name");
  listId = child_text(r, "ListID");
  editSequence = child_text(r, "EditSequence");
  isActive = qbxml::bool_of(r, "IsActive");
  return r;
}

void Item::reset() {
  itemType = 0;
  fullName.clear();
  resetEntry();
}

void Item::loadByName(std::string itemName) {
  reset();
  const pugi::xml_node r = queryByFullName("ItemQueryRq", "item", itemName);
  itemType = item_type_of(r.name());
  fullName = child_text(r, "FullName");
}

std::string Item::loadByNameDocument(const std::string& fullName) const {
  return name_query("ItemQueryRq", fullName)->document(settings.qbxmlVersion);
}

void Account::reset() {
  fullName.clear();
  accountType.clear();
  resetEntry();
}

void Account::loadByName(std::string accountName) {
  reset();
  const pugi::xml_node r = queryByFullName("AccountQueryRq", "account", accountName);
  fullName = child_text(r, "FullName");
  accountType = child_text(r, "AccountType");
}

void Employee::loadByName(std::string employeeName) {
  reset();
  queryByFullName("EmployeeQueryRq", "employee", employeeName);
}

std::string Employee::loadByNameDocument(const std::string& fullName) const {
  return name_query("EmployeeQueryRq", fullName)->document(settings.qbxmlVersion);
}

// ---- QBLists ------------------------------------------------------------------------------

void QBLists::reset() {
  listKind = 0;
  name.clear();
  listId.clear();
  fullName.clear();
  clearAnswer();
}

void QBLists::add() {
  const char* request_name = nullptr;
  const char* element = nullptr;
  if (listKind == kClass) {
    request_name = "ClassAddRq";
    element = "ClassAdd";
  } else if (listKind == kCustomerType) {
    request_name = "CustomerTypeAddRq";
    element = "CustomerTypeAdd";
  } else {
    throw QbError(kInvalidArgument, "Unknown list kind " + std::to_string(listKind) + ".");
  }
  require(name, "The list entry's name");
  qbxml::Request request(request_name);
  pugi::xml_node n = add_element(request.body(), element);
  const std::size_t colon = name.rfind(':');
  if (colon == std::string::npos) {
    add_text(n, "Name", name);
  } else {
    add_text(n, "Name", name.substr(colon + 1));
    add_ref_if_set(n, "ParentRef", name.substr(0, colon));
  }
  const pugi::xml_node r =
      sendForRecord(request, true, "QuickBooks answered the list add without a record.");
  listId = child_text(r, "ListID");
  fullName = child_text(r, "FullName");
}

// ---- Transaction --------------------------------------------------------------------------

std::string Transaction::find(const std::string& txnType, const std::string& txnId) {
  qbxml::Request request(txnType + "QueryRq");
  add_text(request.body(), "TxnID", txnId);
  add_text(request.body(), "IncludeLineItems", "true");  // a payment's applications, PO receipts
  // A payment's links are its AppliedToTxnRet lines; the query takes no IncludeLinkedTxns.
  if (txnType != "ReceivePayment") add_text(request.body(), "IncludeLinkedTxns", "true");
  const qbxml::Response& response = send(request, false);
  const std::vector<pugi::xml_node> records = response.records();
  return records.empty() ? std::string() : qbxml::element_text(records.front());
}

std::string Transaction::remove(const std::string& txnType, const std::string& txnId) {
  qbxml::Request request("TxnDelRq");
  add_text(request.body(), "TxnDelType", txnType);
  add_text(request.body(), "TxnID", txnId);
  send(request, false);
  pugi::xml_document answer;
  answer.load_string(lastResponse().c_str());
  return answer.select_node("//TxnDelRs/TimeDeleted").node().child_value();
}

// ---- Address ------------------------------------------------------------------------------

std::string Address::aggregate() const {
  qbxml::AddressFields fields;
  fields.addr1 = addr1;
  fields.addr2 = addr2;
  fields.addr3 = addr3;
  fields.addr4 = addr4;
  fields.city = city;
  fields.state = state;
  fields.postalCode = postalCode;
  fields.country = country;
  return qbxml::address_aggregate(fields);
}

void Address::setAggregate(std::string_view aggregate) {
  const qbxml::AddressFields fields = qbxml::parse_address_aggregate(aggregate);
  addr1 = fields.addr1;
  addr2 = fields.addr2;
  addr3 = fields.addr3;
  addr4 = fields.addr4;
  city = fields.city;
  state = fields.state;
  postalCode = fields.postalCode;
  country = fields.country;
}

void Address::reset() {
  addr1.clear();
  addr2.clear();
  addr3.clear();
  addr4.clear();
  city.clear();
  state.clear();
  postalCode.clear();
  country.clear();
}

}  // namespace vqb::qb
