#include "quickbooks/components.h"

#include <gtest/gtest.h>

#include <deque>
#include <regex>
#include <string>
#include <vector>

#include "app/text_helpers.h"
#include "quickbooks/caught.h"

namespace vqb::qb {
namespace {

// Records every request and answers with the canned responses in order.
class FakeTransport : public QbTransport {
 public:
  std::vector<std::string> requests;
  std::deque<std::string> responses;
  std::vector<std::string> opened;
  int closed = 0;
  bool unreachable = false;

  void openConnection(const std::string& connectionString) override {
    if (unreachable) throw QbError(kNotReachable, kNotReachableText);
    opened.push_back(connectionString);
  }
  void closeConnection() override { ++closed; }
  // Kept without the message-set id, which is new on every add (sim_message_sets_test).
  std::string process(const std::string& requestXml) override {
    requests.push_back(
        std::regex_replace(requestXml, std::regex(" newMessageSetID=\"[^\"]*\""), ""));
    if (unreachable) throw QbError(kNotReachable, kNotReachableText);
    if (responses.empty()) throw std::logic_error("no response left for " + requestXml);
    std::string response = responses.front();
    responses.pop_front();
    return response;
  }

  // The ...Rq element of request i, without the envelope.
  std::string body(std::size_t i = 0) const {
    const std::string& request = requests.at(i);
    const std::string open = "<QBXMLMsgsRq onError=\"stopOnError\">";
    const auto start = request.find(open) + open.size();
    return request.substr(start, request.rfind("</QBXMLMsgsRq>") - start);
  }
  std::string lastBody() const { return body(requests.size() - 1); }
};

std::string response(const std::string& rs, const std::string& records = "",
                     const std::string& status =
                         "statusCode=\"0\" statusSeverity=\"Info\" statusMessage=\"Status OK\"") {
  return "<?xml version=\"1.0\" ?><QBXML><QBXMLMsgsRs><" + rs + " requestID=\"1\" " + status + ">" +
         records + "</" + rs + "></QBXMLMsgsRs></QBXML>";
}

std::string status(int code, const std::string& severity, const std::string& message) {
  return "statusCode=\"" + std::to_string(code) + "\" statusSeverity=\"" + severity +
         "\" statusMessage=\"" + message + "\"";
}

const char* const kAddress =
    "<Addr1>12 Main St</Addr1><Addr2></Addr2><Addr3></Addr3><Addr4></Addr4><City>Springfield</City>"
    "<State>IL</State><PostalCode>62701</PostalCode><Country></Country>";

const char* const kCustomerRet =
    "<CustomerRet><ListID>80000001-1</ListID><EditSequence>111</EditSequence>"
    "<Name>O'Brien &amp; Sons &lt;West&gt;</Name><FullName>O'Brien &amp; Sons "
    "&lt;West&gt;</FullName><IsActive>true</IsActive><CompanyName>O'Brien</CompanyName>"
    "<BillAddress><Addr1>12 Main St</Addr1><City>Springfield</City><State>IL</State>"
    "<PostalCode>62701</PostalCode></BillAddress><Phone>555-1000</Phone><SalesRepRef>"
    "<ListID>9</ListID><FullName>JS</FullName></SalesRepRef><Balance>150.25</Balance>"
    "</CustomerRet>";

using test::Caught;
using test::caught;

long error_number(const auto& action) {
  return caught(action).number;
}

class ComponentsTest : public ::testing::Test {
 protected:
  // Queues QuickBooks' answer to the next request.
  template <typename... Args>
  void answer(const Args&... args) {
    transport.responses.push_back(response(args...));
  }
  FakeTransport transport;
  Session session{transport};
};

// ---- Customer -----------------------------------------------------------------------------

TEST_F(ComponentsTest, CustomerAddWritesEveryFieldInSchemaOrderEscaped) {
  Customer customer(session);
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
  customer.billAddress = kAddress;
  customer.shipAddress = "<Addr1>Dock 4</Addr1>";
  answer("CustomerAddRs", kCustomerRet);
  customer.add();

  EXPECT_EQ(
      transport.requests[0],
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<?qbxml version=\"3.0\"?>\n<QBXML>"
      "<QBXMLMsgsRq onError=\"stopOnError\"><CustomerAddRq requestID=\"1\"><CustomerAdd>"
      "<Name>O'Brien &amp; Sons &lt;West&gt;</Name><CompanyName>O'Brien &amp; Sons</CompanyName>"
      "<BillAddress><Addr1>12 Main St</Addr1><City>Springfield</City><State>IL</State>"
      "<PostalCode>62701</PostalCode></BillAddress><ShipAddress><Addr1>Dock 4</Addr1></ShipAddress>"
      "<Phone>555-1000</Phone><AltPhone>555-1002</AltPhone><Fax>555-1001</Fax>"
      "<Email>a@b.com</Email><Contact>Pat</Contact><CustomerTypeRef>"
      "<FullName>Retail:Shops</FullName></CustomerTypeRef><TermsRef><FullName>Net 30</FullName>"
      "</TermsRef><SalesRepRef><FullName>JS</FullName></SalesRepRef><ItemSalesTaxRef>"
      "<FullName>State Tax</FullName></ItemSalesTaxRef><ResaleNumber>TX-1</ResaleNumber>"
      "</CustomerAdd></CustomerAddRq></QBXMLMsgsRq></QBXML>");
  EXPECT_EQ(customer.listId, "80000001-1");
  EXPECT_EQ(customer.editSequence, "111");
  EXPECT_EQ(customer.record(), kCustomerRet);
}

TEST_F(ComponentsTest, CustomerAddSendsNothingForEmptyFieldsAndUsesTheSettingsVersion) {
  Customer customer(session);
  customer.settings.qbxmlVersion = "5.0";
  customer.name = "Acme";
  customer.phone = "";
  customer.billAddress = Address().aggregate();  // all fields empty: no BillAddress at all
  answer("CustomerAddRs", kCustomerRet);
  customer.add();
  EXPECT_NE(transport.requests[0].find("<?qbxml version=\"5.0\"?>"), std::string::npos);
  EXPECT_EQ(transport.body(),
            "<CustomerAddRq requestID=\"1\"><CustomerAdd><Name>Acme</Name></CustomerAdd>"
            "</CustomerAddRq>");
}

TEST_F(ComponentsTest, CustomerAddOfANameInUseRaises20806WithQuickBooksMessage) {
  Customer customer(session);
  customer.name = "Acme";
  answer("CustomerAddRs", "",
         status(3100, "Error", "The name &quot;Acme&quot; of the list element is already in use."));
  EXPECT_EQ(caught([&] { customer.add(); }),
            (Caught{kNameInUse, "The name \"Acme\" of the list element is already in use."}));
  EXPECT_EQ(customer.record(), "");
  Customer nameless(session);
  EXPECT_EQ(error_number([&] { nameless.add(); }), kInvalidArgument);
  EXPECT_EQ(transport.requests.size(), 1u);  // nothing sent without a name
}

TEST_F(ComponentsTest, CustomerLoadByNameFillsThePropertiesOrRaisesNotFound) {
  Customer customer(session);
  customer.phone = "stale";
  answer("CustomerQueryRs", kCustomerRet);
  customer.loadByName("O'Brien & Sons <West>");
  EXPECT_EQ(transport.body(),
            "<CustomerQueryRq requestID=\"1\"><FullName>O'Brien &amp; Sons &lt;West&gt;</FullName>"
            "</CustomerQueryRq>");
  EXPECT_EQ(customer.name, "O'Brien & Sons <West>");
  EXPECT_EQ(customer.salesRep, "JS");
  EXPECT_EQ(customer.phone, "555-1000");
  EXPECT_EQ(customer.balance, 15025);
  EXPECT_EQ(customer.billAddress, kAddress);
  EXPECT_EQ(customer.shipAddress, "");

  answer("CustomerQueryRs", "",
         status(1, "Info", "A query request did not find a matching object in QuickBooks"));
  EXPECT_EQ(
      caught([&] { customer.loadByName("Nobody"); }),
      (Caught{kStatusNoMatch, "A query request did not find a matching object in QuickBooks"}));
  EXPECT_EQ(customer.salesRep, "");  // the failed load left nothing of the earlier customer

  answer("CustomerQueryRs", "",
         status(500, "Warn", "The query request has not been fully completed."));
  EXPECT_EQ(error_number([&] { customer.loadByName("Nobody"); }), 500);
}

TEST_F(ComponentsTest, CustomerUpdateSendsOnlyTheChangedFieldsOfTheLoadedCustomer) {
  Customer customer(session);
  EXPECT_EQ(error_number([&] { customer.update(); }), kInvalidArgument);
  EXPECT_TRUE(transport.requests.empty());

  answer("CustomerQueryRs", kCustomerRet);
  customer.loadByName("O'Brien & Sons <West>");
  customer.salesRep = "MK";
  customer.email = "new@b.com";
  customer.companyName = "O'Brien & Daughters";
  customer.fax = "";  // still empty: nothing to send
  answer("CustomerModRs",
         "<CustomerRet><ListID>80000001-1</ListID><EditSequence>112</EditSequence><Name>x</Name>"
         "<SalesRepRef><FullName>MK</FullName></SalesRepRef></CustomerRet>");
  customer.update();
  EXPECT_EQ(transport.lastBody(),
            "<CustomerModRq requestID=\"1\"><CustomerMod><ListID>80000001-1</ListID>"
            "<EditSequence>111</EditSequence><CompanyName>O'Brien &amp; Daughters</CompanyName>"
            "<Email>new@b.com</Email><SalesRepRef><FullName>MK</FullName></SalesRepRef>"
            "</CustomerMod></CustomerModRq>");
  EXPECT_EQ(customer.editSequence, "112");
}

// ---- Vendor -------------------------------------------------------------------------------

TEST_F(ComponentsTest, VendorAddTakesTheShippingAddressByName) {
  Vendor vendor(session);
  vendor.reset();
  vendor.name = "Tools & Co";
  vendor.companyName = "Tools";
  vendor.phone = "1";
  vendor.fax = "2";
  vendor.email = "e@t.com";
  vendor.contact = "Lee";
  vendor.vendorAddress = kAddress;
  vendor.setProperty("ShippingAddress", "<Addr1>Yard</Addr1><City>Rockford</City>");
  EXPECT_EQ(error_number([&] { vendor.setProperty("Shipping", "x"); }), kNoSuchProperty);
  answer("VendorAddRs",
         "<VendorRet><ListID>V1</ListID><EditSequence>5</EditSequence><Name>Tools &amp; Co</Name>"
         "</VendorRet>");
  vendor.add();
  EXPECT_EQ(
      transport.body(),
      "<VendorAddRq requestID=\"1\"><VendorAdd><Name>Tools &amp; Co</Name>"
      "<CompanyName>Tools</CompanyName><VendorAddress><Addr1>12 Main St</Addr1>"
      "<City>Springfield</City><State>IL</State><PostalCode>62701</PostalCode></VendorAddress>"
      "<ShipAddress><Addr1>Yard</Addr1><City>Rockford</City></ShipAddress><Phone>1</Phone>"
      "<Fax>2</Fax><Email>e@t.com</Email><Contact>Lee</Contact></VendorAdd></VendorAddRq>");
  EXPECT_EQ(vendor.listId, "V1");

  answer("VendorAddRs", "", status(3100, "Error", "in use"));
  EXPECT_EQ(error_number([&] { vendor.add(); }), kNameInUse);
}

// ---- Invoice ------------------------------------------------------------------------------

TEST_F(ComponentsTest, InvoiceAddWritesHeaderAndItemRowsAsSet) {
  Invoice invoice(session);
  invoice.reset();
  invoice.customer = "O'Brien & Sons <West>";
  invoice.txnDate = to_ole_date({2026, 12, 6, 15, 30, 0});
  invoice.refNumber = "1001";
  invoice.memo = "WO Number: 1001";
  invoice.salesTaxItem = "State Tax";
  invoice.salesRep = "JS";
  invoice.billAddress = kAddress;
  invoice.poNumber = "PO-7";
  invoice.isToBePrinted = false;
  invoice.arAccount = "Accounts Receivable";
  invoice.setItemCount(5);
  invoice.item(0).item = "Shirts";
  invoice.item(0).description = "TS100 - Tee Color: Red";
  EXPECT_EQ(invoice.config("Items[0].Quantity=2.5"), "");
  invoice.item(0).rate = 12.5;
  invoice.item(0).salesTaxCode = "Tax";
  invoice.item(0).className = "East";
  invoice.item(1).description = "A remark";
  invoice.item(2).item = "Discount";
  invoice.item(2).description = "Invoice Discount";
  invoice.item(2).amount = -500;
  invoice.item(3).description = "";  // an empty row stays a line
  invoice.item(4).description = " \r\nWO Number: 1001\r\n ";
  answer("InvoiceAddRs",
         "<InvoiceRet><TxnID>T-1</TxnID><EditSequence>1</EditSequence><RefNumber>1001</RefNumber>"
         "</InvoiceRet>");
  invoice.add();
  EXPECT_EQ(
      transport.body(),
      "<InvoiceAddRq requestID=\"1\"><InvoiceAdd><CustomerRef><FullName>O'Brien &amp; Sons "
      "&lt;West&gt;</FullName></CustomerRef><ARAccountRef><FullName>Accounts Receivable</FullName>"
      "</ARAccountRef><TxnDate>2026-12-06</TxnDate><RefNumber>1001</RefNumber><BillAddress>"
      "<Addr1>12 Main St</Addr1><City>Springfield</City><State>IL</State>"
      "<PostalCode>62701</PostalCode></BillAddress><PONumber>PO-7</PONumber><SalesRepRef>"
      "<FullName>JS</FullName></SalesRepRef><ItemSalesTaxRef><FullName>State Tax</FullName>"
      "</ItemSalesTaxRef><Memo>WO Number: 1001</Memo><IsToBePrinted>false</IsToBePrinted>"
      "<InvoiceLineAdd><ItemRef><FullName>Shirts</FullName></ItemRef>"
      "<Desc>TS100 - Tee Color: Red</Desc><Quantity>2.5</Quantity><Rate>12.50</Rate><ClassRef>"
      "<FullName>East</FullName></ClassRef><SalesTaxCodeRef><FullName>Tax</FullName>"
      "</SalesTaxCodeRef></InvoiceLineAdd><InvoiceLineAdd><Desc>A remark</Desc></InvoiceLineAdd>"
      "<InvoiceLineAdd><ItemRef><FullName>Discount</FullName></ItemRef>"
      "<Desc>Invoice Discount</Desc><Amount>-5.00</Amount></InvoiceLineAdd><InvoiceLineAdd>"
      "</InvoiceLineAdd><InvoiceLineAdd><Desc> &#13;\nWO Number: 1001&#13;\n </Desc>"
      "</InvoiceLineAdd></InvoiceAdd></InvoiceAddRq>");
  EXPECT_EQ(invoice.record(),
            "<InvoiceRet><TxnID>T-1</TxnID><EditSequence>1</EditSequence>"
            "<RefNumber>1001</RefNumber></InvoiceRet>");
  EXPECT_EQ(invoice.txnId, "T-1");
}

TEST_F(ComponentsTest, InvoiceItemRowsAndConfigurationRejectWhatTheyDoNotKnow) {
  Invoice invoice(session);
  invoice.setItemCount(2);
  invoice.item(1).description = "kept";
  invoice.setItemCount(3);
  EXPECT_EQ(invoice.item(1).description, "kept");
  EXPECT_EQ(error_number([&] { invoice.item(3); }), kIndexOutOfRange);
  EXPECT_EQ(error_number([&] { invoice.item(-1); }), kIndexOutOfRange);
  for (const auto& [setting, number] : {std::pair{"Items[3].Quantity=1", kIndexOutOfRange},
                                        {"Items[x].Quantity=1", kIndexOutOfRange},
                                        {"Items[0].Rate=1", kInvalidArgument},
                                        {"Quantity=1", kInvalidArgument}})
    EXPECT_EQ(error_number([&] { invoice.config(setting); }), number) << setting;
  invoice.config("items[2].quantity=3");
  EXPECT_EQ(invoice.item(2).quantity, 3.0);
  EXPECT_EQ(error_number([&] { invoice.add(); }), kInvalidArgument);  // no customer
  invoice.reset();
  EXPECT_EQ(invoice.itemCount(), 0);
}

TEST_F(ComponentsTest, InvoiceLoadByIdAsksForTheLinesAndKeepsTheRecord) {
  const std::string ret =
      "<InvoiceRet><TxnID>T-9</TxnID><EditSequence>4</EditSequence><CustomerRef>"
      "<FullName>Acme</FullName></CustomerRef><TxnDate>2026-03-01</TxnDate>"
      "<RefNumber>77</RefNumber><BalanceRemaining>100.00</BalanceRemaining><InvoiceLineRet>"
      "<TxnLineID>1</TxnLineID><ItemRef><FullName>Shirts</FullName></ItemRef><Desc>Tee</Desc>"
      "<Quantity>2</Quantity><Rate>12.5</Rate><Amount>25.00</Amount></InvoiceLineRet></InvoiceRet>";
  Invoice invoice(session);
  answer("InvoiceQueryRs", ret);
  invoice.loadById("T-9");
  EXPECT_EQ(transport.body(),
            "<InvoiceQueryRq requestID=\"1\"><TxnID>T-9</TxnID><IncludeLineItems>"
            "true</IncludeLineItems></InvoiceQueryRq>");
  EXPECT_EQ(invoice.record(), ret);
  EXPECT_EQ(invoice.customer, "Acme");
  EXPECT_EQ(invoice.txnDate, to_ole_date({2026, 3, 1}));
  ASSERT_EQ(invoice.itemCount(), 1);
  EXPECT_EQ(invoice.item(0).rate, 12.5);
  EXPECT_EQ(invoice.item(0).amount, 2500);
  EXPECT_EQ(invoice.item(0).quantity, 2.0);

  answer("InvoiceQueryRs", "", status(1, "Info", "No match"));
  EXPECT_EQ(error_number([&] { invoice.loadById("T-404"); }), kStatusNoMatch);
  EXPECT_EQ(invoice.record(), "");
}

// ---- ReceivePayment -----------------------------------------------------------------------

TEST_F(ComponentsTest, ReceivePaymentAppliesAsListedFromTheConfiguration) {
  ReceivePayment payment(session);
  payment.reset();
  payment.applicationMode = ReceivePayment::kAsListed;
  payment.config(
      "AppliedToTransactionDetails=<AppliedToTxnAdd><TxnID>T-1</TxnID>"
      "<PaymentAmount>120.00</PaymentAmount></AppliedToTxnAdd><AppliedToTxnAdd><TxnID>T-2</TxnID>"
      "<PaymentAmount>5</PaymentAmount></AppliedToTxnAdd>");
  payment.txnDate = to_ole_date({2026, 2, 3});
  payment.customer = "Acme";
  payment.totalAmount = 12500;
  payment.paymentMethod = "Check";
  payment.depositToAccount = "Bank:Checking";
  payment.memo = "Receipt 44";
  payment.refNumber = "CHK 1234";
  answer("ReceivePaymentAddRs", "<ReceivePaymentRet><TxnID>P-1</TxnID></ReceivePaymentRet>");
  payment.add();
  EXPECT_EQ(
      transport.body(),
      "<ReceivePaymentAddRq requestID=\"1\"><ReceivePaymentAdd><CustomerRef>"
      "<FullName>Acme</FullName></CustomerRef><TxnDate>2026-02-03</TxnDate>"
      "<RefNumber>CHK 1234</RefNumber><TotalAmount>125.00</TotalAmount><PaymentMethodRef>"
      "<FullName>Check</FullName></PaymentMethodRef><Memo>Receipt 44</Memo><DepositToAccountRef>"
      "<FullName>Bank:Checking</FullName></DepositToAccountRef><AppliedToTxnAdd><TxnID>T-1</TxnID>"
      "<PaymentAmount>120.00</PaymentAmount></AppliedToTxnAdd><AppliedToTxnAdd><TxnID>T-2</TxnID>"
      "<PaymentAmount>5.00</PaymentAmount></AppliedToTxnAdd></ReceivePaymentAdd>"
      "</ReceivePaymentAddRq>");
  EXPECT_EQ(payment.record(), "<ReceivePaymentRet><TxnID>P-1</TxnID></ReceivePaymentRet>");
  EXPECT_EQ(payment.txnId, "P-1");
}

TEST_F(ComponentsTest, ReceivePaymentModesZeroAndOneWriteIsAutoApply) {
  ReceivePayment payment(session);
  payment.customer = "Acme";
  payment.totalAmount = 100;
  payment.applicationMode = ReceivePayment::kAutoApply;
  answer("ReceivePaymentAddRs", "<ReceivePaymentRet/>");
  payment.add();
  EXPECT_NE(
      transport.lastBody().find(
          "<TotalAmount>1.00</TotalAmount><IsAutoApply>true</IsAutoApply></ReceivePaymentAdd>"),
      std::string::npos);
  payment.applicationMode = ReceivePayment::kNotApplied;
  answer("ReceivePaymentAddRs", "<ReceivePaymentRet/>");
  payment.add();
  EXPECT_NE(transport.lastBody().find("<IsAutoApply>false</IsAutoApply></ReceivePaymentAdd>"),
            std::string::npos);

  payment.applicationMode = ReceivePayment::kAsListed;  // nothing listed
  EXPECT_EQ(error_number([&] { payment.add(); }), kInvalidArgument);
  for (const char* setting : {"AppliedToTransactionDetails=<AppliedToTxnAdd>"
                              "<PaymentAmount>1</PaymentAmount></AppliedToTxnAdd>",
                              "AppliedToTransactionDetails=<x", "Other=1"})
    EXPECT_EQ(error_number([&] { payment.config(setting); }), kInvalidArgument) << setting;
  EXPECT_EQ(transport.requests.size(), 2u);
}

// ---- PurchaseOrder ------------------------------------------------------------------------

TEST_F(ComponentsTest, PurchaseOrderAddWritesHeaderAndLines) {
  PurchaseOrder order(session);
  order.reset();
  order.vendor = "Tools & Co";
  order.txnDate = to_ole_date({2026, 4, 1});
  order.dueDate = to_ole_date({2026, 4, 15});
  order.refNumber = "PO500";
  order.memo = "Goods In = 0 (VT Status as at 4/1/2026 09:00";
  order.shipAddress = kAddress;
  order.isToBePrinted = true;
  order.setItemCount(2);
  order.item(0).item = "Shirts";
  order.item(0).description = "TS100 - Tee";
  order.item(0).rate = 3.99;
  order.item(0).quantity = 12;
  order.item(1).description = "-      WO# 7   X 12          Acme (Tees)";
  answer("PurchaseOrderAddRs",
         "<PurchaseOrderRet><TxnID>PO-T1</TxnID><EditSequence>1</EditSequence>"
         "<RefNumber>PO500</RefNumber></PurchaseOrderRet>");
  order.add();
  EXPECT_EQ(
      transport.body(),
      "<PurchaseOrderAddRq requestID=\"1\"><PurchaseOrderAdd><VendorRef>"
      "<FullName>Tools &amp; Co</FullName></VendorRef><TxnDate>2026-04-01</TxnDate>"
      "<RefNumber>PO500</RefNumber><ShipAddress><Addr1>12 Main St</Addr1><City>Springfield</City>"
      "<State>IL</State><PostalCode>62701</PostalCode></ShipAddress><DueDate>2026-04-15</DueDate>"
      "<Memo>Goods In = 0 (VT Status as at 4/1/2026 09:00</Memo><IsToBePrinted>true</IsToBePrinted>"
      "<PurchaseOrderLineAdd><ItemRef><FullName>Shirts</FullName></ItemRef><Desc>TS100 - Tee</Desc>"
      "<Quantity>12</Quantity><Rate>3.99</Rate></PurchaseOrderLineAdd><PurchaseOrderLineAdd>"
      "<Desc>-      WO# 7   X 12          Acme (Tees)</Desc></PurchaseOrderLineAdd>"
      "</PurchaseOrderAdd></PurchaseOrderAddRq>");
  EXPECT_EQ(order.record(),
            "<PurchaseOrderRet><TxnID>PO-T1</TxnID><EditSequence>1</EditSequence>"
            "<RefNumber>PO500</RefNumber></PurchaseOrderRet>");
}

TEST_F(ComponentsTest, PurchaseOrderUpdateChangesOnlyTheMemoOfTheLoadedOrder) {
  PurchaseOrder order(session);
  EXPECT_EQ(error_number([&] { order.update(); }), kInvalidArgument);
  answer("PurchaseOrderQueryRs",
         "<PurchaseOrderRet><TxnID>PO-T1</TxnID><EditSequence>3</EditSequence><VendorRef>"
         "<FullName>Tools</FullName></VendorRef><TxnDate>2026-04-01</TxnDate>"
         "<RefNumber>PO500</RefNumber><Memo>old</Memo><IsToBePrinted>true</IsToBePrinted>"
         "<PurchaseOrderLineRet><ItemRef><FullName>Shirts</FullName></ItemRef>"
         "<Quantity>12</Quantity></PurchaseOrderLineRet></PurchaseOrderRet>");
  order.loadById("PO-T1");
  EXPECT_EQ(transport.body(),
            "<PurchaseOrderQueryRq requestID=\"1\"><TxnID>PO-T1</TxnID>"
            "<IncludeLineItems>true</IncludeLineItems></PurchaseOrderQueryRq>");
  EXPECT_EQ(order.vendor, "Tools");
  EXPECT_EQ(order.itemCount(), 1);
  order.memo = "Goods In: 5 (VT Status as at 4/2/2026 10:00";
  answer("PurchaseOrderModRs",
         "<PurchaseOrderRet><TxnID>PO-T1</TxnID><EditSequence>4</EditSequence></PurchaseOrderRet>");
  order.update();
  EXPECT_EQ(transport.lastBody(),
            "<PurchaseOrderModRq requestID=\"1\"><PurchaseOrderMod><TxnID>PO-T1</TxnID>"
            "<EditSequence>3</EditSequence><Memo>Goods In: 5 (VT Status as at 4/2/2026 10:00</Memo>"
            "</PurchaseOrderMod></PurchaseOrderModRq>");
  EXPECT_EQ(order.editSequence, "4");
}

// ---- Item, Account, Employee, QBLists, Address --------------------------------------------

TEST_F(ComponentsTest, ItemLoadByNameReadsTheItemTypeFromTheRecord) {
  Item item(session);
  answer("ItemQueryRs",
         "<ItemDiscountRet><ListID>D1</ListID><Name>Disc</Name><FullName>Setup:Disc</FullName>"
         "<IsActive>true</IsActive></ItemDiscountRet>");
  item.loadByName("Setup:Disc");
  EXPECT_EQ(transport.body(),
            "<ItemQueryRq requestID=\"1\"><FullName>Setup:Disc</FullName></ItemQueryRq>");
  EXPECT_EQ(item.itemType, 5);  // discount
  EXPECT_EQ(item.fullName, "Setup:Disc");
  const struct {
    const char* tag;
    int type;
  } types[] = {{"ItemServiceRet", 1},        {"ItemInventoryRet", 2}, {"ItemOtherChargeRet", 3},
               {"ItemSalesTaxRet", 6},       {"ItemSubtotalRet", 7},  {"ItemNonInventoryRet", 8},
               {"ItemSalesTaxGroupRet", 11}, {"ItemGroupRet", 12}};
  for (const auto& t : types) {
    EXPECT_EQ(item_type_of(t.tag), t.type) << t.tag;
    EXPECT_EQ(item_record_tag(t.type), t.tag);
  }
  EXPECT_EQ(item_type_of("CustomerRet"), 0);
  item.reset();
  EXPECT_EQ(item.itemType, 0);
}

TEST_F(ComponentsTest, EmployeeAndAccountLoadByFullName) {
  Employee employee(session);
  answer("EmployeeQueryRs", "", status(1, "Info", "not found"));
  EXPECT_EQ(error_number([&] { employee.loadByName("Ann Lee"); }), kStatusNoMatch);
  EXPECT_EQ(transport.body(),
            "<EmployeeQueryRq requestID=\"1\"><FullName>Ann Lee</FullName></EmployeeQueryRq>");
  Account account(session);
  answer("AccountQueryRs",
         "<AccountRet><ListID>A1</ListID><Name>Checking</Name><FullName>Bank:Checking</FullName>"
         "<AccountType>Bank</AccountType></AccountRet>");
  account.loadByName("Bank:Checking");
  EXPECT_EQ(transport.lastBody(),
            "<AccountQueryRq requestID=\"1\"><FullName>Bank:Checking</FullName></AccountQueryRq>");
  EXPECT_EQ(account.accountType, "Bank");
}

TEST_F(ComponentsTest, QBListsAddsClassesAndCustomerTypesUnderTheirParent) {
  QBLists lists(session);
  lists.listKind = QBLists::kClass;
  lists.name = "East & West";
  answer("ClassAddRs",
         "<ClassRet><ListID>C1</ListID><FullName>East &amp; West</FullName></ClassRet>");
  lists.add();
  EXPECT_EQ(
      transport.body(),
      "<ClassAddRq requestID=\"1\"><ClassAdd><Name>East &amp; West</Name></ClassAdd></ClassAddRq>");
  EXPECT_EQ(lists.fullName, "East & West");

  lists.reset();
  lists.listKind = QBLists::kCustomerType;
  lists.name = "Retail:Shops";
  answer("CustomerTypeAddRs", "<CustomerTypeRet/>");
  lists.add();
  EXPECT_EQ(transport.lastBody(),
            "<CustomerTypeAddRq requestID=\"1\"><CustomerTypeAdd><Name>Shops</Name><ParentRef>"
            "<FullName>Retail</FullName></ParentRef></CustomerTypeAdd></CustomerTypeAddRq>");

  answer("CustomerTypeAddRs", "", status(3100, "Error", "used"));
  EXPECT_EQ(error_number([&] { lists.add(); }), kNameInUse);
  lists.listKind = 3;
  EXPECT_EQ(error_number([&] { lists.add(); }), kInvalidArgument);
}

TEST(AddressComponent, GivesAndTakesTheAggregate) {
  Address address;
  address.addr1 = "Smith & Co";
  address.addr2 = "Suite <4>";
  address.addr3 = "c";
  address.addr4 = "d";
  address.city = "Toronto";
  address.state = "ON";
  address.postalCode = "M5V 1J1";
  address.country = "Canada";
  const std::string aggregate = address.aggregate();
  EXPECT_EQ(aggregate,
            "<Addr1>Smith &amp; Co</Addr1><Addr2>Suite &lt;4&gt;</Addr2><Addr3>c</Addr3>"
            "<Addr4>d</Addr4><City>Toronto</City><State>ON</State><PostalCode>M5V 1J1</PostalCode>"
            "<Country>Canada</Country>");
  Address copy;
  copy.setAggregate(aggregate);
  EXPECT_EQ(copy.aggregate(), aggregate);
  EXPECT_EQ(copy.addr2, "Suite <4>");
  copy.reset();
  EXPECT_EQ(copy.aggregate(), Address().aggregate());
}

// ---- ObjSearch ----------------------------------------------------------------------------

TEST_F(ComponentsTest, SearchOfInvoicesByReferenceNumber) {
  ObjSearch search(session);
  search.reset();
  search.queryKind = ObjSearch::kInvoices;
  search.refNumber = "1001";
  answer("InvoiceQueryRs",
         "<InvoiceRet><TxnID>A</TxnID><Subtotal>10.00</Subtotal></InvoiceRet><InvoiceRet>"
         "<TxnID>B</TxnID><Subtotal>12.00</Subtotal></InvoiceRet>");
  search.run();
  EXPECT_EQ(transport.body(),
            "<InvoiceQueryRq requestID=\"1\"><RefNumber>1001</RefNumber></InvoiceQueryRq>");
  ASSERT_EQ(search.resultCount(), 2);
  EXPECT_EQ(search.result(1),
            "<InvoiceRet><TxnID>B</TxnID><Subtotal>12.00</Subtotal></InvoiceRet>");
  EXPECT_EQ(search.remaining(), 0);
  EXPECT_EQ(error_number([&] { search.result(2); }), kIndexOutOfRange);

  answer("InvoiceQueryRs", "", status(1, "Info", "No match"));
  search.run();
  EXPECT_EQ(search.resultCount(), 0);  // nothing found is no error
}

TEST_F(ComponentsTest, SearchOfPaymentsFiltersByCustomerAndWholeAmountHere) {
  ObjSearch search(session);
  search.queryKind = ObjSearch::kReceivedPayments;
  search.amount = 125;
  search.entityName = "O'Brien & Sons";
  answer("ReceivePaymentQueryRs",
         "<ReceivePaymentRet><TxnID>1</TxnID><TotalAmount>125.00</TotalAmount></ReceivePaymentRet>"
         "<ReceivePaymentRet><TxnID>2</TxnID><TotalAmount>125.99</TotalAmount></ReceivePaymentRet>"
         "<ReceivePaymentRet><TxnID>3</TxnID><TotalAmount>126.00</TotalAmount></ReceivePaymentRet>"
         "<ReceivePaymentRet><TxnID>4</TxnID><TotalAmount>124.50</TotalAmount></ReceivePaymentRet>"
         "<ReceivePaymentRet><TxnID>5</TxnID><TotalAmount>12.50</TotalAmount></ReceivePaymentRet>"
         "<ReceivePaymentRet><TxnID>6</TxnID></ReceivePaymentRet>");
  search.run();
  EXPECT_EQ(transport.body(),
            "<ReceivePaymentQueryRq requestID=\"1\"><EntityFilter>"
            "<FullName>O'Brien &amp; Sons</FullName></EntityFilter></ReceivePaymentQueryRq>");
  ASSERT_EQ(search.resultCount(), 3);
  EXPECT_NE(search.result(0).find("<TxnID>1</TxnID>"), std::string::npos);
  EXPECT_NE(search.result(1).find("<TxnID>2</TxnID>"), std::string::npos);
  EXPECT_NE(search.result(2).find("<TxnID>4</TxnID>"), std::string::npos);

  search.refNumber = "R1";  // with a name filter the reference becomes a range of one
  answer("ReceivePaymentQueryRs");
  search.run();
  EXPECT_EQ(
      transport.lastBody(),
      "<ReceivePaymentQueryRq requestID=\"1\"><EntityFilter><FullName>O'Brien &amp; Sons</FullName>"
      "</EntityFilter><RefNumberRangeFilter><FromRefNumber>R1</FromRefNumber>"
      "<ToRefNumber>R1</ToRefNumber></RefNumberRangeFilter></ReceivePaymentQueryRq>");
}

TEST_F(ComponentsTest, SearchPagesThroughTheIterator) {
  ObjSearch search(session);
  search.settings.qbxmlVersion = "5.0";
  search.queryKind = ObjSearch::kCustomers;
  search.activeStatus = 3;
  search.pageSize = 2;
  answer("CustomerQueryRs",
         "<CustomerRet><Name>A</Name></CustomerRet><CustomerRet><Name>B</Name></CustomerRet>",
         status(0, "Info", "Status OK") + " iteratorRemainingCount=\"1\" iteratorID=\"{it-1}\"");
  search.run();
  EXPECT_NE(transport.requests[0].find("<?qbxml version=\"5.0\"?>"), std::string::npos);
  EXPECT_EQ(transport.body(0),
            "<CustomerQueryRq requestID=\"1\" iterator=\"Start\"><MaxReturned>2</MaxReturned>"
            "<ActiveStatus>All</ActiveStatus></CustomerQueryRq>");
  EXPECT_EQ(search.resultCount(), 2);
  EXPECT_EQ(search.remaining(), 1);

  answer("CustomerQueryRs", "<CustomerRet><Name>C</Name></CustomerRet>",
         status(0, "Info", "Status OK") + " iteratorRemainingCount=\"0\" iteratorID=\"{it-1}\"");
  search.nextPage();
  EXPECT_EQ(transport.body(1),
            "<CustomerQueryRq requestID=\"1\" iterator=\"Continue\" iteratorID=\"{it-1}\">"
            "<MaxReturned>2</MaxReturned><ActiveStatus>All</ActiveStatus></CustomerQueryRq>");
  ASSERT_EQ(search.resultCount(), 1);
  EXPECT_EQ(search.result(0), "<CustomerRet><Name>C</Name></CustomerRet>");
  EXPECT_EQ(search.remaining(), 0);
  EXPECT_EQ(error_number([&] { search.nextPage(); }), kInvalidArgument);
  EXPECT_EQ(transport.requests.size(), 2u);
}

TEST_F(ComponentsTest, SearchPagesOnlyWhereTheQueryHasAnIterator) {
  ObjSearch search(session);
  const struct {
    int kind;
    int itemType;
    const char* list;
    const char* body;
  } cases[] = {
      {ObjSearch::kClasses, 0, "", "<ClassQueryRq requestID=\"1\"></ClassQueryRq>"},
      {ObjSearch::kNamedList, 0, "DateDrivenTerms",
       "<DateDrivenTermsQueryRq requestID=\"1\"></DateDrivenTermsQueryRq>"},
      {ObjSearch::kItems, 11, "",
       "<ItemSalesTaxGroupQueryRq requestID=\"1\" iterator=\"Start\"><MaxReturned>5</MaxReturned>"
       "</ItemSalesTaxGroupQueryRq>"},
  };
  for (const auto& c : cases) {
    search.reset();
    search.queryKind = c.kind;
    search.itemType = c.itemType;
    search.listName = c.list;
    search.pageSize = 5;
    const std::string body = c.body;
    const std::string rq = body.substr(1, body.find(' ') - 1);
    answer(rq.substr(0, rq.size() - 2) + "Rs", "<XRet/>");
    search.run();
    EXPECT_EQ(transport.lastBody(), c.body);
    EXPECT_EQ(search.resultCount(), 1);
  }

  search.reset();
  search.queryKind = ObjSearch::kItems;
  search.itemType = ObjSearch::kItems;  // no such item type
  EXPECT_EQ(error_number([&] { search.run(); }), kInvalidArgument);
  search.reset();
  search.queryKind = ObjSearch::kNamedList;
  search.listName = "Terms";
  EXPECT_EQ(error_number([&] { search.run(); }), kInvalidArgument);
  search.reset();
  search.queryKind = ObjSearch::kCustomers;
  search.refNumber = "1";
  EXPECT_EQ(error_number([&] { search.run(); }), kInvalidArgument);
  search.reset();
  EXPECT_EQ(error_number([&] { search.run(); }), kInvalidArgument);
}

TEST_F(ComponentsTest, SearchOpensAndClosesTheConnectionThroughTheTransport) {
  ObjSearch search(session);
  search.settings.connectionString = "ApplicationName='Vantora'";
  search.openConnection();
  search.closeConnection();
  EXPECT_EQ(transport.opened, std::vector<std::string>{"ApplicationName='Vantora'"});
  EXPECT_EQ(transport.closed, 1);
}

// ---- Transport failures --------------------------------------------------------------------

TEST_F(ComponentsTest, AnUnreachableQuickBooksPassesThroughUnchanged) {
  transport.unreachable = true;
  Customer customer(session);
  EXPECT_EQ(caught([&] { customer.loadByName("Acme"); }),
            (Caught{kNotReachable, kNotReachableText}));
  ObjSearch search(session);
  EXPECT_EQ(error_number([&] { search.openConnection(); }), kNotReachable);
  search.queryKind = ObjSearch::kClasses;
  EXPECT_EQ(error_number([&] { search.run(); }), kNotReachable);
}

TEST_F(ComponentsTest, AMalformedAnswerToAnAddIsReportedAsSuch) {
  Customer customer(session);
  customer.name = "Acme";
  transport.responses.push_back("<html>QuickBooks</html>");
  EXPECT_EQ(error_number([&] { customer.add(); }), kMalformedResponse);
  answer("CustomerAddRs");  // success without a record
  EXPECT_EQ(error_number([&] { customer.add(); }), kMalformedResponse);
  answer("InvoiceAddRs", "<InvoiceRet/>");  // wrong answer
  EXPECT_EQ(error_number([&] { customer.add(); }), kMalformedResponse);
}

}  // namespace
}  // namespace vqb::qb
