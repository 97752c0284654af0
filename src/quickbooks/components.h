#pragma once
// The QuickBooks components: one class per kind of QuickBooks object, each a set of named
// properties and the operations that turn them into one qbXML request (see qbxml.h for the
// formats and the error rules). The dispatch id of each property or operation is in brackets.
//
// Conventions shared by all components:
// - reset() clears every property and the last record; the connection settings stay.
// - An empty text or an unset value is not written; "" therefore means "send nothing".
// - Money is in hundredths (written "123.45"); unit prices and quantities are decimals of up
//   to five places, as qbXML takes them; dates are OLE Automation day numbers
//   (written "YYYY-MM-DD"); address properties hold an address aggregate text as the Address
//   component gives it.
// - loadByName / loadById raise QbError(1, ...) (or QuickBooks' own status) when QuickBooks has
//   no such entry, and fill the properties from the record found.
// - add() raises QbError(kNameInUse) when QuickBooks answers 3100 (name in use); afterwards
//   record() is the new entry's record and the properties hold what QuickBooks stored.
// The object search (ObjSearch) is declared in obj_search.h, included here.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quickbooks/obj_search.h"
#include "quickbooks/qbxml.h"
#include "quickbooks/session.h"

namespace vqb::qb {

// ---- Customer -----------------------------------------------------------------------------

struct CustomerFields {
  std::string name;          // [14]
  std::string companyName;   // [6]
  std::string phone;         // [24]
  std::string fax;           // [18]
  std::string email;         // [17]
  std::string taxNumber;     // [34] QuickBooks' resale number
  std::string altPhone;      // [3]
  std::string contact;       // [7]
  std::string customerType;  // [16] full name of the customer type
  std::string salesTaxItem;  // [40]
  std::string terms;         // [42]
  std::string salesRep;      // [35] the rep's initials
  std::string billAddress;   // [5] aggregate
  std::string shipAddress;   // [37] aggregate
  bool operator==(const CustomerFields&) const = default;
};

class Customer : public Component, public CustomerFields {
 public:
  explicit Customer(Session& session) : Component(session) {}

  // Read after a load, an add or an update.
  std::string listId, editSequence, fullName;
  std::optional<std::int64_t> balance;  // hundredths

  void reset();                           // [505]
  void loadByName(std::string fullName);  // [514] CustomerQueryRq by FullName
  // The request document loadByName sends, to send it ahead with others (Session::prefetch).
  std::string loadByNameDocument(const std::string& fullName) const;
  void add();  // [502] CustomerAddRq
  // The request document add() would send now, built without sending it (a message set of
  // adds carries it).
  std::string addDocument() {
    return captured([this] { add(); });
  }
  // [515] CustomerModRq of the loaded (or added) customer with the properties changed since.
  void update();

 private:
  void fill(pugi::xml_node record);
  CustomerFields loaded_;
};

// ---- Vendor -------------------------------------------------------------------------------

struct VendorFields {
  std::string name;           // [28]
  std::string companyName;    // [6]
  std::string phone;          // [15]
  std::string fax;            // [11]
  std::string email;          // [10]
  std::string contact;        // [7]
  std::string vendorAddress;  // [2] aggregate
  std::string shipAddress;    // "ShippingAddress" (set by name) aggregate
};

class Vendor : public Component, public VendorFields {
 public:
  explicit Vendor(Session& session) : Component(session) {}

  std::string listId, editSequence;

  void reset();                           // [505]
  void loadByName(std::string fullName);  // [514] VendorQueryRq by FullName
  // The request document loadByName sends, to send it ahead with others (Session::prefetch).
  std::string loadByNameDocument(const std::string& fullName) const;
  void add();  // [502] VendorAddRq
  // The request document add() would send now, built without sending it (a message set of
  // adds carries it).
  std::string addDocument() {
    return captured([this] { add(); });
  }
  // Sets a property by its member name; only "ShippingAddress" is known. Other names raise
  // QbError(kNoSuchProperty).
  void setProperty(std::string_view name, const std::string& value);

 private:
  void fill(pugi::xml_node record);
};

// ---- Invoice ------------------------------------------------------------------------------

struct InvoiceLine {
  std::string item;                    // [4 (i)] full name of the item
  std::string description;             // [10 (i)]
  std::optional<double> quantity;      // config "Items[i].Quantity=q"
  std::optional<double> rate;          // [14 (i)] unit price, up to five decimals
  std::optional<std::int64_t> amount;  // [6 (i)] hundredths
  std::string salesTaxCode;            // [19 (i)]
  std::string className;               // [7 (i)]
};

class Invoice : public Component {
 public:
  explicit Invoice(Session& session) : Component(session) {}

