// Every request the gateway writes, with all its optional fields and with the least it can
// hold, validates against the qbXML 13.0 schema (xmllint).

#include "support/qbxml_schema.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <string>
#include <vector>

#include "app/text_helpers.h"
#include "quickbooks/components.h"
#include "support/temp_dir.h"

namespace vqb::qb {
namespace {

// Answers every request with one record of the kind asked for, and pages once.
class AnsweringTransport : public QbTransport {
 public:
  std::vector<std::string> requests;

  void openConnection(const std::string&) override {}
  void closeConnection() override {}
  std::string process(const std::string& requestXml) override {
    requests.push_back(requestXml);
    pugi::xml_document doc;
    if (!doc.load_string(requestXml.c_str())) throw std::logic_error("unreadable request");
    const pugi::xml_node rq = doc.child("QBXML").child("QBXMLMsgsRq").first_child();
    std::string name = rq.name();
    const std::string rs = name.substr(0, name.size() - 2) + "Rs";
    std::string base = name;
    for (const char* suffix : {"AddRq", "ModRq", "QueryRq"})
      if (base.ends_with(suffix)) base.resize(base.size() - std::string(suffix).size());
    const std::string ret = (base == "Item" ? "ItemService" : base) + "Ret";
    std::string iterator;
    const std::string how = rq.attribute("iterator").value();
    if (how == "Start") iterator = " iteratorRemainingCount=\"1\" iteratorID=\"{it-1}\"";
    if (how == "Continue") iterator = " iteratorRemainingCount=\"0\" iteratorID=\"{it-1}\"";
    return "<QBXML><QBXMLMsgsRs><" + rs + " requestID=\"1\" statusCode=\"0\" " +
           "statusSeverity=\"Info\" statusMessage=\"Status OK\"" + iterator + "><" + ret +
           "><TxnID>T-1</TxnID><ListID>L-1</ListID><EditSequence>1</EditSequence></" + ret + "></" +
           rs + "></QBXMLMsgsRs></QBXML>";
  }
};

class QbxmlSchemaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::haveXmllint()) GTEST_SKIP() << "no xmllint";
  }

  // Validates every request sent since the last call, all in one xmllint run.
  void expectAllValid(const std::string& label) {
    ASSERT_FALSE(transport.requests.empty()) << label;
    EXPECT_EQ(test::schemaProblems(transport.requests, dir.path().string()), "") << label;
    transport.requests.clear();
  }

  test::TempDir dir;
  AnsweringTransport transport;
  Session session{transport};
};

const char* const kFullAddress =
    "<Addr1>O'Brien &amp; Sons &lt;West&gt;</Addr1><Addr2>Line 2</Addr2><Addr3>Line 3</Addr3>"
    "<Addr4>Line 4</Addr4><City>Springfield</City><State>IL</State><PostalCode>62701</PostalCode>"
    "<Country>United States</Country>";

TEST_F(QbxmlSchemaTest, CustomerRequests) {
  Customer customer(session);
  customer.name = "O'Brien & Sons <West>";
  customer.add();
  customer.reset();
  customer.name = "O'Brien & Sons <West>";
  customer.companyName = "O'Brien & Sons";
  customer.phone = "555-1000";
  customer.fax = "555-1001";
  customer.email = "a@b.com";
  customer.taxNumber = "TX-1";
  customer.altPhone = "555-1002";
  customer.contact = "Pat";
  customer.customerType = "Retail:Shops";
  customer.salesTaxItem = "State Tax";
  customer.terms = "Net 30";
  customer.salesRep = "JS";
  customer.billAddress = kFullAddress;
  customer.shipAddress = kFullAddress;
  customer.add();
  expectAllValid("CustomerAddRq");

  customer.loadByName("O'Brien & Sons <West>");
  customer.update();  // nothing changed: ListID and EditSequence only
  customer.name = "New name";
  customer.companyName = "New company";
  customer.phone = "1";
  customer.fax = "2";
  customer.email = "e@x.com";
  customer.taxNumber = "T2";
  customer.altPhone = "3";
  customer.contact = "Lee";
  customer.customerType = "Trade";
  customer.salesTaxItem = "City Tax";
  customer.terms = "Net 15";
  customer.salesRep = "MK";
  customer.billAddress = kFullAddress;
  customer.shipAddress = "<Addr1>Dock</Addr1>";
  customer.update();
  expectAllValid("CustomerQueryRq / CustomerModRq");
}

