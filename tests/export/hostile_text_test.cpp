// The hostile corpus (support/hostile_text.h) through every text the five exports send: each
// arrives in QuickBooks as XML can carry it, or cut to the field's length with the result
// saying so; every request is well-formed qbXML, and Vantora is never injected into.

#include "support/hostile_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "export/customer_export.h"
#include "export/invoice_export.h"
#include "export/payment_export.h"
#include "export/purchase_order_export.h"
#include "export/supplier_export.h"
#include "support/connected_demo.h"

namespace vqb {
namespace {

using qb::sim::Entry;
using qb::sim::Kind;
using test::as_held;

// The text as an SQL literal that keeps every byte, a NUL too.
std::string literal(const std::string& text) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string hex;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    hex += kHex[u >> 4];
    hex += kHex[u & 15];
  }
  return "CAST(X'" + hex + "' AS TEXT)";
}

// The texts of every element `name` in a …Ret element.
std::vector<std::string> texts_of(const Entry& entry, const char* name) {
  pugi::xml_document doc;
  doc.load_string(entry.xml.c_str());
  std::vector<std::string> out;
  for (pugi::xpath_node node : doc.select_nodes((std::string("//") + name).c_str()))
    out.push_back(node.node().child_value());
  return out;
}

// The address fields as QuickBooks holds them: lines 1 to 4, city, state, postal code.
std::vector<std::string> address_of(const Entry& entry, const std::string& aggregate) {
  std::vector<std::string> out;
  for (const char* field : {"Addr1", "Addr2", "Addr3", "Addr4", "City", "State", "PostalCode"})
    out.push_back(entry.value(aggregate + "/" + field));
  return out;
}