  std::string customer;               // [23] full name
  std::optional<double> txnDate;      // [64]
  std::string refNumber;              // [51]
  std::string memo;                   // [40]
  std::string salesTaxItem;           // [60]
  std::string salesRep;               // [52] initials
  std::string billAddress;            // [22] aggregate
  std::string shipAddress;            // [58] aggregate
  std::string poNumber;               // [41]
  std::optional<bool> isToBePrinted;  // [31]
  std::string arAccount;              // [2]
  // Read after a load or an add.
  std::string txnId, editSequence;

  // [9] Number of item rows; rows keep their content when the count grows.
  void setItemCount(int count);
  int itemCount() const { return static_cast<int>(items_.size()); }
  // Item row i, from 0; QbError(kIndexOutOfRange) outside the count.
  InvoiceLine& item(int i);
  const InvoiceLine& item(int i) const;

  void reset();                      // [505]
  void loadById(std::string txnId);  // [504] InvoiceQueryRq by TxnID with lines
  void add();                        // [502] InvoiceAddRq; record() [43] is the new invoice
  // The request document add() would send now, built without sending it (a message set of
  // adds carries it).
  std::string addDocument() {
    return captured([this] { add(); });
  }
  // [501] "Items[i].Quantity=q" sets the quantity of row i; other settings raise
  // QbError(kInvalidArgument). Returns "".
  std::string config(std::string_view setting);

 private:
  void fill(pugi::xml_node record);
  std::vector<InvoiceLine> items_;
};

// ---- ReceivePayment -----------------------------------------------------------------------

struct AppliedToTxn {
  std::string txnId;
  std::optional<std::int64_t> paymentAmount;  // hundredths
};

class ReceivePayment : public Component {
 public:
  explicit ReceivePayment(Session& session) : Component(session) {}

  enum ApplicationMode : int { kAutoApply = 0, kNotApplied = 1, kAsListed = 2 };
  int applicationMode = kAutoApply;         // [2]
  std::string customer;                     // [6] full name
  std::optional<double> txnDate;            // [22]
  std::optional<std::int64_t> totalAmount;  // [1] hundredths
  std::string paymentMethod;                // [11]
  std::string depositToAccount;             // [8] full name
  std::string memo;                         // [10]
  std::string refNumber;                    // [21]
  // The applications given by config("AppliedToTransactionDetails=...").
  std::vector<AppliedToTxn> applications;
  std::string txnId;  // read after the add

  void reset();  // [505]
  // [502] ReceivePaymentAddRq; record() [14] is the new payment. Mode kAsListed needs at least
  // one application (QbError(kInvalidArgument) otherwise).
  void add();
  // The request document add() would send now, built without sending it (a message set of
  // adds carries it).
  std::string addDocument() {
    return captured([this] { add(); });
  }
  // [501] "AppliedToTransactionDetails=<AppliedToTxnAdd><TxnID>..</TxnID><PaymentAmount>..
  // </PaymentAmount></AppliedToTxnAdd>..." replaces the applications. Returns "".
  std::string config(std::string_view setting);
};

// ---- PurchaseOrder ------------------------------------------------------------------------

struct PurchaseOrderLine {
  std::string item;                // [13 (i)]
  std::string description;         // [21 (i)]
  std::optional<double> rate;      // [25 (i)] unit cost, up to five decimals
  std::optional<double> quantity;  // [24 (i)]
  // Hundredths; with a quantity and no rate QuickBooks derives the rate from it.
  std::optional<std::int64_t> amount;
};

struct PurchaseOrderFields {
  std::string vendor;                 // [47] full name
  std::optional<double> txnDate;      // [46]
  std::optional<double> dueDate;      // [1]
  std::string refNumber;              // [37]
  std::string memo;                   // [12]
  std::string shipAddress;            // [40] aggregate
  std::optional<bool> isToBePrinted;  // [3]
  bool operator==(const PurchaseOrderFields&) const = default;
};

class PurchaseOrder : public Component, public PurchaseOrderFields {
 public:
  explicit PurchaseOrder(Session& session) : Component(session) {}

  std::string txnId, editSequence;  // read after a load or an add

  void setItemCount(int count);  // [20]
  int itemCount() const { return static_cast<int>(items_.size()); }
  PurchaseOrderLine& item(int i);
  const PurchaseOrderLine& item(int i) const;

  void reset();                      // [505]
  void loadById(std::string txnId);  // [504] PurchaseOrderQueryRq by TxnID with lines
  void add();                        // [502] PurchaseOrderAddRq; record() [29] is the new order
  // The request document add() would send now, built without sending it (a message set of
  // adds carries it).
  std::string addDocument() {
    return captured([this] { add(); });
  }
  // [514] PurchaseOrderModRq of the loaded order with the header properties changed since
  // (lines are not modified).
  void update();

