// Invoices, received payments and purchase orders in the simulated QuickBooks company: amounts,
// tax, balances, applied payments, reference numbers and the checks QuickBooks makes.

#include <gtest/gtest.h>

#include <memory>
#include <pugixml.hpp>
#include <set>

#include "quickbooks/sim/simulated_company.h"
#include "quickbooks/sim_reply.h"
#include "support/temp_dir.h"

namespace vqb::qb::sim {
namespace {

using simtest::reply;
using simtest::Reply;
using simtest::request;
using simtest::send;

std::vector<std::string> column(pugi::xml_node ret, const char* lineTag, const char* field) {
  std::vector<std::string> values;
  for (pugi::xml_node line : ret.children(lineTag)) values.push_back(line.child_value(field));
  return values;
}

class SimTransactionsTest : public ::testing::Test {
 protected:
  SimTransactionsTest() {
    company.addVendor("Tax Agency",
                      {{"VendorAddress/Addr1", "1 Tax Rd"}, {"VendorAddress/City", "Albany"}});
    company.addSalesTaxItem("City", "1.5", "Tax Agency");
    company.addSalesTaxItem("State", "6.25", "Tax Agency");
    company.addSalesTaxGroup("Combined", {"City", "State"});
    company.addSalesTaxCode("Tax", true);
    company.addSalesTaxCode("Non", false);
    company.addAccount("Accounts Receivable", "AccountsReceivable");
    company.addItem(
        Kind::ItemService, "Labour", "45.00",
        {{"SalesOrPurchase/Desc", "Labour hours"}, {"SalesTaxCodeRef/FullName", "Tax"}});
    company.addItem(Kind::ItemService, "Consulting");
    company.addItem(Kind::ItemNonInventory, "Shirt", "",
                    {{"SalesAndPurchase/SalesDesc", "Cotton shirt"},
                     {"SalesAndPurchase/SalesPrice", "12.50"},
                     {"SalesAndPurchase/PurchaseDesc", "Shirt, bulk"},
                     {"SalesAndPurchase/PurchaseCost", "6.00"},
                     {"SalesTaxCodeRef/FullName", "Tax"}});
    company.addDiscountItem("Discount 10%", "10");
    company.addSubtotalItem("Subtotal");
    company.addStandardTerms("Net 30", 30);
    company.addDateDrivenTerms("15th", 15, {{"DueNextMonthDays", "5"}});
    company.addCustomer("Acme", {{"ItemSalesTaxRef/FullName", "State"},
                                 {"TermsRef/FullName", "Net 30"},
                                 {"BillAddress/Addr1", "9 Elm St"}});
    company.addCustomer("Bolt");
    company.addCustomer(
        "Exempt", {{"SalesTaxCodeRef/FullName", "Non"}, {"ItemSalesTaxRef/FullName", "State"}});
  }

  // Sends an InvoiceAddRq, a ReceivePaymentAddRq or a PurchaseOrderAddRq for the named customer
  // or vendor with the given inner elements.
  Reply addInvoice(const std::string& customer, const std::string& inner) {
    return send(company, "<InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>" + customer +
                             "</FullName></CustomerRef>" + inner + "</InvoiceAdd></InvoiceAddRq>");
  }
  Reply addPayment(const std::string& customer, const std::string& inner) {
    return send(company, "<ReceivePaymentAddRq><ReceivePaymentAdd><CustomerRef><FullName>" +
                             customer + "</FullName></CustomerRef>" + inner +
                             "</ReceivePaymentAdd></ReceivePaymentAddRq>");
  }
  Reply addOrder(const std::string& inner, const std::string& vendor = "Tax Agency") {
    return send(company, "<PurchaseOrderAddRq><PurchaseOrderAdd><VendorRef><FullName>" + vendor +
                             "</FullName></VendorRef>" + inner +
                             "</PurchaseOrderAdd></PurchaseOrderAddRq>");
  }
  // Adds an invoice; returns its InvoiceRet (status checked).
  Reply invoice(const std::string& customer, const std::string& fields, const std::string& lines) {
    Reply rs = addInvoice(customer, fields + lines);
    EXPECT_EQ(rs.code(), 0) << rs.message();
    return rs;
  }

