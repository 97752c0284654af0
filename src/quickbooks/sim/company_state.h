#pragma once
// Inside the simulated company: the company document, its indexes and the request handlers,
// shared by the files of src/quickbooks/sim/.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/os_calls.h"
#include "quickbooks/sim/company_store.h"
#include "quickbooks/sim/decimal.h"
#include "quickbooks/sim/simulated_company.h"

namespace vqb::qb::sim {

// A request QuickBooks refuses: its status code and message.
class StatusError : public std::runtime_error {
 public:
  StatusError(long code, const std::string& message) : std::runtime_error(message), code_(code) {}
  long code() const noexcept { return code_; }

 private:
  long code_;
};

// qbXML status codes the company answers with.
namespace status {
inline constexpr long kOk = 0;
inline constexpr long kNoMatch = 1;
inline constexpr long kUnsupported = 1030;
inline constexpr long kBadBoolean = 3010;
inline constexpr long kBadDate = 3020;
inline constexpr long kBadAmount = 3040;
inline constexpr long kTooLong = 3070;
inline constexpr long kNameInUse = 3100;
inline constexpr long kNotFound = 3120;
inline constexpr long kCannotDelete = 3171;
inline constexpr long kInvalidReference = 3140;
inline constexpr long kCannotSave = 3180;
inline constexpr long kEditSequence = 3200;
inline constexpr long kInvalidValue = 3210;
inline constexpr long kFeatureUnavailable = 3250;
}  // namespace status

// QuickBooks' own reason for a reference or object it cannot find (two spaces after each
// sentence, as QuickBooks writes them).
inline constexpr const char* kNoSuchRecord =
    "Invalid argument.  The specified record does not exist in the list.";

// Name spaces: entries of one space may not share a full name.
enum class Space {
  Entity,
  Item,
  Class,
  CustomerType,
  SalesTaxCode,
  SalesRep,
  PaymentMethod,
  Terms,
  Account,
  None
};
inline constexpr int kSpaceCount = static_cast<int>(Space::None);

struct KindInfo {
  Kind kind;
  const char* name;       // "Customer"
  const char* ret;        // "CustomerRet"
  const char* container;  // element of the company file holding the entries
  Space space;
  const char* label;  // the kind in messages: "Customer", "Item", "Sales Tax Code"
};
const KindInfo& kindInfo(Kind kind);
std::optional<Kind> kindOfRet(std::string_view retTag);
bool isTransaction(Kind kind);
// 0, 1, 2 for invoices, received payments and purchase orders.
int txnSlot(Kind kind);

// XML helpers.
std::string lower(std::string_view text);
std::string childText(pugi::xml_node node, const char* name);
pugi::xml_node setChild(pugi::xml_node parent, const char* name, const std::string& text);
bool isTrue(std::string_view text);
// Puts the children of node (and of its descendants) in schema order.
void sortBySchema(pugi::xml_node node);
// XML text of an element; carriage returns in texts are written as "&#13;" so that an XML
// parser gives them back (a raw one would be read as a line end).
std::string nodeXml(pugi::xml_node node);
std::string withCarriageReturnsEscaped(std::string xml);
// Checks the lengths, amounts and dates of an element's fields against the schema.
void checkFields(pugi::xml_node node);
// A money field in cents (0 when absent), and a decimal field (nothing when absent).
std::int64_t centsOf(pugi::xml_node node, const char* name);
std::optional<Decimal> decimalOf(pugi::xml_node node, const char* name);
// Merges an aggregate of a modify request (an address) into `work`'s: parts given replace
// the stored ones, empty parts remove them, parts left out stay. Returns the stored aggregate.
pugi::xml_node mergeAggregate(pugi::xml_node work, pugi::xml_node change);
// The name an entry is found by: FullName, else Name, else Initial.
std::string entryName(pugi::xml_node ret);

// The date of today as "2026-12-06", and dates moved by days or months.
std::string todayText();
std::string addDays(const std::string& isoDate, int days);
std::string dueDateDriven(const std::string& isoDate, int dayOfMonthDue, int dueNextMonthDays);

struct QueryOptions {
  bool includeLines = false;
  bool includeLinks = false;  // IncludeLinkedTxns
  std::vector<std::string> includeRetElements;
};

struct Iterator {
  std::vector<std::string> ids;
  std::size_t next = 0;
  QueryOptions options;
};

struct SimulatedCompany::Impl {
  std::string path;
  pugi::xml_document doc;
  pugi::xml_node root;
  pugi::xml_node faultsNode;
  std::array<pugi::xml_node, kKindCount> containers{};
  std::unordered_map<std::string, pugi::xml_node> byId;
  std::array<std::map<std::string, pugi::xml_node>, kSpaceCount> byName;  // lower-case full name
  std::array<std::unordered_multimap<std::string, pugi::xml_node>, 3> byRefNumber;  // lower case
  std::array<std::unordered_map<std::string, std::vector<pugi::xml_node>>, 3> byEntity;
  std::array<std::int64_t, 3> maxRefNumber{};
  std::map<std::string, Iterator> iterators;
  long iteratorCount = 0;
  // The store is the company; the document above is its cache, brought up to date at the
  // start of each request from the rows another process changed since.
  std::unique_ptr<CompanyStore> store;
  long long generation = -1;  // of the store as the cache last saw it (-1: read it whole)
  // Changes of the cache not yet in the store: `dirty` says there are some, the rest which.
  bool dirty = false;
  std::vector<pugi::xml_node> touched;
  std::vector<std::string> erasedIds;
  std::vector<std::string> messageSetsAdded;
  bool messageSetsChanged = false;
  int writeDepth = 0;
  // Holds the store's write lock (nested scopes share it) with the cache brought up to date;
  // a change left unsaved when the scope ends is dropped with the cache, which is read again.
  class WriteScope {
   public:
    explicit WriteScope(Impl& impl);
    ~WriteScope();
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

