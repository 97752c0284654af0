// The hostile corpus (support/hostile_text.h) through every text the five exports send: each
// arrives in QuickBooks as XML can carry it, or cut to the field's length with the result
// saying so; every request is well-formed qbXML, and Vantora is never injected into.

#include "support/hostile_text.h"

#include <gtest/gtest.h>

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

class HostileTextTest : public ::testing::TestWithParam<test::HostileText>,
                        protected test::ConnectedDemoFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(connected);
    tables = first("SELECT COUNT(*) FROM sqlite_master");
  }
  void TearDown() override {
    // Nothing was injected: every request was well-formed and Vantora keeps its tables.
    for (const std::string& request : requests) {
      pugi::xml_document doc;
      EXPECT_TRUE(doc.load_string(request.c_str())) << request.substr(0, 200);
    }
    EXPECT_EQ(first("SELECT COUNT(*) FROM sqlite_master"), tables);
  }
  const std::string& text() const { return GetParam().text; }
  // The last record of the kind in QuickBooks; the test stops when there is none.
  Entry last(Kind kind) const {
    const std::vector<Entry> all = company().list(kind);
    return all.empty() ? Entry{} : all.back();
  }
  std::string customerLinked() const {
    return first("SELECT Link FROM Customers WHERE QBAccountNumber <> '' ORDER BY Link LIMIT 1");
  }
  void namesWithoutMappings() {
    MappingSwitches& s = logic->switches;
    s.useCustomerGroups = s.useSalesTax = s.useCustomerTerms = s.useReps = false;
    ui.onDialog = [this](DialogKind kind, const std::string&) {
      if (kind == DialogKind::CustomerValidation) app.sharedSlots[1] = "1";
    };
  }

  std::string tables;
};

TEST_P(HostileTextTest, InvoiceNotesAndPoNumber) {
  const std::string number = first(
      "SELECT s.Number FROM CustSO s JOIN Customers c ON c.Link = s.Customer WHERE s.Status = 4 "
      "AND s.QuickBooks = 0 AND c.QBAccountNumber <> '' ORDER BY s.Number LIMIT 1");
  run("UPDATE CustSO SET Notes = " + literal(text()) + ", CustomerPO = " + literal(text()) +
      " WHERE Number = " + number);
  save_setup_value(app, "optmemo1", "True");
  const std::string result = send_Invoice(*ctx, std::stol(number));
  EXPECT_TRUE(result.starts_with(kInvoiceSent)) << result;
  const Entry invoice = last(Kind::Invoice);
  EXPECT_EQ(invoice.value("Memo"), as_held(text()));
  EXPECT_EQ(invoice.value("PONumber"), as_held(text(), 25));
  EXPECT_EQ(first("SELECT QuickBooksRef FROM CustSO WHERE Number = " + number), invoice.name);
}

TEST_P(HostileTextTest, PaymentCommentAndReference) {
  const std::string customer = customerLinked();
  const std::string method = first("SELECT Link FROM CustPaymentMethods ORDER BY Link LIMIT 1");
  run("INSERT INTO CustPayments (Number, Customer, Date, Amount, Method, Reference, Comment, POS, "
      "Voided, QuickBooks) VALUES (95001, " +
      customer + ", 46010, 60, " + method + ", " + literal(text()) + ", " + literal(text()) +
      ", 0, 0, 0)");
  run("INSERT INTO CustPost (id, Customer, Trans, ReceiptNumber, WONumber) VALUES (95001, " +
      customer + ", 'PMT', 95001, 0)");
  save_setup_value(app, "optpmemo1", "True");
  const std::string result = send_Payment(*ctx, 95001);
  EXPECT_TRUE(result.starts_with(kPaymentSent)) << result;
  const Entry payment = last(Kind::ReceivePayment);
  EXPECT_EQ(payment.value("Memo"), as_held(text()));
  EXPECT_EQ(payment.value("RefNumber"), as_held(text(), 20));
  EXPECT_EQ(first("SELECT QuickBooksRef FROM CustPayments WHERE Number = 95001"), payment.id);
}

TEST_P(HostileTextTest, PurchaseOrderNotesDescriptionsAndAddress) {
  const std::string supplier =
      first("SELECT Link FROM Suppliers WHERE QBAccount <> '' ORDER BY Link LIMIT 1");
  run("INSERT INTO SuppPO (Number, Supplier, Date, Subtotal, GoodsIn, Confirmation, Notes, City, "
      "SendQB) VALUES (97001, " +
      supplier + ", 46000, 39, 'No', " + literal(text()) + ", " + literal(text()) + ", " +
      literal(text()) + ", 0)");
  run("INSERT INTO SuppPODetail (PONumber, LineNumber, RemarkLine, SalesGroup, Style, "
      "Description, Notes, UnitCost, Qty) VALUES (97001, 1, 0, 'GAR', 'G500', " +
      literal(text()) + ", " + literal(text()) + ", 3.25, 12)");
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

INSTANTIATE_TEST_SUITE_P(Corpus, HostileTextTest, ::testing::ValuesIn(test::hostile_texts()),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace vqb