// Adds above go with their newMessageSetID; the status check is an empty message set.
TEST_F(QbxmlSchemaTest, MessageSetStatusCheck) {
  try {
    session.messageSetStatus(new_message_set_id());
  } catch (const QbError&) {  // this transport answers no status: only the request matters
  }
  expectAllValid("oldMessageSetID");
}

TEST_F(QbxmlSchemaTest, VendorRequests) {
  Vendor vendor(session);
  vendor.name = "Tools & Co";
  vendor.add();
  vendor.reset();
  vendor.name = "Tools & Co";
  vendor.companyName = "Tools";
  vendor.phone = "1";
  vendor.fax = "2";
  vendor.email = "e@t.com";
  vendor.contact = "Lee";
  vendor.vendorAddress = kFullAddress;
  vendor.setProperty("ShippingAddress", kFullAddress);
  vendor.add();
  vendor.loadByName("Tools & Co");
  expectAllValid("VendorAddRq / VendorQueryRq");
}

TEST_F(QbxmlSchemaTest, InvoiceRequests) {
  Invoice invoice(session);
  invoice.customer = "Acme";
  invoice.add();
  invoice.reset();
  invoice.customer = "O'Brien & Sons <West>";
  invoice.txnDate = to_ole_date({2026, 12, 6});
  invoice.refNumber = "INV-1001";
  invoice.memo = "Memo";
  invoice.salesTaxItem = "State Tax";
  invoice.salesRep = "JS";
  invoice.billAddress = kFullAddress;
  invoice.shipAddress = kFullAddress;
  invoice.poNumber = "1234567890123456789012345";
  invoice.isToBePrinted = true;
  invoice.arAccount = "Accounts Receivable";
  invoice.setItemCount(4);
  invoice.item(0).item = "Shirts";
  invoice.item(0).description = "TS100 - Tee";
  invoice.config("Items[0].Quantity=2.5");
  invoice.item(0).rate = 12.5;
  invoice.item(0).amount = 3125;
  invoice.item(0).salesTaxCode = "Tax";
  invoice.item(0).className = "East";
  invoice.item(1).description = "Remark";
  invoice.item(2).item = "Discount";
  invoice.item(2).amount = -500;
  invoice.item(3).description = " \r\nWO Number: 1\r\n ";
  invoice.add();
  invoice.loadById("T-1");
  expectAllValid("InvoiceAddRq / InvoiceQueryRq");
}

TEST_F(QbxmlSchemaTest, ReceivePaymentRequests) {
  ReceivePayment payment(session);
  payment.customer = "Acme";
  payment.add();  // QuickBooks applies it
  payment.applicationMode = ReceivePayment::kNotApplied;
  payment.add();
  payment.reset();
  payment.applicationMode = ReceivePayment::kAsListed;
  payment.config(
      "AppliedToTransactionDetails=<AppliedToTxnAdd><TxnID>T-1</TxnID>"
      "<PaymentAmount>120.00</PaymentAmount></AppliedToTxnAdd><AppliedToTxnAdd><TxnID>T-2</TxnID>"
      "</AppliedToTxnAdd>");
  payment.customer = "O'Brien & Sons <West>";
  payment.txnDate = to_ole_date({2026, 2, 3});
  payment.totalAmount = 12500;
  payment.paymentMethod = "Check";
  payment.depositToAccount = "Bank:Checking";
  payment.memo = "Receipt 44";
  payment.refNumber = "12345678901234567890";
  payment.add();
  expectAllValid("ReceivePaymentAddRq");
}