   private:
    Impl& impl_;
  };

  // Company file.
  void open();
  // Completes a company document read from an XML company file (parts a hand-written file
  // lacks) and indexes it.
  void prepareDocument();
  void buildIndexes();
  // Reads the whole company from the store, or patches the cache with what changed since.
  void loadAll();
  void patch(long long since, const std::map<std::string, std::string>& meta);
  void loadMessageSets();
  // Writes the tracked changes and commits them; the write lock is taken again for the
  // rest of the scope.
  void save();
  void refresh();  // brings the cache up to date when another process changed the store
  // Marks a stored …Ret element as changed, to be written by the next save.
  void touch(pugi::xml_node ret);
  // Removes a …Ret element from the company: indexes, document and store.
  void eraseEntry(Kind kind, pugi::xml_node ret);
  // The whole company as an XML company file.
  std::string documentText() const;
  // Writes the document whole into a new store at `target` (written beside it, then renamed).
  void writeNewStore(const std::string& target);
  void requireOpen() const;
  // A Canadian company ("country" CA) taxes each line by its sales tax code's tax item and
  // has no sales tax item on the invoice.
  bool canadian() const { return std::string_view(root.attribute("country").value()) == "CA"; }
  Faults faults() const;
  void setFaults(const Faults& faults);

  // Identities and clocks.
  std::string newListId();
  std::string newTxnId();
  std::string newEditSequence();
  long newTxnNumber();
  static std::string nowText();

  // Indexes.
  void indexEntry(Kind kind, pugi::xml_node ret);
  void unindexName(Kind kind, pugi::xml_node ret);
  void indexTxnRef(Kind kind, pugi::xml_node ret);
  void unindexTxn(Kind kind, pugi::xml_node ret);
  pugi::xml_node findById(const std::string& id) const;
  pugi::xml_node findByName(Space space, const std::string& fullName) const;
  Entry entryOf(Kind kind, pugi::xml_node ret) const;

  // Requests.
  std::string process(const std::string& requestXml);
  static std::string responseText(const pugi::xml_document& response);
  // The answer as a spoilt transport hands it on (Faults::garbling).
  std::string garbled(pugi::xml_document& response, const std::string& garbling,
                      const std::string& newId);
  // Error recovery: the kept response of a message set (a MessageSet element), and keeping one.
  pugi::xml_node storedMessageSet(const std::string& id) const;
  void storeMessageSet(const std::string& id, pugi::xml_node responses);
  // Answers one request into its response element; kNoMatch for a query that found nothing.
  long answer(pugi::xml_node request, pugi::xml_node response);

  // References: completes a …Ref element with the ListID and FullName of the entry it names
  // and returns that entry; StatusError 3140 when there is none, it is of another kind or it
  // is inactive. ownerLabel ends the message: "Invoice" or "Invoice line".
  pugi::xml_node resolveRef(pugi::xml_node ref, Kind owner, const char* ownerLabel);
  void resolveRefs(pugi::xml_node node, Kind owner, const char* ownerLabel);

  // Lists.
  pugi::xml_node addListEntry(Kind kind, pugi::xml_node source);
  pugi::xml_node modListEntry(Kind kind, pugi::xml_node mod);
  pugi::xml_node requireEditable(pugi::xml_node mod, const char* idTag);
  void adjustBalance(pugi::xml_node customer, std::int64_t cents);

  // Transactions.
  pugi::xml_node addInvoice(pugi::xml_node add);
  // The rate in percent of a sales tax item, or of a group (the sum of its items' rates).
  Decimal taxRate(pugi::xml_node taxItem) const;
  pugi::xml_node addReceivePayment(pugi::xml_node add);
  pugi::xml_node addPurchaseOrder(pugi::xml_node add);
  pugi::xml_node modPurchaseOrder(pugi::xml_node mod);
  // TxnDelRq: answers TxnDelType, TxnID and TimeDeleted into `response`.
  void deleteTxn(pugi::xml_node request, pugi::xml_node response);
  // The received payments applied to an invoice.
  std::vector<pugi::xml_node> paymentsApplyingTo(const std::string& invoiceId) const;
  // LinkedTxn elements of a transaction's links, added to its query result `copy`.
  void appendLinks(pugi::xml_node copy, pugi::xml_node ret) const;
  std::string nextRefNumber(Kind kind);
  void stampNewTransaction(pugi::xml_node ret);
  pugi::xml_node defaultAccount(std::string_view accountType) const;
  // Gives a new transaction the default receivables account unless the request named one.
  void defaultARAccount(pugi::xml_node ret) const;
  std::string dueDate(pugi::xml_node termsRef, const std::string& txnDate) const;

  // Queries.
  long queryList(const std::vector<Kind>& kinds, pugi::xml_node request, pugi::xml_node response);
  long queryTxn(Kind kind, pugi::xml_node request, pugi::xml_node response);
  long writeResults(std::vector<pugi::xml_node> found, pugi::xml_node request,
                    pugi::xml_node response, const QueryOptions& options);
  long continueIterator(pugi::xml_node request, pugi::xml_node response);
  void appendResult(pugi::xml_node response, pugi::xml_node ret, const QueryOptions& options) const;
};

}  // namespace vqb::qb::sim