  std::string balance(const std::string& customer) {
    return company.findByName(Kind::Customer, customer)->value("Balance");
  }

  test::TempDir dir;
  SimulatedCompany company = SimulatedCompany::create(dir.file("company.xml"), "Test Co");
};

const std::string kLabourLine = "<InvoiceLineAdd><ItemRef><FullName>Labour</FullName></ItemRef>";
const std::string kConsultingLine =
    "<InvoiceLineAdd><ItemRef><FullName>Consulting</FullName></ItemRef>";

std::string total(const std::string& amount) {
  return "<TotalAmount>" + amount + "</TotalAmount>";
}
std::string applied(const std::string& txn, const std::string& amount) {
  return "<AppliedToTxnAdd><TxnID>" + txn + "</TxnID><PaymentAmount>" + amount +
         "</PaymentAmount></AppliedToTxnAdd>";
}
const std::string kAutoApply = "<IsAutoApply>true</IsAutoApply>";

// ---------------------------------------------------------------------------------------------
// Invoices

TEST_F(SimTransactionsTest, InvoiceAmountsTaxAndBalances) {
  Reply rs =
      invoice("Acme", "<TxnDate>2026-01-15</TxnDate><RefNumber>INV-1</RefNumber>",
              kLabourLine + "<Quantity>3</Quantity><Rate>10.333</Rate></InvoiceLineAdd>" +
                  kConsultingLine + "<Amount>100.00</Amount></InvoiceLineAdd>" + kConsultingLine +
                  "<Quantity>1</Quantity><Rate>0.005</Rate></InvoiceLineAdd>");
  pugi::xml_node ret = rs.ret();
  EXPECT_EQ(column(ret, "InvoiceLineRet", "Amount"),
            (std::vector<std::string>{"31.00", "100.00", "0.01"}));
  EXPECT_EQ(rs.field("Subtotal"), "131.01");
  EXPECT_EQ(rs.field("ItemSalesTaxRef/FullName"), "State");  // from the customer
  EXPECT_EQ(rs.field("SalesTaxPercentage"), "6.25");
  EXPECT_EQ(rs.field("SalesTaxTotal"), "1.94");  // 6.25 % of the taxable 31.00 = 1.9375
  EXPECT_EQ(rs.field("AppliedAmount"), "0.00");
  EXPECT_EQ(rs.field("BalanceRemaining"), "132.95");
  EXPECT_EQ(rs.field("IsPaid"), "false");
  EXPECT_EQ(rs.field("DueDate"), "2026-02-14");  // Net 30
  EXPECT_EQ(rs.field("BillAddress/Addr1"), "9 Elm St");
  EXPECT_EQ(rs.field("ARAccountRef/FullName"), "Accounts Receivable");
  EXPECT_EQ(rs.field("InvoiceLineRet/Desc"), "Labour hours");
  EXPECT_EQ(rs.field("InvoiceLineRet/SalesTaxCodeRef/FullName"), "Tax");
  EXPECT_EQ(balance("Acme"), "132.95");

  invoice("Acme", "", kConsultingLine + "<Amount>10.00</Amount></InvoiceLineAdd>");
  EXPECT_EQ(balance("Acme"), "142.95");
  EXPECT_EQ(company.findByName(Kind::Customer, "Acme")->value("TotalBalance"), "142.95");
  EXPECT_EQ(balance("Bolt"), "0.00");
}

TEST_F(SimTransactionsTest, TaxGroupRateIsTheSumOfItsMembers) {
  Reply rs = invoice("Bolt", "<ItemSalesTaxRef><FullName>Combined</FullName></ItemSalesTaxRef>",
                     kLabourLine + "<Quantity>2</Quantity><Rate>100</Rate></InvoiceLineAdd>" +
                         kLabourLine +
                         "<Amount>50.00</Amount><SalesTaxCodeRef><FullName>Non</FullName></"
                         "SalesTaxCodeRef></InvoiceLineAdd>");
  EXPECT_EQ(rs.field("SalesTaxPercentage"), "7.75");
  EXPECT_EQ(rs.field("SalesTaxTotal"), "15.50");
  EXPECT_EQ(rs.field("BalanceRemaining"), "265.50");
}

TEST_F(SimTransactionsTest, ANonTaxableCustomerPaysNoTax) {
  Reply rs = invoice("Exempt", "", kLabourLine + "<Quantity>1</Quantity></InvoiceLineAdd>");
  EXPECT_EQ(rs.field("Subtotal"), "45.00");
  EXPECT_EQ(rs.field("SalesTaxTotal"), "0.00");
  EXPECT_EQ(rs.field("CustomerSalesTaxCodeRef/FullName"), "Non");
  EXPECT_EQ(rs.field("BalanceRemaining"), "45.00");
}

TEST_F(SimTransactionsTest, ItemPricesSubtotalsDiscountsAndTextLines) {
  Reply rs = invoice(
      "Bolt", "",
      "<InvoiceLineAdd><ItemRef><FullName>Shirt</FullName></ItemRef><Quantity>2</Quantity></"
      "InvoiceLineAdd>" +
          kLabourLine +
          "</InvoiceLineAdd>"
          "<InvoiceLineAdd><ItemRef><FullName>Subtotal</FullName></ItemRef></InvoiceLineAdd>"
          "<InvoiceLineAdd><ItemRef><FullName>Discount 10%</FullName></ItemRef></InvoiceLineAdd>"
          "<InvoiceLineAdd><Desc>Thank you for your order</Desc></InvoiceLineAdd>");
  pugi::xml_node ret = rs.ret();
  EXPECT_EQ(column(ret, "InvoiceLineRet", "Amount"),
            (std::vector<std::string>{"25.00", "45.00", "70.00", "-7.00", ""}));
  EXPECT_EQ(column(ret, "InvoiceLineRet", "Rate"),
            (std::vector<std::string>{"12.50", "45.00", "", "", ""}));
  EXPECT_EQ(column(ret, "InvoiceLineRet", "RatePercent"),
            (std::vector<std::string>{"", "", "", "10.00", ""}));
  EXPECT_EQ(column(ret, "InvoiceLineRet", "Desc"),
            (std::vector<std::string>{"Cotton shirt", "Labour hours", "", "",
                                      "Thank you for your order"}));
  EXPECT_EQ(rs.field("Subtotal"), "63.00");
  std::set<std::string> lineIds;
  for (const std::string& id : column(ret, "InvoiceLineRet", "TxnLineID")) lineIds.insert(id);
  EXPECT_EQ(lineIds.size(), 5u);
}

TEST_F(SimTransactionsTest, BlankLinesAreKeptWithoutAnAmount) {
  Reply rs = invoice(
      "Bolt", "",
      kConsultingLine + "<Amount>8.00</Amount></InvoiceLineAdd><InvoiceLineAdd></InvoiceLineAdd>");
  std::vector<std::string> children;
  for (pugi::xml_node child :
       rs.ret().child("InvoiceLineRet").next_sibling("InvoiceLineRet").children())
    children.push_back(child.name());
  EXPECT_EQ(children, (std::vector<std::string>{"TxnLineID"}));
  EXPECT_EQ(rs.field("Subtotal"), "8.00");
  Reply order = addOrder("<PurchaseOrderLineAdd></PurchaseOrderLineAdd>");
  EXPECT_EQ(order.field("TotalAmount"), "0.00");
  EXPECT_EQ(column(order.ret(), "PurchaseOrderLineRet", "Amount"), (std::vector<std::string>{""}));
}

TEST_F(SimTransactionsTest, ReferenceNumbersAreAssignedAfterTheLargestNumericOne) {
  const std::string line = kConsultingLine + "<Amount>1</Amount></InvoiceLineAdd>";
  EXPECT_EQ(invoice("Bolt", "", line).field("RefNumber"), "1");
  for (const std::string ref : {"1005", "INV-99999", "12"})
    invoice("Bolt", "<RefNumber>" + ref + "</RefNumber>", line);
  EXPECT_EQ(invoice("Bolt", "", line).field("RefNumber"), "1006");
  // Purchase orders count on their own.
  EXPECT_EQ(addOrder("").field("RefNumber"), "1");
  // And survive a reload.
  SimulatedCompany reloaded(dir.file("company.xml"));
  EXPECT_EQ(send(reloaded,
                 "<InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>Bolt</FullName></CustomerRef>"
                 "</InvoiceAdd></InvoiceAddRq>")
                .field("RefNumber"),
            "1007");
}

TEST_F(SimTransactionsTest, InvoiceFieldLengths) {
  Reply ref = addInvoice("Bolt", "<RefNumber>123456789012</RefNumber>");
  EXPECT_EQ(ref.code(), 3070);
  EXPECT_EQ(ref.message(), "The string \"123456789012\" in the field \"RefNumber\" is too long.");
  EXPECT_EQ(addInvoice("Bolt", "<PONumber>" + std::string(26, '7') + "</PONumber>").code(), 3070);
  EXPECT_EQ(addInvoice("Bolt", "<RefNumber>12345678901</RefNumber><PONumber>" +
                                   std::string(25, '7') + "</PONumber>")
                .code(),
            0);
  Reply amount = addInvoice("Bolt", kConsultingLine + "<Amount>12,50</Amount></InvoiceLineAdd>");
  EXPECT_EQ(amount.code(), 3040);
  EXPECT_EQ(amount.message(),
            "There was an error when converting the amount \"12,50\" in the field \"Amount\".");
  EXPECT_EQ(company.list(Kind::Invoice).size(), 1u);
}

TEST_F(SimTransactionsTest, InvoiceReferencesMustExistAndBeActive) {
  Reply customer = addInvoice("Nobody", "");
  EXPECT_EQ(customer.code(), 3140);
  EXPECT_EQ(customer.message(),
            "There is an invalid reference to QuickBooks Customer \"Nobody\" in the Invoice. "
            "QuickBooks error message: Invalid argument. The specified record does not exist in "
            "the list.");
  company.setActive(company.findByName(Kind::ItemService, "Consulting")->id, false);
  Reply item = addInvoice("Bolt", kConsultingLine + "<Amount>5</Amount></InvoiceLineAdd>");
  EXPECT_EQ(item.code(), 3140);
  EXPECT_EQ(item.message(),
            "There is an invalid reference to QuickBooks Item \"Consulting\" in the Invoice. "
            "QuickBooks error message: The specified record is inactive.");
  EXPECT_EQ(addInvoice("Bolt", "<ClassRef><FullName>West</FullName></ClassRef>").code(), 3140);
  EXPECT_TRUE(company.list(Kind::Invoice).empty());
  EXPECT_EQ(balance("Bolt"), "0.00");
}

TEST_F(SimTransactionsTest, DueDatesFollowTheTerms) {
  auto due = [&](const std::string& date, const std::string& terms) {
    return invoice("Bolt",
                   "<TxnDate>" + date + "</TxnDate><TermsRef><FullName>" + terms +
                       "</FullName></TermsRef>",
                   "")
        .field("DueDate");
  };
  EXPECT_EQ(due("2026-01-15", "Net 30"), "2026-02-14");
  EXPECT_EQ(due("2026-01-20", "15th"), "2026-02-15");
  EXPECT_EQ(due("2026-01-08", "15th"), "2026-01-15");
  EXPECT_EQ(due("2026-01-12", "15th"), "2026-02-15");  // within 5 days of the 15th
  EXPECT_EQ(due("2026-12-31", "Net 30"), "2027-01-30");
}

TEST_F(SimTransactionsTest, TransactionXmlReadsTheInvoiceBack) {
  std::string id = invoice("Bolt", "<Memo>O'Brien &amp; Sons</Memo>",
                           kConsultingLine + "<Amount>5</Amount></InvoiceLineAdd>")
                       .field("TxnID");
  std::string xml = company.transactionXml(id);
  EXPECT_EQ(xml.rfind("<InvoiceRet><TxnID>" + id + "</TxnID>", 0), 0u) << xml;
  EXPECT_NE(xml.find("<Memo>O'Brien &amp; Sons</Memo>"), std::string::npos);
  EXPECT_EQ(company.list(Kind::Invoice).at(0).name, "1");
  EXPECT_EQ(company.find(id)->value("InvoiceLineRet/Amount"), "5.00");
}

// ---------------------------------------------------------------------------------------------
// Received payments

TEST_F(SimTransactionsTest, AppliedPaymentsReduceInvoiceAndCustomerBalances) {
  std::string txn =
      invoice("Bolt", "", kConsultingLine + "<Amount>100.00</Amount></InvoiceLineAdd>")
          .field("TxnID");
  Reply payment =
      addPayment("Bolt", "<TxnDate>2026-02-01</TxnDate><RefNumber>CHK 1001</RefNumber>" +
                             total("60.00") + applied(txn, "60.00"));
  ASSERT_EQ(payment.code(), 0) << payment.message();
  EXPECT_EQ(payment.field("TotalAmount"), "60.00");
  EXPECT_EQ(payment.field("UnusedPayment"), "0.00");
  EXPECT_EQ(payment.field("AppliedToTxnRet/TxnID"), txn);
  EXPECT_EQ(payment.field("AppliedToTxnRet/TxnType"), "Invoice");
  EXPECT_EQ(payment.field("AppliedToTxnRet/Amount"), "60.00");
  EXPECT_EQ(payment.field("AppliedToTxnRet/BalanceRemaining"), "40.00");
  std::optional<Entry> after = company.find(txn);
  EXPECT_EQ(after->value("BalanceRemaining"), "40.00");
  EXPECT_EQ(after->value("AppliedAmount"), "-60.00");
  EXPECT_EQ(after->value("IsPaid"), "false");
  EXPECT_EQ(balance("Bolt"), "40.00");

  addPayment("Bolt", total("40.00") + applied(txn, "40.00"));
  EXPECT_EQ(company.find(txn)->value("BalanceRemaining"), "0.00");
  EXPECT_EQ(company.find(txn)->value("IsPaid"), "true");
  EXPECT_EQ(balance("Bolt"), "0.00");
}

TEST_F(SimTransactionsTest, TheUnappliedRestOfAPaymentIsUnusedAndStillCredited) {
  std::string txn =
      invoice("Bolt", "", kConsultingLine + "<Amount>100.00</Amount></InvoiceLineAdd>")
          .field("TxnID");
  EXPECT_EQ(addPayment("Bolt", total("150.00") + applied(txn, "100.00")).field("UnusedPayment"),
            "50.00");
  EXPECT_EQ(balance("Bolt"), "-50.00");
  Reply unapplied = addPayment("Bolt", total("5.00") + "<IsAutoApply>false</IsAutoApply>");
  EXPECT_EQ(unapplied.field("UnusedPayment"), "5.00");
  EXPECT_FALSE(unapplied.ret().child("AppliedToTxnRet"));
  EXPECT_EQ(balance("Bolt"), "-55.00");
}

TEST_F(SimTransactionsTest, OverApplicationIsRefusedAndChangesNothing) {
  std::string txn =
      invoice("Bolt", "", kConsultingLine + "<Amount>100.00</Amount></InvoiceLineAdd>")
          .field("TxnID");
  const struct {
    const char* customer;
    std::string inner;
    long code;
    const char* message;  // checked when given
  } cases[] = {
      {"Bolt", total("120.00") + applied(txn, "120.00"), 3210,
       "The amount 120.00 cannot be applied to invoice \"1\": its balance remaining is 100.00."},
      {"Bolt", total("100.00") + applied(txn, "60.00") + applied(txn, "60.00"), 3210, ""},
      {"Bolt", total("10.00") + applied(txn, "20.00"), 3210,
       "The amounts applied (20.00) are more than the total amount of the payment (10.00)."},
      {"Acme", total("10.00") + applied(txn, "10.00"), 3210, ""},
      {"Bolt", total("10.00") + applied("99-1", "10.00"), 3120, ""},
  };
  for (const auto& c : cases) {
    Reply rs = addPayment(c.customer, c.inner);
    EXPECT_EQ(rs.code(), c.code) << c.inner;
    if (*c.message) {
      EXPECT_EQ(rs.message(), c.message);
    }
  }
  EXPECT_EQ(company.find(txn)->value("BalanceRemaining"), "100.00");
  EXPECT_EQ(balance("Bolt"), "100.00");
  EXPECT_EQ(balance("Acme"), "0.00");
  EXPECT_TRUE(company.list(Kind::ReceivePayment).empty());
}

TEST_F(SimTransactionsTest, AutoApplyPaysTheOldestOpenInvoicesFirst) {
  auto dated = [&](const char* customer, const std::string& date, const std::string& amount) {
    return invoice(customer, "<TxnDate>" + date + "</TxnDate>",
                   kConsultingLine + "<Amount>" + amount + "</Amount></InvoiceLineAdd>")
        .field("TxnID");
  };
  const std::string march = dated("Bolt", "2026-03-01", "50");
  const std::string january = dated("Bolt", "2026-01-10", "30");
  const std::string february = dated("Bolt", "2026-02-01", "40");
  dated("Acme", "2025-01-01", "99");
  Reply payment = addPayment("Bolt", total("60.00") + kAutoApply);
  ASSERT_EQ(payment.code(), 0) << payment.message();
  EXPECT_EQ(column(payment.ret(), "AppliedToTxnRet", "TxnID"),
            (std::vector<std::string>{january, february}));
  EXPECT_EQ(column(payment.ret(), "AppliedToTxnRet", "Amount"),
            (std::vector<std::string>{"30.00", "30.00"}));
  EXPECT_EQ(payment.field("UnusedPayment"), "0.00");
  EXPECT_EQ(company.find(january)->value("IsPaid"), "true");
  EXPECT_EQ(company.find(february)->value("BalanceRemaining"), "10.00");
  EXPECT_EQ(company.find(march)->value("BalanceRemaining"), "50.00");
  EXPECT_EQ(balance("Bolt"), "60.00");
  EXPECT_EQ(balance("Acme"), "99.00");
}

TEST_F(SimTransactionsTest, PaymentChecks) {
  EXPECT_EQ(addPayment("Bolt", total("5.00")).code(), 3210);  // neither applied nor auto-applied
  auto reference = [](int length) {
    return "<RefNumber>" + std::string(length, '9') + "</RefNumber>";
  };
  EXPECT_EQ(addPayment("Bolt", reference(21) + total("5.00") + kAutoApply).code(), 3070);
  Reply method = addPayment(
      "Bolt", total("5.00") + "<PaymentMethodRef><FullName>Barter</FullName></PaymentMethodRef>" +
                  kAutoApply);
  EXPECT_EQ(method.code(), 3140);
  EXPECT_EQ(method.message(),
            "There is an invalid reference to QuickBooks Payment Method \"Barter\" in the Receive "
            "Payment. QuickBooks error message: Invalid argument. The specified record does not "
            "exist in the list.");
  Reply ok = addPayment("Bolt", reference(20) + total("5.00") + kAutoApply);
  EXPECT_EQ(ok.code(), 0) << ok.message();
  EXPECT_EQ(company.list(Kind::ReceivePayment).size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Purchase orders

TEST_F(SimTransactionsTest, PurchaseOrderLinesAndTotal) {
  Reply order = addOrder(
      "<TxnDate>2026-04-01</TxnDate><Memo>Goods In = 0</Memo>"
      "<PurchaseOrderLineAdd><ItemRef><FullName>Shirt</FullName></ItemRef><Quantity>4</Quantity></"
      "PurchaseOrderLineAdd>"
      "<PurchaseOrderLineAdd><ItemRef><FullName>Labour</FullName></ItemRef><Desc>Fitting</Desc>"
      "<Quantity>2</Quantity><Rate>10.125</Rate></PurchaseOrderLineAdd>"
      "<PurchaseOrderLineAdd><Desc>-      WO# 12</Desc></PurchaseOrderLineAdd>");
  ASSERT_EQ(order.code(), 0) << order.message();
  pugi::xml_node ret = order.ret();
  EXPECT_EQ(column(ret, "PurchaseOrderLineRet", "Amount"),
            (std::vector<std::string>{"24.00", "20.25", ""}));
  EXPECT_EQ(column(ret, "PurchaseOrderLineRet", "Rate"),
            (std::vector<std::string>{"6.00", "10.125", ""}));
  EXPECT_EQ(column(ret, "PurchaseOrderLineRet", "Desc"),
            (std::vector<std::string>{"Shirt, bulk", "Fitting", "-      WO# 12"}));
  EXPECT_EQ(order.field("TotalAmount"), "44.25");
  EXPECT_EQ(order.field("VendorAddress/City"), "Albany");
  EXPECT_EQ(order.field("IsManuallyClosed"), "false");
  EXPECT_EQ(order.field("RefNumber"), "1");
  EXPECT_EQ(company.findByName(Kind::Vendor, "Tax Agency")->value("Balance"), "0.00");

  EXPECT_EQ(addOrder("<RefNumber>PO-123456789</RefNumber>").code(), 3070);
  EXPECT_EQ(addOrder("", "Acme").code(), 3140);  // a customer is no vendor
}

TEST_F(SimTransactionsTest, PurchaseOrderModChangesMemoAndLines) {
  Reply order = addOrder(
      "<Memo>Goods In = 0</Memo>"
      "<PurchaseOrderLineAdd><ItemRef><FullName>Shirt</FullName></ItemRef><Quantity>4</Quantity></"
      "PurchaseOrderLineAdd>"
      "<PurchaseOrderLineAdd><Desc>text</Desc></PurchaseOrderLineAdd>");
  std::string txn = order.field("TxnID");
  std::string sequence = order.field("EditSequence");
  std::string firstLine = order.field("PurchaseOrderLineRet/TxnLineID");

  Reply memo = send(
      company,
      "<PurchaseOrderModRq><PurchaseOrderMod><TxnID>" + txn + "</TxnID><EditSequence>" + sequence +
          "</EditSequence><Memo>Goods In: 4</Memo></PurchaseOrderMod></PurchaseOrderModRq>");
  ASSERT_EQ(memo.code(), 0) << memo.message();
  EXPECT_EQ(memo.field("Memo"), "Goods In: 4");
  EXPECT_EQ(column(memo.ret(), "PurchaseOrderLineRet", "Amount"),
            (std::vector<std::string>{"24.00", ""}));
  EXPECT_EQ(
      send(company, "<PurchaseOrderModRq><PurchaseOrderMod><TxnID>" + txn +
                        "</TxnID><EditSequence>" + sequence +
                        "</EditSequence><Memo>x</Memo></PurchaseOrderMod></PurchaseOrderModRq>")
          .code(),
      3200);

  Reply lines = send(company, "<PurchaseOrderModRq><PurchaseOrderMod><TxnID>" + txn +
                                  "</TxnID><EditSequence>" + memo.field("EditSequence") +
                                  "</EditSequence><PurchaseOrderLineMod><TxnLineID>" + firstLine +
                                  "</TxnLineID><Quantity>5</Quantity></PurchaseOrderLineMod>"
                                  "<PurchaseOrderLineMod><TxnLineID>-1</"
                                  "TxnLineID><ItemRef><FullName>Labour</FullName></ItemRef>"
                                  "<Quantity>1</Quantity><Rate>30</Rate></PurchaseOrderLineMod></"
                                  "PurchaseOrderMod></PurchaseOrderModRq>");
  ASSERT_EQ(lines.code(), 0) << lines.message();
  EXPECT_EQ(column(lines.ret(), "PurchaseOrderLineRet", "Amount"),
            (std::vector<std::string>{"30.00", "30.00"}));
  EXPECT_EQ(lines.field("PurchaseOrderLineRet/TxnLineID"), firstLine);
  EXPECT_EQ(lines.field("TotalAmount"), "60.00");
  EXPECT_EQ(lines.field("Memo"), "Goods In: 4");

  Reply missing =
      send(company, "<PurchaseOrderModRq><PurchaseOrderMod><TxnID>" + txn +
                        "</TxnID><EditSequence>" + lines.field("EditSequence") +
                        "</EditSequence><PurchaseOrderLineMod><TxnLineID>77-1</TxnLineID>"
                        "</PurchaseOrderLineMod></PurchaseOrderMod></PurchaseOrderModRq>");
  EXPECT_EQ(missing.code(), 3120);
  EXPECT_EQ(company.find(txn)->value("TotalAmount"), "60.00");
}

}  // namespace
}  // namespace vqb::qb::sim