 private:
  void fill(pugi::xml_node record);
  std::vector<PurchaseOrderLine> items_;
  PurchaseOrderFields loaded_;
};

// ---- Item, Account, Employee ---------------------------------------------------------------

// Item types as the Item component and the item search number them.
enum ItemType : int {
  kItemService = 1,
  kItemInventory = 2,
  kItemOtherCharge = 3,
  kItemPayment = 4,
  kItemDiscount = 5,
  kItemSalesTax = 6,
  kItemSubtotal = 7,
  kItemNonInventory = 8,
  kItemInventoryAssembly = 9,
  kItemFixedAsset = 10,
  kItemSalesTaxGroup = 11,
  kItemGroup = 12,
};
// The type of an item record by its tag ("ItemServiceRet" -> 1); 0 when unknown.
int item_type_of(std::string_view recordTag);
// The record tag of an item type ("ItemServiceRet"); "" when unknown.
std::string item_record_tag(int itemType);

// What the item, account and employee components share: one list entry loaded by its full
// name with a query request.
class NamedEntry : public Component {
 public:
  using Component::Component;

  std::string name, listId, editSequence;
  std::optional<bool> isActive;

 protected:
  void resetEntry();
  // Resets, sends `requestKind` with the FullName filter and reads the shared fields; the
  // record is returned for the component's own. A miss says "There is no <what> called ...".
  pugi::xml_node queryByFullName(const char* requestKind, const char* what,
                                 const std::string& fullName);
};

class Item : public NamedEntry {
 public:
  explicit Item(Session& session) : NamedEntry(session) {}

  int itemType = 0;  // [8]
  std::string fullName;

  void reset();                           // [505]
  void loadByName(std::string fullName);  // [514] ItemQueryRq by FullName
  // The request document loadByName sends, to send it ahead with others (Session::prefetch).
  std::string loadByNameDocument(const std::string& fullName) const;
};

class Account : public NamedEntry {
 public:
  explicit Account(Session& session) : NamedEntry(session) {}

  std::string fullName, accountType;

  void reset();
  void loadByName(std::string fullName);  // AccountQueryRq by FullName
};

class Employee : public NamedEntry {
 public:
  explicit Employee(Session& session) : NamedEntry(session) {}

  void reset() { resetEntry(); }          // [505]
  void loadByName(std::string fullName);  // [514] EmployeeQueryRq by FullName
  // The request document loadByName sends, to send it ahead with others (Session::prefetch).
  std::string loadByNameDocument(const std::string& fullName) const;
};

// ---- QBLists ------------------------------------------------------------------------------

class QBLists : public Component {
 public:
  explicit QBLists(Session& session) : Component(session) {}

  enum ListKind : int { kClass = 1, kCustomerType = 2 };
  int listKind = 0;  // [3]
  // [16] The full name; "Parent:Child" is added as Child under the parent Parent.
  std::string name;
  std::string listId, fullName;  // read after the add

  void reset();
  // [502] ClassAddRq or CustomerTypeAddRq; QbError(kInvalidArgument) for another list kind.
  void add();
};

// ---- Transaction --------------------------------------------------------------------------

// Any transaction by its TxnDelType ("Invoice", "ReceivePayment", "PurchaseOrder") and TxnID:
// read with its links, or deleted. Undoing a send uses it.
class Transaction : public Component {
 public:
  explicit Transaction(Session& session) : Component(session) {}

  // <type>QueryRq by TxnID with its lines, and IncludeLinkedTxns where the query takes it: the
  // record (…Ret), "" when QuickBooks has no such transaction.
  std::string find(const std::string& txnType, const std::string& txnId);
  // TxnDelRq; QuickBooks' TimeDeleted. A refusal raises QbError with QuickBooks' status.
  std::string remove(const std::string& txnType, const std::string& txnId);
};

// ---- Address ------------------------------------------------------------------------------

// The address holder the exports fill and read as one aggregate. It sends no requests.
class Address {
 public:
  Address() = default;
  explicit Address(Session&) {}

  ConnectionSettings settings;
  std::string addr1;       // [4]
  std::string addr2;       // [5]
  std::string addr3;       // [6]
  std::string addr4;       // [7]
  std::string city;        // [2]
  std::string state;       // [9]
  std::string postalCode;  // [8]
  std::string country;     // [3]

  // [1] "<Addr1>..</Addr1><Addr2>..</Addr2><Addr3>..</Addr3><Addr4>..</Addr4><City>..</City>
  // <State>..</State><PostalCode>..</PostalCode><Country>..</Country>", text escaped, all
  // eight elements even when empty.
  std::string aggregate() const;
  // Fills the eight fields from an aggregate text (fields it lacks become empty).
  void setAggregate(std::string_view aggregate);
  void reset();
};

}  // namespace vqb::qb