// The lines of an address text (ended by CR LF) as QuickBooks holds them, empty ones left out.
std::vector<std::string> held_lines(const std::string& text) {
  std::vector<std::string> out;
  const std::string held = as_held(text);
  for (std::size_t start = 0; start < held.size();) {
    std::size_t end = held.find("\r\n", start);
    if (end == std::string::npos) end = held.size();
    if (end > start) out.push_back(held.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

// A line longer than the 40 characters the address parser keeps: the address window opens.
bool needs_address_window(const std::string& text) {
  for (const std::string& line : held_lines(text))
    if (char_count(line) > 40) return true;
  return false;
}

// The address fields QuickBooks holds for an address text of such lines: each line in an
// address line of its own; after the address window, the 40 characters the user kept.
std::vector<std::string> held_address(const std::string& text) {
  std::vector<std::string> out =
      needs_address_window(text) ? std::vector<std::string>{as_held(text, 40)} : held_lines(text);
  out.resize(7);
  return out;
}

// Shared by the corpus and the over-long texts: the demo connected, and after each test
// every request well-formed and Vantora's tables unchanged.
class HostileFixture : protected test::ConnectedDemoFixture {
 protected:
  void start() {
    ASSERT_TRUE(connected);
    tables = first("SELECT COUNT(*) FROM sqlite_master");
  }
  void finish() {
    for (const std::string& request : requests) {
      pugi::xml_document doc;
      EXPECT_TRUE(doc.load_string(request.c_str())) << request.substr(0, 200);
    }
    EXPECT_EQ(first("SELECT COUNT(*) FROM sqlite_master"), tables);
  }
  // The last record of the kind in QuickBooks; the test stops when there is none.
  Entry last(Kind kind) const {
    const std::vector<Entry> all = company().list(kind);
    return all.empty() ? Entry{} : all.back();
  }
  std::string customerLinked() const {
    return first("SELECT Link FROM Customers WHERE QBAccountNumber <> '' ORDER BY Link LIMIT 1");
  }
  std::string invoiceToSend() const {
    return first(
        "SELECT s.Number FROM CustSO s JOIN Customers c ON c.Link = s.Customer WHERE s.Status = "
        "4 AND s.QuickBooks = 0 AND c.QBAccountNumber <> '' ORDER BY s.Number LIMIT 1");
  }
  // Payment 95001 of 60.00 by the first linked customer.
  void addPayment(const std::string& reference, const std::string& comment) const {
    const std::string customer = customerLinked();
    const std::string method = first("SELECT Link FROM CustPaymentMethods ORDER BY Link LIMIT 1");
    run("INSERT INTO CustPayments (Number, Customer, Date, Amount, Method, Reference, Comment, "
        "POS, Voided, QuickBooks) VALUES (95001, " +
        customer + ", 46010, 60, " + method + ", " + literal(reference) + ", " + literal(comment) +
        ", 0, 0, 0)");
    run("INSERT INTO CustPost (id, Customer, Trans, ReceiptNumber, WONumber) VALUES (95001, " +
        customer + ", 'PMT', 95001, 0)");
  }
  // Purchase order 97001 of one line for the first linked supplier.
  void addOrder(const std::map<std::string, std::string>& header,
                const std::map<std::string, std::string>& line) const {
    std::map<std::string, std::string> order{
        {"Number", "97001"},
        {"Supplier",
         first("SELECT Link FROM Suppliers WHERE QBAccount <> '' ORDER BY Link LIMIT 1")},
        {"Date", "46000"},
        {"Subtotal", "39"},
        {"GoodsIn", "'No'"},
        {"SendQB", "0"}};
    for (const auto& [column, value] : header) order[column] = value;
    insert("SuppPO", order);
    std::map<std::string, std::string> row{
        {"PONumber", "97001"}, {"LineNumber", "1"},  {"RemarkLine", "0"}, {"SalesGroup", "'GAR'"},
        {"Style", "'G500'"},   {"UnitCost", "3.25"}, {"Qty", "12"}};
    for (const auto& [column, value] : line) row[column] = value;
    insert("SuppPODetail", row);
  }
  // The user splits an address by hand by keeping its first 40 characters as line 1; the
  // customer validation window answers "send".
  void splitByHand() {
    ui.onDialog = [this](DialogKind kind, const std::string&) {
      SharedSlots& slots = app.sharedSlots;
      if (kind == DialogKind::CustomerValidation) slots[1] = "1";
      if (kind != DialogKind::ParseAddress) return;
      addressWindowText = slots[200];
      slots[201] = first_chars(slots[200], 40);
      for (long i = 202; i <= 207; ++i) slots[i] = "";
      slots[0] = "1";
    };
  }
  void namesWithoutMappings() {
    MappingSwitches& s = logic->switches;
    s.useCustomerGroups = s.useSalesTax = s.useCustomerTerms = s.useReps = false;
    splitByHand();
  }
  long addressWindows() const {
    return std::count_if(ui.dialogs.begin(), ui.dialogs.end(),
                         [](const auto& d) { return d.first == DialogKind::ParseAddress; });
  }

  std::string tables;
  std::string addressWindowText;  // the text the address window last showed
};

class HostileTextTest : public ::testing::TestWithParam<test::HostileText>,
                        protected HostileFixture {
 protected:
  void SetUp() override { start(); }
  void TearDown() override { finish(); }
  const std::string& text() const { return GetParam().text; }
};

TEST_P(HostileTextTest, InvoiceNotesPoNumberAndLines) {
  const std::string number = invoiceToSend();
  run("UPDATE CustSO SET Notes = " + literal(text()) + ", Description = " + literal(text()) +
      ", CustomerPO = " + literal(text()) + " WHERE Number = " + number);
  insert("custsodetail", {{"SONumber", number},
                          {"LineNumber", "99"},
                          {"LineType", "'Remark'"},
                          {"PrintLine", "1"},
                          {"Description", literal(text())},
                          // The tax code of the other lines: the invoice stays in amount mode.
                          {"Tax1", "(SELECT Tax1 FROM custsodetail WHERE SONumber = " + number +
                                       " ORDER BY LineNumber LIMIT 1)"}});
  save_setup_value(app, "optmemo1", "True");
  save_setup_value(app, "chksendremarks", "1");
  const bool cut = char_count(as_held(text())) > 25;
  EXPECT_EQ(send_Invoice(*ctx, std::stol(number)),
            std::string(kInvoiceSent) +
                (cut ? "The PO number was cut to the 25 characters QuickBooks takes." : ""));
  const Entry invoice = last(Kind::Invoice);
  EXPECT_EQ(invoice.value("Memo"), as_held(text()));
  EXPECT_EQ(invoice.value("PONumber"), as_held(text(), 25));
  const std::vector<std::string> lines = texts_of(invoice, "InvoiceLineRet/Desc");
  // The remark line and the closing line of the notes.
  EXPECT_EQ(std::count(lines.begin(), lines.end(), as_held(text())), 2);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[lines.size() - 2].find(as_held("Order Description: " + text())),
            std::string::npos);
  EXPECT_EQ(lines.back(), as_held(text()));
  EXPECT_EQ(first("SELECT QuickBooksRef FROM CustSO WHERE Number = " + number), invoice.name);
}

TEST_P(HostileTextTest, InvoiceBillToAndShipToAddresses) {
  const std::string number = invoiceToSend();
  run("UPDATE CustSO SET BillingAddress = " + literal(text()) +
      ", ShipAddress = " + literal(text()) + " WHERE Number = " + number);
  save_setup_value(app, "chkaddress", "0");
  splitByHand();
  EXPECT_EQ(send_Invoice(*ctx, std::stol(number)), kInvoiceSent);
  const Entry invoice = last(Kind::Invoice);
  EXPECT_EQ(address_of(invoice, "BillAddress"), held_address(text()));
  EXPECT_EQ(address_of(invoice, "ShipAddress"), held_address(text()));
  // The window opens once: the ship-to address is the answer it remembered.
  EXPECT_EQ(addressWindows(), needs_address_window(text()) ? 1 : 0);
}

TEST_P(HostileTextTest, PaymentCommentAndReference) {
  addPayment(text(), text());
  save_setup_value(app, "optpmemo1", "True");
  const bool cut = char_count(as_held(text())) > 20;
  EXPECT_EQ(
      send_Payment(*ctx, 95001),
      std::string(kPaymentSent) +
          (cut ? " The reference number was cut to the 20 characters QuickBooks takes." : ""));
  const Entry payment = last(Kind::ReceivePayment);
  EXPECT_EQ(payment.value("Memo"), as_held(text()));
  EXPECT_EQ(payment.value("RefNumber"), as_held(text(), 20));
  EXPECT_EQ(first("SELECT QuickBooksRef FROM CustPayments WHERE Number = 95001"), payment.id);
}

TEST_P(HostileTextTest, PurchaseOrderNotesDescriptionsAndAddress) {
  addOrder(
      {{"Confirmation", literal(text())}, {"Notes", literal(text())}, {"City", literal(text())}},
      {{"Description", literal(text())}, {"Notes", literal(text())}});
  const std::string result = send_PO(*ctx, 97001);
  const bool cut = char_count(as_held(text())) > 31;  // the city
  EXPECT_EQ(result, std::string(kPurchaseOrderSent) +
                        (cut ? " The ship-to address was cut to the lengths QuickBooks takes (41 "
                               "characters a line, 31 the city, 21 the state, 13 the postal code)."
                             : ""));
  const Entry order = last(Kind::PurchaseOrder);
  ASSERT_FALSE(order.id.empty());
  const std::vector<std::string> lines = texts_of(order, "PurchaseOrderLineRet/Desc");
  ASSERT_EQ(lines.size(), 4u);  // the item, its row, the numbers and the notes
  EXPECT_EQ(lines[0], as_held("G500 - " + text()));
  EXPECT_EQ(lines[1], as_held("-      " + text()));
  EXPECT_EQ(lines.back(), as_held(text()));
  EXPECT_NE(lines[lines.size() - 2].find(as_held("Confirmation Number: " + text())),
            std::string::npos);
  EXPECT_EQ(order.value("ShipAddress/City"), as_held(text(), 31));
  EXPECT_EQ(first("SELECT QBRef FROM SuppPO WHERE Number = 97001"), order.name);
}

TEST_P(HostileTextTest, CustomerAndSupplierNames) {
  namesWithoutMappings();
  run("INSERT INTO Customers (Link, Description, Tel, BAddress, SAddress, QBAccountNumber) "
      "VALUES (900100, " +
      literal(text()) + ", '', '', '', '')");
  // QuickBooks' names are one list: the supplier's differs from the customer's.
  run("INSERT INTO Suppliers (Link, Description, Tel, Email, BAddress, SAddress, QBAccount) "
      "VALUES (900100, " +
      literal("V " + text()) + ", '', '', '', '', '')");
  // A name longer than QuickBooks takes is asked for again: the user types a short one.
  const bool longCustomer = char_count(as_held(text())) > 40;
  const bool longVendor = char_count(as_held("V " + text())) > 40;
  if (longCustomer) ui.inputs.push_back("Short Customer");
  if (longVendor) ui.inputs.push_back("Short Supplier");
  EXPECT_EQ(send_Customer(*ctx, 900100), "Success");
  EXPECT_EQ(send_Supplier(*ctx, 900100), "Success");
  const std::string customer = longCustomer ? "Short Customer" : as_held(text());
  const std::string vendor = longVendor ? "Short Supplier" : as_held("V " + text());
  auto entry = company().findByName(Kind::Customer, customer);
  ASSERT_TRUE(entry.has_value()) << customer;
  EXPECT_EQ(entry->value("CompanyName"), as_held(text(), 41));
  EXPECT_TRUE(company().findByName(Kind::Vendor, vendor).has_value()) << vendor;
  EXPECT_EQ(first("SELECT QBAccountNumber FROM Customers WHERE Link = 900100"), customer);
  EXPECT_EQ(first("SELECT QBAccount FROM Suppliers WHERE Link = 900100"), vendor);
}

// The sentences of the contact fields cut for each text: the customer sends phone, fax,
// e-mail, tax number, cell phone and contact; the supplier phone, fax, e-mail and contact.
struct ContactCuts {
  std::string customer, supplier;
};
const std::map<std::string, ContactCuts>& contact_cuts() {
  static const std::string phones = " were cut to the 21 characters QuickBooks takes.";
  static const std::string tax = " The tax number was cut to the 15 characters QuickBooks takes.";
  static const std::string contact = " The contact was cut to the 41 characters QuickBooks takes.";
  static const std::string email = " The e-mail was cut to the 1023 characters QuickBooks takes.";
  static const std::string customerPhones = " The phone, fax and cell phone" + phones;
  static const std::string supplierPhones = " The phone and fax" + phones;
  static const std::map<std::string, ContactCuts> cuts{
      {"quotes", {customerPhones + tax, supplierPhones}},
      {"markup", {customerPhones + tax + contact, supplierPhones + contact}},
      {"nul", {}},
      {"rtl", {}},
      {"nonascii", {}},
      {"long", {customerPhones + email + tax + contact, supplierPhones + email + contact}},
      {"controls", {tax, ""}},
      {"crlf", {tax, ""}},
  };
  return cuts;
}

TEST_P(HostileTextTest, CustomerAndSupplierContactsAndAddresses) {
  namesWithoutMappings();
  const std::string t = literal(text());
  insert("Customers", {{"Link", "900100"},
                       {"Description", "'Hostile Customer'"},
                       {"Tel", t},
                       {"Fax", t},
                       {"Email", t},
                       {"TaxNumber", t},
                       {"Cell", t},
                       {"Contact", t},
                       {"BAddress", t},
                       {"SAddress", t},
                       {"QBAccountNumber", "''"}});
  insert("Suppliers", {{"Link", "900100"},
                       {"Description", "'Hostile Supplier'"},
                       {"Tel", t},
                       {"Fax", t},
                       {"Email", t},
                       {"Contact", t},
                       {"BAddress", t},
                       {"SAddress", t},
                       {"QBAccount", "''"}});
  const ContactCuts& cuts = contact_cuts().at(GetParam().label);
  EXPECT_EQ(send_Customer(*ctx, 900100),
            cuts.customer.empty() ? "Success" : "Success." + cuts.customer);
  EXPECT_EQ(send_Supplier(*ctx, 900100),
            cuts.supplier.empty() ? "Success" : "Success." + cuts.supplier);

  const auto customer = company().findByName(Kind::Customer, "Hostile Customer");
  const auto vendor = company().findByName(Kind::Vendor, "Hostile Supplier");
  ASSERT_TRUE(customer && vendor);
  for (const auto& [field, length] : std::vector<std::pair<std::string, std::size_t>>{
           {"Phone", 21}, {"Fax", 21}, {"Email", 1023}, {"Contact", 41}}) {
    EXPECT_EQ(customer->value(field), as_held(text(), length)) << field;
    EXPECT_EQ(vendor->value(field), as_held(text(), length)) << field;
  }
  EXPECT_EQ(customer->value("AltPhone"), as_held(text(), 21));
  EXPECT_EQ(customer->value("ResaleNumber"), as_held(text(), 15));
  for (const char* address : {"BillAddress", "ShipAddress"})
    EXPECT_EQ(address_of(*customer, address), held_address(text())) << address;
  EXPECT_EQ(address_of(*vendor, "VendorAddress"), held_address(text()));
  EXPECT_EQ(address_of(*vendor, "ShipAddress"), held_address(text()));
  // One window for the four addresses, showing the text as Vantora holds it.
  EXPECT_EQ(addressWindows(), needs_address_window(text()) ? 1 : 0);
  if (needs_address_window(text())) {
    EXPECT_EQ(addressWindowText, text());
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileTextTest, ::testing::ValuesIn(test::hostile_texts()),
                         [](const auto& info) { return std::string(info.param.label); });

// Texts longer than the corpus holds: memos and line texts over 4,095 characters, a supplier's
// order reference over 11, an address split by hand into lines longer than QuickBooks takes.
class OverlongTextTest : public ::testing::Test, protected HostileFixture {
 protected:
  void SetUp() override { start(); }
  void TearDown() override { finish(); }

  const std::string huge = std::string(4090, 'n') + " end of the notes";
};

TEST_F(OverlongTextTest, InvoiceAndPaymentMemosAndNotesLine) {
  const std::string number = invoiceToSend();
  run("UPDATE CustSO SET Notes = " + literal(huge) + " WHERE Number = " + number);
  save_setup_value(app, "optmemo1", "True");
  EXPECT_EQ(send_Invoice(*ctx, std::stol(number)),
            "Sent! The memo and line description were cut to the 4095 characters QuickBooks "
            "takes.");
  const Entry invoice = last(Kind::Invoice);
  EXPECT_EQ(invoice.value("Memo"), huge.substr(0, 4095));
  EXPECT_EQ(texts_of(invoice, "InvoiceLineRet/Desc").back(), huge.substr(0, 4095));

  addPayment("Chq 77", huge);
  save_setup_value(app, "optpmemo1", "True");
  EXPECT_EQ(send_Payment(*ctx, 95001),
            "Sent! The memo was cut to the 4095 characters QuickBooks takes.");
  EXPECT_EQ(last(Kind::ReceivePayment).value("Memo"), huge.substr(0, 4095));
}

TEST_F(OverlongTextTest, PurchaseOrderSupplierReferenceAndNotes) {
  save_setup_value(app, "chkposupplierref", "1");
  addOrder({{"VendorRef", "'SO-1234567890'"}, {"Notes", literal(huge)}}, {});
  EXPECT_EQ(send_PO(*ctx, 97001),
            "Sent! The reference number was cut to the 11 characters QuickBooks takes. The line "
            "description was cut to the 4095 characters QuickBooks takes.");
  const Entry order = last(Kind::PurchaseOrder);
  EXPECT_EQ(order.value("RefNumber"), "SO-12345678");
  EXPECT_EQ(texts_of(order, "PurchaseOrderLineRet/Desc").back(), huge.substr(0, 4095));
  EXPECT_EQ(first("SELECT QBRef FROM SuppPO WHERE Number = 97001"), "SO-12345678");
}

TEST_F(OverlongTextTest, PurchaseOrderCreatesItsSupplierWithACutPhone) {
  insert("Suppliers", {{"Link", "900200"},
                       {"Description", "'Phone Heavy Supplies'"},
                       {"Tel", "'+1 (555) 010-4477 ext. 1234'"},
                       {"QBAccount", "''"}});
  addOrder({{"Supplier", "900200"}}, {});
  // The supplier goes first; its cut phone does not stop the order, and the order's row says
  // what was cut.
  EXPECT_EQ(send_PO(*ctx, 97001),
            std::string(kPurchaseOrderSent) +
                " For the new supplier: The phone was cut to the 21 characters QuickBooks takes.");
  const auto vendor = company().findByName(Kind::Vendor, "Phone Heavy Supplies");
  ASSERT_TRUE(vendor);
  EXPECT_EQ(vendor->value("Phone"), "+1 (555) 010-4477 ext");
  EXPECT_EQ(last(Kind::PurchaseOrder).value("VendorRef/FullName"), "Phone Heavy Supplies");
}

TEST_F(OverlongTextTest, CustomerAddressesSplitByHandIntoLongerFields) {
  namesWithoutMappings();
  // parsedAddresses.xml edited by hand: fields longer than the address window allows.
  const std::string text(60, 'x');
  RecordDoc& cache = app.parsedAddresses;
  cache.MoveToRoot();
  cache.SetTag("parsedAddresses");
  cache.AddChild("Add", text);
  cache.MoveToLastChild();
  cache.SetElementFlag(1);
  const std::vector<std::string> fields{
      std::string(50, 'a'), "", "", "", std::string(40, 'c'), std::string(30, 's'),
      std::string(20, '9')};
  for (std::size_t i = 0; i < fields.size(); ++i) {
    cache.AddChild("ADR" + std::to_string(i + 1), fields[i]);
    cache.MoveToLastChild();
    cache.SetElementFlag(1);
    cache.MoveToParent();
  }
  cache.MoveToRoot();
  insert("Customers", {{"Link", "900100"},
                       {"Description", "'Hand Split'"},
                       {"BAddress", literal(text)},
                       {"SAddress", literal(text)},
                       {"QBAccountNumber", "''"}});
  EXPECT_EQ(send_Customer(*ctx, 900100),
            "Success. The billing and ship-to addresses were cut to the lengths QuickBooks takes "
            "(41 characters a line, 31 the city, 21 the state, 13 the postal code).");
  const auto customer = company().findByName(Kind::Customer, "Hand Split");
  ASSERT_TRUE(customer);
  const std::vector<std::string> held{
      std::string(41, 'a'), "", "", "", std::string(31, 'c'), std::string(21, 's'),
      std::string(13, '9')};
  EXPECT_EQ(address_of(*customer, "BillAddress"), held);
  EXPECT_EQ(address_of(*customer, "ShipAddress"), held);
  EXPECT_EQ(addressWindows(), 0);
}

}  // namespace
}  // namespace vqb
