#pragma once
// The object search: one query for a kind of QuickBooks list or transaction, its results as
// qbXML records, and paging through the iterator where the query allows one (customers,
// vendors, items, invoices, received payments and purchase orders). A query that finds nothing
// gives no results, not an error.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "quickbooks/qbxml.h"

namespace vqb::qb {

class ObjSearch : public Component {
 public:
  explicit ObjSearch(Session& session) : Component(session) {}

  enum QueryKind : int {
    kVendors = 1,            // VendorQueryRq
    kInvoices = 4,           // InvoiceQueryRq
    kPurchaseOrders = 8,     // PurchaseOrderQueryRq
    kCustomers = 12,         // CustomerQueryRq
    kReceivedPayments = 16,  // ReceivePaymentQueryRq
    kItems = 18,             // by itemType
    kAccounts = 19,          // AccountQueryRq
    kClasses = 23,           // ClassQueryRq
    kCustomerTypes = 24,     // CustomerTypeQueryRq
    kPaymentMethods = 26,    // PaymentMethodQueryRq
    kSalesTaxCodes = 28,     // SalesTaxCodeQueryRq
    kSalesReps = 30,         // SalesRepQueryRq
    kNamedList = 101,        // by listName
  };

  int queryKind = 0;  // [21]
  // [6] With kItems: 0 every item (ItemQueryRq), 5 discount, 6 sales tax, 7 subtotal,
  // 11 sales tax group items (the Item* query of that type).
  int itemType = 0;
  std::string listName;  // [32] With kNamedList: "StandardTerms" or "DateDrivenTerms".
  int activeStatus = 0;  // [2] 3: inactive entries too (ActiveStatus All); lists only
  // [22] Transactions with this reference number (invoices, payments, purchase orders).
  std::string refNumber;
  // [3] Transactions of this customer or vendor (EntityFilter).
  std::string entityName;
  // [33] Keeps the results whose TotalAmount (Subtotal when there is none) is less than 1 away
  // from this whole amount; qbXML has no amount filter, so the results are filtered here.
  std::optional<long> amount;
  // [7] Page size: MaxReturned with an iterator on the kinds that page; other kinds return
  // everything at once. 0: no paging.
  int pageSize = 0;

  void openConnection();   // [504] through the transport, with settings.connectionString
  void closeConnection();  // [505]
  void reset();            // [506] clears the query and its results; the settings stay
  void run();              // [507]
  // [503] The next page of a paged search; QbError(kInvalidArgument) when none is left.
  void nextPage();
  // The request document run() sends, to send it ahead with others (Session::prefetch).
  std::string runDocument() const;

  int resultCount() const { return static_cast<int>(results_.size()); }  // [30]
  // [29] Result i (from 0) as a qbXML record; QbError(kIndexOutOfRange) outside the count.
  const std::string& result(int i) const;
  long remaining() const { return remaining_; }  // [28] iteratorRemainingCount

 private:
  std::unique_ptr<qbxml::Request> request(bool continuing) const;
  void fetch(bool continuing);
  bool pages() const;

  std::vector<std::string> results_;
  long remaining_ = 0;
  std::string iteratorId_;
};

}  // namespace vqb::qb
