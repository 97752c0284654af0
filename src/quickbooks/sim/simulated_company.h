#pragma once
// A QuickBooks company simulated in one SQLite file, answering qbXML like QuickBooks does, so
// the integrator runs, is demonstrated and is tested without QuickBooks.
//
// The file holds every list entry and transaction as a row with the …Ret element QuickBooks
// would return (children in schema order), the kept message-set responses, the company's
// open/closed state, country and the faults it is told to show. Each request that changes
// anything is one SQLite transaction, committed before it is answered; several processes may
// use the file at once. The company is kept in memory too and brought up to date from the
// rows another process changed. An XML company file (the older kind, still what export
// writes) is converted when it is opened, its XML kept as "<file>.xml.bak".

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "quickbooks/transport.h"

namespace vqb::qb::sim {

// Every kind of list entry and transaction the company holds.
enum class Kind {
  Customer,
  Vendor,
  Employee,
  ItemService,
  ItemNonInventory,
  ItemOtherCharge,
  ItemDiscount,
  ItemSubtotal,
  ItemSalesTax,
  ItemSalesTaxGroup,
  SalesTaxCode,
  SalesRep,
  CustomerType,
  PaymentMethod,
  StandardTerms,
  DateDrivenTerms,
  Class,
  Account,
  Invoice,
  ReceivePayment,
  PurchaseOrder,
};
inline constexpr int kKindCount = static_cast<int>(Kind::PurchaseOrder) + 1;

// "Customer", "ItemService", "ReceivePayment"...: the qbXML name (the …Ret tag without "Ret").
std::string kindName(Kind kind);
// The kind of a name as kindName writes it, case-insensitive; nothing when unknown.
std::optional<Kind> kindFromName(std::string_view name);

// One list entry or transaction as the company holds it.
struct Entry {
  Kind kind{};
  std::string id;    // ListID or TxnID
  std::string name;  // FullName (Initial for sales reps), or RefNumber for transactions
  std::string editSequence;
  bool active = true;  // always true for transactions
  std::string xml;     // the …Ret element

  // The text of a child of the …Ret element by path, such as "BillAddress/City"; "" when absent.
  std::string value(std::string_view path) const;
};

// Fields of a new list entry: a path below its …Ret element and a text, in any order, such as
// {"BillAddress/City", "Springfield"} or {"SalesRepEntityRef/FullName", "Jane Doe"}. References
// are given by FullName (or ListID) and are checked and completed like those of a request.
using Fields = std::vector<std::pair<std::string, std::string>>;

// Faults the company shows, for reliability tests; kept in the file, so a running program sees
// faults set by another process.
struct Faults {
  long failAfter = -1;      // requests answered before QuickBooks stops answering (-1: never)
  std::string failRequest;  // a request kind, such as "InvoiceAddRq", that is refused...
  long failStatus = 0;      // ...with this status code (kNotReachable: the connection drops)
  std::string failMessage;  // ...and this status message
  long delayMs = 0;         // every request is answered this much later
  // A request kind whose requests are carried out and saved, but whose answer is lost (the
  // connection drops after QuickBooks committed).
  std::string dropAnswer;
  long failOnce = -1;              // requests answered before one request fails (-1: never)...
  bool failOnceCommitted = false;  // ...after it was carried out and saved (else before)
  // A request kind whose requests are carried out and saved, but whose answer reaches the
  // application spoilt, as `garbling` says: kGarbage, kCutInHalf, kNoAnswer, kOtherKind (the
  // ...Rs of another request kind), kOtherRequestId or kOtherMessageSet (the kept answer of the
  // message set before, kOtherKind when there is none).
  std::string garbleAnswer;
  std::string garbling;
  // Add requests carried out and saved before the program using the company is killed at
  // once, before it reads the last one's answer (-1: never). Cleared when it fires.
  long killAfterAdds = -1;
};
inline constexpr const char* kGarbage = "garbage";
inline constexpr const char* kCutInHalf = "cut in half";
inline constexpr const char* kNoAnswer = "no answer";
inline constexpr const char* kOtherKind = "other kind";
inline constexpr const char* kOtherRequestId = "other requestID";
inline constexpr const char* kOtherMessageSet = "other message set";

// Error recovery: a message set sent with newMessageSetID has its whole response kept by that
// id, in the company file and in the same save as its changes. A message set with
// oldMessageSetID and no requests asks for that response: it comes back with
// messageSetStatusCode 0, or with kNoStoredResponse when none is kept. The company keeps the
// last kStoredMessageSets responses; an id longer than kMessageSetIdLength is refused with
// kInvalidMessageSetId. oldMessageSetID="ClearAllMessageSets" drops them all.
inline constexpr std::size_t kMessageSetIdLength = 23;
inline constexpr std::size_t kStoredMessageSets = 100;
inline constexpr long kNoStoredResponse = 9002;
inline constexpr long kInvalidMessageSetId = 9004;
inline constexpr const char* kClearAllMessageSets = "ClearAllMessageSets";

class SimulatedCompany : public QbTransport {
 public:
  // Opens the company file at path; throws QbError when it is missing or not a company file.
  explicit SimulatedCompany(const std::string& path);
  // Writes a new empty, open company file at path (replacing any file there) and opens it.
  static SimulatedCompany create(const std::string& path, const std::string& companyName);
  // Makes a company file at path (replacing any file there) from an XML company file, as
  // xmlText() writes one, and opens it; QbError when xmlFile is not one.
  static SimulatedCompany importXml(const std::string& xmlFile, const std::string& path);

