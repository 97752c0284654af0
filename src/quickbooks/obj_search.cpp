#include "quickbooks/obj_search.h"

#include <cstdlib>

#include "app/text_helpers.h"
#include "quickbooks/components.h"

namespace vqb::qb {
namespace {

using qbxml::add_element;
using qbxml::add_text;

bool is_transaction_kind(int kind) {
  return kind == ObjSearch::kInvoices || kind == ObjSearch::kPurchaseOrders ||
         kind == ObjSearch::kReceivedPayments;
}

std::string request_name(int kind, int itemType, const std::string& listName) {
  switch (kind) {
    case ObjSearch::kVendors:
      return "VendorQueryRq";
    case ObjSearch::kInvoices:
      return "InvoiceQueryRq";
    case ObjSearch::kPurchaseOrders:
      return "PurchaseOrderQueryRq";
    case ObjSearch::kCustomers:
      return "CustomerQueryRq";
    case ObjSearch::kReceivedPayments:
      return "ReceivePaymentQueryRq";
    case ObjSearch::kAccounts:
      return "AccountQueryRq";
    case ObjSearch::kClasses:
      return "ClassQueryRq";
    case ObjSearch::kCustomerTypes:
      return "CustomerTypeQueryRq";
    case ObjSearch::kPaymentMethods:
      return "PaymentMethodQueryRq";
    case ObjSearch::kSalesTaxCodes:
      return "SalesTaxCodeQueryRq";
    case ObjSearch::kSalesReps:
      return "SalesRepQueryRq";
    case ObjSearch::kItems:
      switch (itemType) {
        case 0:
          return "ItemQueryRq";
        case kItemDiscount:
          return "ItemDiscountQueryRq";
        case kItemSalesTax:
          return "ItemSalesTaxQueryRq";
        case kItemSubtotal:
          return "ItemSubtotalQueryRq";
        case kItemSalesTaxGroup:
          return "ItemSalesTaxGroupQueryRq";
        default:
          throw QbError(kInvalidArgument,
                        "The item search has no item type " + std::to_string(itemType) + ".");
      }
    case ObjSearch::kNamedList:
      if (listName == "StandardTerms") return "StandardTermsQueryRq";
      if (listName == "DateDrivenTerms") return "DateDrivenTermsQueryRq";
      throw QbError(kInvalidArgument, "The search knows no list called \"" + listName + "\".");
    default:
      throw QbError(kInvalidArgument, "Unknown search kind " + std::to_string(kind) + ".");
  }
}

// The amount a result is compared with: TotalAmount, or the Subtotal of an invoice.
std::optional<std::int64_t> result_amount(pugi::xml_node record) {
  if (auto total = qbxml::amount_of(record, "TotalAmount")) return total;
  return qbxml::amount_of(record, "Subtotal");
}

}  // namespace

void ObjSearch::openConnection() {
  session().transport().openConnection(settings.connectionString);
}

void ObjSearch::closeConnection() {
  session().transport().closeConnection();
}

void ObjSearch::reset() {
  queryKind = 0;
  itemType = 0;
  listName.clear();
  activeStatus = 0;
  refNumber.clear();
  entityName.clear();
  amount.reset();
  pageSize = 0;
  results_.clear();
  remaining_ = 0;
  iteratorId_.clear();
  clearAnswer();
}

bool ObjSearch::pages() const {
  if (pageSize <= 0) return false;
  return queryKind == kVendors || queryKind == kInvoices || queryKind == kPurchaseOrders ||
         queryKind == kCustomers || queryKind == kReceivedPayments || queryKind == kItems;
}

void ObjSearch::run() {
  results_.clear();
  remaining_ = 0;
  iteratorId_.clear();
  fetch(false);
}

void ObjSearch::nextPage() {
  if (iteratorId_.empty() || remaining_ <= 0)
    throw QbError(kInvalidArgument, "There is no further page of search results.");
  fetch(true);
}

const std::string& ObjSearch::result(int i) const {
  if (i < 0 || i >= resultCount())
    throw QbError(kIndexOutOfRange, "Subscript out of range: search result " + std::to_string(i) +
                                        " of " + std::to_string(resultCount()) + ".");
  return results_[static_cast<std::size_t>(i)];
}

std::string ObjSearch::runDocument() const {
  return request(false)->document(settings.qbxmlVersion);
}

std::unique_ptr<qbxml::Request> ObjSearch::request(bool continuing) const {
  const bool paging = pages();
  const bool transactions = is_transaction_kind(queryKind);
  if (!transactions && (!refNumber.empty() || !entityName.empty()))
    throw QbError(kInvalidArgument,
                  "Reference-number and name filters apply to transaction searches only.");

  auto request = std::make_unique<qbxml::Request>(request_name(queryKind, itemType, listName));
  pugi::xml_node q = request->body();
  if (paging) {
    q.append_attribute("iterator") = continuing ? "Continue" : "Start";
    if (continuing) q.append_attribute("iteratorID") = iteratorId_.c_str();
  }
  if (transactions) {
    if (!refNumber.empty() && entityName.empty() && !paging) {
      add_text(q, "RefNumber", refNumber);
    } else {
      if (paging) add_text(q, "MaxReturned", std::to_string(pageSize));
      if (!entityName.empty()) add_text(add_element(q, "EntityFilter"), "FullName", entityName);
      if (!refNumber.empty()) {
        pugi::xml_node range = add_element(q, "RefNumberRangeFilter");
        add_text(range, "FromRefNumber", refNumber);
        add_text(range, "ToRefNumber", refNumber);
      }
    }
  } else {
    if (paging) add_text(q, "MaxReturned", std::to_string(pageSize));
    if (activeStatus == 3) add_text(q, "ActiveStatus", "All");
  }
  return request;
}

void ObjSearch::fetch(bool continuing) {
  const bool paging = pages();
  const qbxml::Response& response = send(*request(continuing), false);
  results_.clear();
  for (pugi::xml_node record : response.records()) {
    if (amount) {
      const std::optional<std::int64_t> value = result_amount(record);
      if (!value || std::llabs(*value - static_cast<std::int64_t>(*amount) * 100) >= 100) continue;
    }
    results_.push_back(qbxml::element_text(record));
  }
  remaining_ = paging ? response.iteratorRemainingCount() : 0;
  iteratorId_ = paging ? response.iteratorId() : "";
}

}  // namespace vqb::qb