TEST_F(QbxmlSchemaTest, PurchaseOrderRequests) {
  PurchaseOrder order(session);
  order.setItemCount(1);  // QuickBooks needs one line at least
  order.add();
  order.reset();
  order.vendor = "Tools & Co";
  order.txnDate = to_ole_date({2026, 4, 1});
  order.dueDate = to_ole_date({2026, 4, 15});
  order.refNumber = "PO500";
  order.memo = "Goods In = 0 (VT Status as at 4/1/2026 09:00";
  order.shipAddress = kFullAddress;
  order.isToBePrinted = false;
  order.setItemCount(3);
  order.item(0).item = "Shirts";
  order.item(0).description = "TS100 - Tee";
  order.item(0).rate = 3.99;
  order.item(0).quantity = 12;
  order.item(1).description = "-      WO# 7";
  order.item(2).item = "Shirts";  // sizes at different costs: an amount, no rate
  order.item(2).quantity = 18;
  order.item(2).amount = 6360;
  order.add();
  order.loadById("T-1");
  order.update();  // nothing changed
  order.vendor = "Other vendor";
  order.txnDate = to_ole_date({2026, 5, 1});
  order.dueDate = to_ole_date({2026, 5, 2});
  order.refNumber = "PO501";
  order.memo = "Goods In: 5";
  order.shipAddress = kFullAddress;
  order.isToBePrinted = true;
  order.update();
  expectAllValid("PurchaseOrderAddRq / PurchaseOrderQueryRq / PurchaseOrderModRq");
}

TEST_F(QbxmlSchemaTest, ListEntryRequests) {
  Item item(session);
  item.loadByName("Setup:Art");
  Account account(session);
  account.loadByName("Bank:Checking");
  Employee employee(session);
  employee.loadByName("Ann Lee");
  QBLists lists(session);
  lists.listKind = QBLists::kClass;
  lists.name = "East";
  lists.add();
  lists.name = "Regions:East & West";
  lists.add();
  lists.listKind = QBLists::kCustomerType;
  lists.name = "Retail";
  lists.add();
  lists.name = "Retail:Shops";
  lists.add();
  expectAllValid("ItemQueryRq / AccountQueryRq / EmployeeQueryRq / ClassAddRq / CustomerTypeAddRq");
}

TEST_F(QbxmlSchemaTest, SearchRequestsOfEveryKind) {
  ObjSearch search(session);
  const int list_kinds[] = {ObjSearch::kAccounts,      ObjSearch::kClasses,
                            ObjSearch::kCustomerTypes, ObjSearch::kPaymentMethods,
                            ObjSearch::kSalesTaxCodes, ObjSearch::kSalesReps};
  for (const int kind : list_kinds) {
    for (const bool filled : {false, true}) {
      search.reset();
      search.queryKind = kind;
      if (filled) {
        search.activeStatus = 3;
        search.pageSize = 50;  // these queries have no iterator: ignored
      }
      search.run();
    }
  }
  for (const char* list : {"StandardTerms", "DateDrivenTerms"}) {
    search.reset();
    search.queryKind = ObjSearch::kNamedList;
    search.listName = list;
    search.activeStatus = 3;
    search.run();
  }
  for (const int kind : {ObjSearch::kCustomers, ObjSearch::kVendors}) {
    search.reset();
    search.queryKind = kind;
    search.run();
    search.activeStatus = 3;
    search.pageSize = 300;
    search.run();
    search.nextPage();
  }
  for (const int type : {0, 5, 6, 7, 11}) {  // every, discount, tax, subtotal, tax group
    search.reset();
    search.queryKind = ObjSearch::kItems;
    search.itemType = type;
    search.run();
    search.activeStatus = 3;
    search.pageSize = 5;
    search.run();
    search.nextPage();
  }
  for (const int kind :
       {ObjSearch::kInvoices, ObjSearch::kReceivedPayments, ObjSearch::kPurchaseOrders}) {
    search.reset();
    search.queryKind = kind;
    search.run();
    search.refNumber = "1001";
    search.run();
    search.entityName = "O'Brien & Sons <West>";
    search.amount = 125;
    search.run();
    search.pageSize = 10;
    search.run();
    search.nextPage();
    search.refNumber.clear();
    search.run();
  }
  expectAllValid("ObjSearch");
}

}  // namespace
}  // namespace vqb::qb