  // The whole company as an XML company file: a SimulatedCompany element holding the
  // faults, the CompanyRet, one element per list (Customers, Items, Invoices...) of …Ret
  // elements and the kept message sets.
  std::string xmlText() const;

  SimulatedCompany(SimulatedCompany&&) noexcept;
  SimulatedCompany& operator=(SimulatedCompany&&) noexcept;
  ~SimulatedCompany() override;

  // QbTransport. Each throws QbError(kNotReachable) while the company is closed or has stopped
  // answering; process() answers every request of a qbXML request document and throws
  // QbError(kParseError) for a document QuickBooks could not parse, which includes one using
  // an attribute newer than its <?qbxml version?> (iterators 5.0, metaData 4.0).
  void openConnection(const std::string& connectionString) override;
  void closeConnection() override;
  std::string process(const std::string& requestXml) override;

  const std::string& path() const;
  std::string companyName() const;

  // A closed company behaves like QuickBooks with no company file open.
  bool isOpen() const;
  void setOpen(bool open);

  // The edition: "US" (the default) or "CA", kept in the company file. A Canadian company
  // refuses a sales tax item on an invoice and taxes each line by its sales tax code's item.
  std::string country() const;
  void setCountry(const std::string& country);

  Faults faults() const;
  void setFaults(const Faults& faults);
  void clearFaults() { setFaults(Faults{}); }
  // Each changes one fault and keeps the others.
  void failAfter(long requests);
  void failRequest(const std::string& requestKind, long status, const std::string& message);
  void setDelay(long milliseconds);
  void dropAnswerOf(const std::string& requestKind);
  void failOnce(long requestsBefore, bool committed);
  void garbleAnswerOf(const std::string& requestKind, const std::string& garbling);

  // The ids of the message sets whose responses are kept, oldest first; clearing them is what
  // QuickBooks does when they expire.
  std::vector<std::string> storedMessageSets() const;
  void clearMessageSets();

  // Adds a list entry (not a transaction) with the checks QuickBooks makes on an add request;
  // throws QbError with the qbXML status code and message when one fails (3100 name in use,
  // 3070 too long, 3140 invalid reference, 530 a field the entry does not have). Fields may
  // also give "OpenBalance" for customers, vendors and accounts.
  Entry add(Kind kind, const Fields& fields);
  // Shorthands for the entries demonstration and test companies need.
  Entry addCustomer(const std::string& name, Fields more = {});
  Entry addVendor(const std::string& name, Fields more = {});
  Entry addEmployee(const std::string& firstName, const std::string& lastName, Fields more = {});
  // Service, non-inventory and other-charge items with a sales price ("" for none).
  Entry addItem(Kind kind, const std::string& name, const std::string& price = "",
                Fields more = {});
  Entry addDiscountItem(const std::string& name, const std::string& ratePercent, Fields more = {});
  Entry addSubtotalItem(const std::string& name, Fields more = {});
  Entry addSalesTaxItem(const std::string& name, const std::string& ratePercent,
                        const std::string& taxVendor, Fields more = {});
  Entry addSalesTaxGroup(const std::string& name, const std::vector<std::string>& taxItems,
                         Fields more = {});
  Entry addSalesTaxCode(const std::string& name, bool taxable, Fields more = {});
  Entry addSalesRep(const std::string& initial, const std::string& entityName, Fields more = {});
  Entry addCustomerType(const std::string& name, Fields more = {});
  Entry addPaymentMethod(const std::string& name, Fields more = {});
  Entry addStandardTerms(const std::string& name, int dueDays, Fields more = {});
  Entry addDateDrivenTerms(const std::string& name, int dayOfMonthDue, Fields more = {});
  Entry addClass(const std::string& name, Fields more = {});
  Entry addAccount(const std::string& name, const std::string& accountType, Fields more = {});
  // Makes a list entry active or inactive; throws QbError(3120) for an unknown ListID.
  void setActive(const std::string& listId, bool active);

  // Every entry of a kind: lists by full name, transactions in the order they were added.
  std::vector<Entry> list(Kind kind) const;
  // An entry or transaction by ListID or TxnID.
  std::optional<Entry> find(const std::string& id) const;
  // A list entry by full name (Initial for sales reps), case-insensitive.
  std::optional<Entry> findByName(Kind kind, const std::string& fullName) const;
  // The …Ret element of a transaction; "" when there is none with this TxnID.
  std::string transactionXml(const std::string& txnId) const;

  struct Impl;

 private:
  explicit SimulatedCompany(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// The number of a qbXML request document QuickBooks cannot parse (0x80040400 as a signed
// 32-bit HRESULT, as the QuickBooks request processor reports it).
inline constexpr long kParseError = -2147220480;

}  // namespace vqb::qb::sim
