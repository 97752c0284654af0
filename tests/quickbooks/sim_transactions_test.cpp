// Invoices, received payments and purchase orders in the simulated QuickBooks company: amounts,
// tax, balances, applied payments, reference numbers and the checks QuickBooks makes.

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <set>
#include <string_view>
#include <vector>

#include "quickbooks/sim/simulated_company.h"
#include "quickbooks/sim_reply.h"
#include "support/qbxml_schema.h"
#include "support/temp_dir.h"

namespace vqb::qb::sim {
namespace {

using simtest::reply;
using simtest::Reply;
using simtest::request;
using simtest::send;

using Texts = std::vector<std::string>;

Texts column(pugi::xml_node ret, const char* lineTag, const char* field) {
  Texts values;
  for (pugi::xml_node line : ret.children(lineTag)) values.push_back(line.child_value(field));
  return values;
}

// An invoice line of the item with the given elements after its ItemRef.
std::string itemLine(const std::string& item, const std::string& inner = "") {
  return "<InvoiceLineAdd><ItemRef><FullName>" + item + "</FullName></ItemRef>" + inner +
         "</InvoiceLineAdd>";
}

std::string consulting(const std::string& amount, const std::string& after = "") {
  return itemLine("Consulting", "<Amount>" + amount + "</Amount>" + after);
}
std::string taxCode(const std::string& code) {
  return "<SalesTaxCodeRef><FullName>" + code + "</FullName></SalesTaxCodeRef>";
}

std::string applied(const std::string& txn, const std::string& amount) {
  return "<AppliedToTxnAdd><TxnID>" + txn + "</TxnID><PaymentAmount>" + amount +
         "</PaymentAmount></AppliedToTxnAdd>";
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

  // Every invoice request must be one QuickBooks accepts as qbXML: checked together after the
  // suite (one xmllint run reads the schema once).
  static void TearDownTestSuite() {
    if (schemaValid.empty() || !test::haveXmllint()) return;
    test::TempDir folder;
    EXPECT_EQ(test::schemaProblems(schemaValid, folder.path().string()), "");
    schemaValid.clear();
  }

  // Sends an invoice add; its request joins the schema check unless it breaks a schema limit
  // on purpose.
  Reply addInvoice(const std::string& customer, const std::string& body, bool validXml = true) {
    std::string rq = "<InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>" + customer +
                     "</FullName></CustomerRef>" + body + "</InvoiceAdd></InvoiceAddRq>";
    if (validXml) schemaValid.push_back(request(rq));
    return send(company, rq);
  }

  // Adds an invoice; returns its InvoiceRet (status checked).
  Reply invoice(const std::string& customer, const std::string& fields, const std::string& lines) {
    Reply rs = addInvoice(customer, fields + lines);
    EXPECT_EQ(rs.code(), 0) << rs.message();
    return rs;
  }

  void setActive(Kind kind, const std::string& name, bool active) {
    company.setActive(company.findByName(kind, name)->id, active);
  }

  std::string balance(const std::string& customer) {
    return company.findByName(Kind::Customer, customer)->value("Balance");
  }

  // A received payment from the customer; body follows the CustomerRef.
  Reply pay(const std::string& customer, const std::string& body) {
    return send(company, "<ReceivePaymentAddRq><ReceivePaymentAdd><CustomerRef><FullName>" +
                             customer + "</FullName></CustomerRef>" + body +
                             "</ReceivePaymentAdd></ReceivePaymentAddRq>");
  }

  // A purchase order from the vendor; body follows the VendorRef.
  Reply order(const std::string& body, const std::string& vendor = "Tax Agency") {
    return send(company, "<PurchaseOrderAddRq><PurchaseOrderAdd><VendorRef><FullName>" + vendor +
                             "</FullName></VendorRef>" + body +
                             "</PurchaseOrderAdd></PurchaseOrderAddRq>");
  }

  Reply modifyOrder(const std::string& txn, const std::string& sequence, const std::string& body) {
    return send(company, "<PurchaseOrderModRq><PurchaseOrderMod><TxnID>" + txn +
                             "</TxnID><EditSequence>" + sequence + "</EditSequence>" + body +
                             "</PurchaseOrderMod></PurchaseOrderModRq>");
  }

  // A one-line invoice for an amount of Consulting; returns its TxnID.
  std::string invoiceFor(const std::string& customer, const std::string& amount,
                         const std::string& fields = "") {
    return invoice(customer, fields, consulting(amount)).field("TxnID");
  }

  test::TempDir dir;
  SimulatedCompany company = SimulatedCompany::create(dir.file("company.xml"), "Test Co");
  static inline std::vector<std::string> schemaValid;
};

// ---------------------------------------------------------------------------------------------
// Invoices

TEST_F(SimTransactionsTest, InvoiceAmountsTaxAndBalances) {
  Reply rs = invoice("Acme", "<TxnDate>2026-01-15</TxnDate><RefNumber>INV-1</RefNumber>",
                     itemLine("Labour", "<Quantity>3</Quantity><Rate>10.333</Rate>") +
                         consulting("100.00") +
                         itemLine("Consulting", "<Quantity>1</Quantity><Rate>0.005</Rate>"));
  pugi::xml_node ret = rs.ret();
  EXPECT_EQ(column(ret, "InvoiceLineRet", "Amount"), (Texts{"31.00", "100.00", "0.01"}));
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

  invoice("Acme", "", consulting("10.00"));
  EXPECT_EQ(balance("Acme"), "142.95");
  EXPECT_EQ(company.findByName(Kind::Customer, "Acme")->value("TotalBalance"), "142.95");
  EXPECT_EQ(balance("Bolt"), "0.00");
}

TEST_F(SimTransactionsTest, TaxGroupRateIsTheSumOfItsMembers) {
  Reply rs = invoice("Bolt", "<ItemSalesTaxRef><FullName>Combined</FullName></ItemSalesTaxRef>",
                     itemLine("Labour", "<Quantity>2</Quantity><Rate>100</Rate>") +
                         itemLine("Labour", "<Amount>50.00</Amount>" + taxCode("Non")));
  EXPECT_EQ(rs.field("SalesTaxPercentage"), "7.75");
  EXPECT_EQ(rs.field("SalesTaxTotal"), "15.50");
  EXPECT_EQ(rs.field("BalanceRemaining"), "265.50");
}

TEST_F(SimTransactionsTest, ANonTaxableCustomerPaysNoTax) {
  Reply rs = invoice("Exempt", "", itemLine("Labour", "<Quantity>1</Quantity>"));
  EXPECT_EQ(rs.field("Subtotal"), "45.00");
  EXPECT_EQ(rs.field("SalesTaxTotal"), "0.00");
  EXPECT_EQ(rs.field("CustomerSalesTaxCodeRef/FullName"), "Non");
  EXPECT_EQ(rs.field("BalanceRemaining"), "45.00");
}

TEST_F(SimTransactionsTest, LineAmountsFromQuantityRateAndAmount) {
  struct Line {
    const char* item;
    const char* given;  // after the ItemRef
    const char* amount;
    const char* rate;
  };
  const Line lines[] = {
      {"Consulting", "<Quantity>3</Quantity><Rate>10.333</Rate>", "31.00", "10.333"},
      {"Consulting", "<Quantity>2.5</Quantity><Rate>19.99</Rate>", "49.98", "19.99"},
      {"Consulting", "<Quantity>-1</Quantity><Rate>0.005</Rate>", "-0.01", "0.005"},
      // An amount with a quantity stays; the rate is worked out from them.
      {"Consulting", "<Quantity>3</Quantity><Amount>100.00</Amount>", "100.00", "33.33333"},
      {"Consulting", "<Quantity>4</Quantity><Amount>50.00</Amount>", "50.00", "12.50"},
      {"Consulting", "<Quantity>0.5</Quantity><Amount>10.00</Amount>", "10.00", "20.00"},
      {"Consulting", "<Amount>12.34</Amount>", "12.34", ""},
      // The item's price when no rate or amount is given, never over a given amount.
      {"Labour", "<Quantity>2</Quantity>", "90.00", "45.00"},
      {"Labour", "<Quantity>2</Quantity><Amount>80.00</Amount>", "80.00", "40.00"},
  };
  std::string request;
  Texts amounts, rates;
  for (const Line& line : lines) {
    request += itemLine(line.item, line.given);
    amounts.push_back(line.amount);
    rates.push_back(line.rate);
  }
  Reply rs = invoice("Bolt", "", request);
  EXPECT_EQ(column(rs.ret(), "InvoiceLineRet", "Amount"), amounts);
  EXPECT_EQ(column(rs.ret(), "InvoiceLineRet", "Rate"), rates);
  EXPECT_EQ(rs.field("Subtotal"), "423.31");
  EXPECT_EQ(rs.field("BalanceRemaining"), "423.31");
}

TEST_F(SimTransactionsTest, SubtotalTakesDiscountLinesAndSkipsTextLines) {
  Reply rs = invoice("Acme", "",
                     itemLine("Labour", "<Quantity>2</Quantity>") + consulting("60.00") +
                         itemLine("Discount 10%", "<Amount>-10.00</Amount>" + taxCode("Tax")) +
                         "<InvoiceLineAdd><Desc>Thank you</Desc></InvoiceLineAdd>");
  EXPECT_EQ(column(rs.ret(), "InvoiceLineRet", "Amount"), (Texts{"90.00", "60.00", "-10.00", ""}));
  EXPECT_EQ(rs.field("Subtotal"), "140.00");
  EXPECT_EQ(rs.field("SalesTaxTotal"), "5.00");  // 6.25 % of 90.00 - 10.00: the discount is taxable
  EXPECT_EQ(rs.field("BalanceRemaining"), "145.00");
  EXPECT_EQ(rs.field("IsPaid"), "false");
  EXPECT_EQ(balance("Acme"), "145.00");

  Reply text = invoice("Acme", "", "<InvoiceLineAdd><Desc>Nothing to pay</Desc></InvoiceLineAdd>");
  EXPECT_EQ(text.field("Subtotal"), "0.00");
  EXPECT_EQ(text.field("BalanceRemaining"), "0.00");
  EXPECT_EQ(text.field("IsPaid"), "true");
  EXPECT_EQ(balance("Acme"), "145.00");
}

// Canadian sales tax: codes GST and GST+PST (a group), and an exempt code.
class CanadianInvoiceTest : public SimTransactionsTest {
 protected:
  CanadianInvoiceTest() {
    company.setCountry("CA");
    company.addVendor("Receiver General");
    company.addSalesTaxItem("GST", "5", "Receiver General");
    company.addSalesTaxItem("PST", "7", "Receiver General");
    company.addSalesTaxGroup("GST and PST", {"GST", "PST"});
    company.addSalesTaxCode("G", true, {{"ItemSalesTaxRef/FullName", "GST"}});
    company.addSalesTaxCode("S", true, {{"ItemSalesTaxRef/FullName", "GST and PST"}});
    company.addSalesTaxCode("E", false);
  }
  static std::string line(const std::string& amount, const std::string& code) {
    return consulting(amount, taxCode(code));
  }
};

TEST_F(CanadianInvoiceTest, EachLineIsTaxedByItsTaxCodesItem) {
  EXPECT_EQ(company.country(), "CA");
  EXPECT_EQ(SimulatedCompany(dir.file("company.xml")).country(), "CA");
  EXPECT_EQ(send(company, "<HostQueryRq/>").field("Country"), "CA");

  // Acme's own sales tax item (State) does not apply in Canada.
  Reply rs = invoice("Acme", "",
                     line("100.00", "G") + line("33.33", "S") + line("50.00", "E") +
                         line("0.10", "G") + line("0.10", "G"));
  EXPECT_EQ(rs.field("Subtotal"), "183.53");
  // GST 5 % of 133.53 = 6.6765 and PST 7 % of 33.33 = 2.3331, each rounded once.
  EXPECT_EQ(rs.field("SalesTaxTotal"), "9.01");
  EXPECT_EQ(rs.field("BalanceRemaining"), "192.54");
  EXPECT_EQ(rs.field("IsPaid"), "false");
  EXPECT_FALSE(rs.ret().child("ItemSalesTaxRef"));
  EXPECT_FALSE(rs.ret().child("SalesTaxPercentage"));
  EXPECT_EQ(balance("Acme"), "192.54");

  Reply exempt = invoice("Exempt", "", line("100.00", "G"));
  EXPECT_EQ(exempt.field("SalesTaxTotal"), "0.00");
  EXPECT_EQ(exempt.field("BalanceRemaining"), "100.00");
}

TEST_F(CanadianInvoiceTest, ASalesTaxItemOnTheInvoiceIsRefused) {
  Reply rs = addInvoice(
      "Bolt", "<ItemSalesTaxRef><FullName>GST</FullName></ItemSalesTaxRef>" + line("10.00", "G"));
  EXPECT_EQ(rs.code(), 3250);
  EXPECT_EQ(rs.severity(), "Error");
  EXPECT_EQ(rs.message(),
            "This feature is not enabled or not available in this version of QuickBooks.");
  EXPECT_TRUE(company.list(Kind::Invoice).empty());
  EXPECT_EQ(balance("Bolt"), "0.00");
  company.setCountry("US");
  EXPECT_EQ(send(company, "<HostQueryRq/>").field("Country"), "US");
  EXPECT_EQ(addInvoice("Bolt", "<ItemSalesTaxRef><FullName>GST</FullName></ItemSalesTaxRef>" +
                                   line("10.00", "G"))
                .code(),
            0);
}

TEST_F(SimTransactionsTest, ItemPricesSubtotalsDiscountsAndTextLines) {
  Reply rs = invoice("Bolt", "",
                     itemLine("Shirt", "<Quantity>2</Quantity>") + itemLine("Labour") +
                         itemLine("Subtotal") + itemLine("Discount 10%") +
                         "<InvoiceLineAdd><Desc>Thank you for your order</Desc></InvoiceLineAdd>");
  pugi::xml_node ret = rs.ret();
  EXPECT_EQ(column(ret, "InvoiceLineRet", "Amount"),
            (Texts{"25.00", "45.00", "70.00", "-7.00", ""}));
  EXPECT_EQ(column(ret, "InvoiceLineRet", "Rate"), (Texts{"12.50", "45.00", "", "", ""}));
  EXPECT_EQ(column(ret, "InvoiceLineRet", "RatePercent"), (Texts{"", "", "", "10.00", ""}));
  EXPECT_EQ(column(ret, "InvoiceLineRet", "Desc"),
            (Texts{"Cotton shirt", "Labour hours", "", "", "Thank you for your order"}));
  EXPECT_EQ(rs.field("Subtotal"), "63.00");
  std::set<std::string> lineIds;
  for (const std::string& id : column(ret, "InvoiceLineRet", "TxnLineID")) lineIds.insert(id);
  EXPECT_EQ(lineIds.size(), 5u);
}

TEST_F(SimTransactionsTest, BlankLinesAreKeptWithoutAnAmount) {
  Reply rs = invoice("Bolt", "", consulting("8.00") + "<InvoiceLineAdd></InvoiceLineAdd>");
  Texts children;
  for (pugi::xml_node child :
       rs.ret().child("InvoiceLineRet").next_sibling("InvoiceLineRet").children())
    children.push_back(child.name());
  EXPECT_EQ(children, (Texts{"TxnLineID"}));
  EXPECT_EQ(rs.field("Subtotal"), "8.00");
  Reply po = order("<PurchaseOrderLineAdd></PurchaseOrderLineAdd>");
  EXPECT_EQ(po.field("TotalAmount"), "0.00");
  EXPECT_EQ(column(po.ret(), "PurchaseOrderLineRet", "Amount"), (Texts{""}));
}

TEST_F(SimTransactionsTest, ReferenceNumbersAreAssignedAfterTheLargestNumericOne) {
  EXPECT_EQ(invoice("Bolt", "", consulting("1")).field("RefNumber"), "1");
  invoice("Bolt", "<RefNumber>1005</RefNumber>", consulting("1"));
  invoice("Bolt", "<RefNumber>INV-99999</RefNumber>", consulting("1"));
  invoice("Bolt", "<RefNumber>12</RefNumber>", consulting("1"));
  EXPECT_EQ(invoice("Bolt", "", consulting("1")).field("RefNumber"), "1006");
  // Purchase orders count on their own.
  EXPECT_EQ(order("").field("RefNumber"), "1");
  // And survive a reload.
  SimulatedCompany reloaded(dir.file("company.xml"));
  EXPECT_EQ(send(reloaded,
                 "<InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>Bolt</FullName></CustomerRef>"
                 "</InvoiceAdd></InvoiceAddRq>")
                .field("RefNumber"),
            "1007");
}

TEST_F(SimTransactionsTest, DuplicateReferenceNumbersAreAccepted) {
  std::string first = invoiceFor("Bolt", "10.00", "<RefNumber>INV-7</RefNumber>");
  std::string second = invoiceFor("Acme", "20.00", "<RefNumber>INV-7</RefNumber>");
  EXPECT_NE(first, second);
  Reply found = send(company, "<InvoiceQueryRq><RefNumber>INV-7</RefNumber></InvoiceQueryRq>");
  EXPECT_EQ(found.values("TxnID"), (Texts{first, second}));
  EXPECT_EQ(found.values("Subtotal"), (Texts{"10.00", "20.00"}));
}

TEST_F(SimTransactionsTest, InvoiceFieldLengthsFollowTheSchema) {
  struct Field {
    const char* name;
    int limit;          // characters, as the schema counts them
    std::string where;  // the request part; % stands for the text
  };
  const Field fields[] = {
      {"RefNumber", 11, "<RefNumber>%</RefNumber>"},
      {"PONumber", 25, "<PONumber>%</PONumber>"},
      {"FOB", 13, "<FOB>%</FOB>"},
      {"Memo", 4095, "<Memo>%</Memo>"},
      {"Other", 29, "<Other>%</Other>"},
      {"Addr1", 41, "<BillAddress><Addr1>%</Addr1></BillAddress>"},
      {"City", 31, "<ShipAddress><City>%</City></ShipAddress>"},
      {"State", 21, "<BillAddress><State>%</State></BillAddress>"},
      {"PostalCode", 13, "<BillAddress><PostalCode>%</PostalCode></BillAddress>"},
      {"Desc", 4095, "<InvoiceLineAdd><Desc>%</Desc></InvoiceLineAdd>"},
      {"Other1", 29, consulting("1.00", "<Other1>%</Other1>")},
      {"Other2", 29, consulting("1.00", "<Other2>%</Other2>")},
  };
  auto with = [](std::string where, const std::string& text) {
    return where.replace(where.find('%'), 1, text);
  };
  auto repeat = [](int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "\xC3\xA9";  // é: two bytes, one character
    return text;
  };
  for (const Field& field : fields) {
    SCOPED_TRACE(field.name);
    Reply full = addInvoice("Bolt", with(field.where, repeat(field.limit)));
    EXPECT_EQ(full.code(), 0) << full.message();
    EXPECT_EQ(full.ret()
                  .find_node([&](pugi::xml_node node) {
                    return std::string_view(node.name()) == field.name;
                  })
                  .child_value(),
              repeat(field.limit));
    Reply over = addInvoice("Bolt", with(field.where, repeat(field.limit + 1)), false);
    EXPECT_EQ(over.code(), 3070);
    EXPECT_EQ(over.message(), "The string \"" + repeat(field.limit + 1) + "\" in the field \"" +
                                  field.name + "\" is too long.");
  }
  Reply amount = addInvoice("Bolt", consulting("12,50"), false);
  EXPECT_EQ(amount.code(), 3040);
  EXPECT_EQ(amount.message(),
            "There was an error when converting the amount \"12,50\" in the field \"Amount\".");
  EXPECT_EQ(company.list(Kind::Invoice).size(), std::size(fields));
}

TEST_F(SimTransactionsTest, InvoiceReferencesMustExistBeActiveAndOfTheirKind) {
  const std::string missing =
      "QuickBooks error message: Invalid argument.  The specified record does not exist in the "
      "list.";
  const std::string wrongKind =
      "QuickBooks error message: The specified name is either invalid or of the wrong type.";
  struct Case {
    std::optional<Kind> inactiveKind;  // the entry made inactive for this case
    const char* inactive;
    const char* customer;
    std::string body;
    const char *list, *name, *where;  // the reference the message names
    std::string reason;
  };
  const Case cases[] = {
      {std::nullopt, "", "Nobody", "", "Customer", "Nobody", "Invoice", missing},
      {Kind::Customer, "Bolt", "Bolt", "", "Customer", "Bolt", "Invoice", missing},
      {std::nullopt, "", "Tax Agency", "", "Customer", "Tax Agency", "Invoice", wrongKind},
      {std::nullopt, "", "Bolt", "<ClassRef><FullName>West</FullName></ClassRef>", "Class", "West",
       "Invoice", missing},
      {Kind::ItemService, "Consulting", "Bolt", consulting("5.00"), "Item", "Consulting",
       "Invoice line", missing},
      {Kind::ItemSalesTax, "City", "Bolt",
       "<ItemSalesTaxRef><FullName>City</FullName></ItemSalesTaxRef>", "Item", "City", "Invoice",
       missing},
      {Kind::ItemSalesTaxGroup, "Combined", "Bolt",
       "<ItemSalesTaxRef><FullName>Combined</FullName></ItemSalesTaxRef>", "Item", "Combined",
       "Invoice", missing},
      {std::nullopt, "", "Bolt", "<ItemSalesTaxRef><FullName>Labour</FullName></ItemSalesTaxRef>",
       "Item", "Labour", "Invoice", wrongKind},
      {Kind::SalesTaxCode, "Tax", "Bolt",
       "<CustomerSalesTaxCodeRef><FullName>Tax</FullName></CustomerSalesTaxCodeRef>",
       "Sales Tax Code", "Tax", "Invoice", missing},
      {Kind::SalesTaxCode, "Non", "Bolt", consulting("5.00", taxCode("Non")), "Sales Tax Code",
       "Non", "Invoice line", missing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.inactiveKind) setActive(*c.inactiveKind, c.inactive, false);
    Reply rs = addInvoice(c.customer, c.body);
    EXPECT_EQ(rs.code(), 3140);
    EXPECT_EQ(rs.message(), std::string("There is an invalid reference to QuickBooks ") + c.list +
                                " \"" + c.name + "\" in the " + c.where + ".  " + c.reason);
    if (c.inactiveKind) setActive(*c.inactiveKind, c.inactive, true);
  }
  EXPECT_TRUE(company.list(Kind::Invoice).empty());
  EXPECT_EQ(balance("Bolt"), "0.00");
  EXPECT_EQ(company.findByName(Kind::Vendor, "Tax Agency")->value("Balance"), "0.00");
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
  std::string id =
      invoice("Bolt", "<Memo>O'Brien &amp; Sons</Memo>", consulting("5")).field("TxnID");
  std::string xml = company.transactionXml(id);
  EXPECT_EQ(xml.rfind("<InvoiceRet><TxnID>" + id + "</TxnID>", 0), 0u) << xml;
  EXPECT_NE(xml.find("<Memo>O'Brien &amp; Sons</Memo>"), std::string::npos);
  EXPECT_EQ(company.list(Kind::Invoice).at(0).name, "1");
  EXPECT_EQ(company.find(id)->value("InvoiceLineRet/Amount"), "5.00");
}

// ---------------------------------------------------------------------------------------------
// Received payments

TEST_F(SimTransactionsTest, AppliedPaymentsReduceInvoiceAndCustomerBalances) {
  std::string txn = invoiceFor("Bolt", "100.00");
  Reply payment = pay("Bolt",
                      "<TxnDate>2026-02-01</TxnDate><RefNumber>CHK 1001</RefNumber>"
                      "<TotalAmount>60.00</TotalAmount>" +
                          applied(txn, "60.00"));
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

  pay("Bolt", "<TotalAmount>40.00</TotalAmount>" + applied(txn, "40.00"));
  EXPECT_EQ(company.find(txn)->value("BalanceRemaining"), "0.00");
  EXPECT_EQ(company.find(txn)->value("IsPaid"), "true");
  EXPECT_EQ(balance("Bolt"), "0.00");
}

TEST_F(SimTransactionsTest, TheUnappliedRestOfAPaymentIsUnusedAndStillCredited) {
  std::string txn = invoiceFor("Bolt", "100.00");
  Reply payment = pay("Bolt", "<TotalAmount>150.00</TotalAmount>" + applied(txn, "100.00"));
  EXPECT_EQ(payment.field("UnusedPayment"), "50.00");
  EXPECT_EQ(balance("Bolt"), "-50.00");
  Reply unapplied = pay("Bolt", "<TotalAmount>5.00</TotalAmount><IsAutoApply>false</IsAutoApply>");
  EXPECT_EQ(unapplied.field("UnusedPayment"), "5.00");
  EXPECT_FALSE(unapplied.ret().child("AppliedToTxnRet"));
  EXPECT_EQ(balance("Bolt"), "-55.00");
}

TEST_F(SimTransactionsTest, OverApplicationIsRefusedAndChangesNothing) {
  std::string txn = invoiceFor("Bolt", "100.00");
  Reply over = pay("Bolt", "<TotalAmount>120.00</TotalAmount>" + applied(txn, "120.00"));
  EXPECT_EQ(over.code(), 3210);
  EXPECT_EQ(
      over.message(),
      "The amount 120.00 cannot be applied to invoice \"1\": its balance remaining is 100.00.");
  Reply split = pay(
      "Bolt", "<TotalAmount>100.00</TotalAmount>" + applied(txn, "60.00") + applied(txn, "60.00"));
  EXPECT_EQ(split.code(), 3210);
  Reply beyondTotal = pay("Bolt", "<TotalAmount>10.00</TotalAmount>" + applied(txn, "20.00"));
  EXPECT_EQ(beyondTotal.code(), 3210);
  EXPECT_EQ(beyondTotal.message(),
            "The amounts applied (20.00) are more than the total amount of the payment (10.00).");
  EXPECT_EQ(pay("Acme", "<TotalAmount>10.00</TotalAmount>" + applied(txn, "10.00")).code(), 3210);
  EXPECT_EQ(pay("Bolt", "<TotalAmount>10.00</TotalAmount>" + applied("99-1", "10.00")).code(),
            3120);
  EXPECT_EQ(company.find(txn)->value("BalanceRemaining"), "100.00");
  EXPECT_EQ(balance("Bolt"), "100.00");
  EXPECT_EQ(balance("Acme"), "0.00");
  EXPECT_TRUE(company.list(Kind::ReceivePayment).empty());
}

TEST_F(SimTransactionsTest, AutoApplyPaysTheOldestOpenInvoicesFirst) {
  std::string march = invoiceFor("Bolt", "50", "<TxnDate>2026-03-01</TxnDate>");
  std::string january = invoiceFor("Bolt", "30", "<TxnDate>2026-01-10</TxnDate>");
  std::string february = invoiceFor("Bolt", "40", "<TxnDate>2026-02-01</TxnDate>");
  invoiceFor("Acme", "99", "<TxnDate>2025-01-01</TxnDate>");
  Reply payment = pay("Bolt", "<TotalAmount>60.00</TotalAmount><IsAutoApply>true</IsAutoApply>");
  ASSERT_EQ(payment.code(), 0) << payment.message();
  EXPECT_EQ(column(payment.ret(), "AppliedToTxnRet", "TxnID"), (Texts{january, february}));
  EXPECT_EQ(column(payment.ret(), "AppliedToTxnRet", "Amount"), (Texts{"30.00", "30.00"}));
  EXPECT_EQ(payment.field("UnusedPayment"), "0.00");
  EXPECT_EQ(company.find(january)->value("IsPaid"), "true");
  EXPECT_EQ(company.find(february)->value("BalanceRemaining"), "10.00");
  EXPECT_EQ(company.find(march)->value("BalanceRemaining"), "50.00");
  EXPECT_EQ(balance("Bolt"), "60.00");
  EXPECT_EQ(balance("Acme"), "99.00");
}

TEST_F(SimTransactionsTest, PaymentChecks) {
  const std::string autoApply = "<TotalAmount>5.00</TotalAmount><IsAutoApply>true</IsAutoApply>";
  // Neither applied to invoices nor applied automatically.
  EXPECT_EQ(pay("Bolt", "<TotalAmount>5.00</TotalAmount>").code(), 3210);
  EXPECT_EQ(pay("Bolt", "<RefNumber>" + std::string(21, '9') + "</RefNumber>" + autoApply).code(),
            3070);
  Reply method = pay("Bolt",
                     "<TotalAmount>5.00</TotalAmount><PaymentMethodRef><FullName>Barter</FullName>"
                     "</PaymentMethodRef><IsAutoApply>true</IsAutoApply>");
  EXPECT_EQ(method.code(), 3140);
  EXPECT_EQ(method.message(),
            "There is an invalid reference to QuickBooks Payment Method \"Barter\" in the Receive "
            "Payment.  QuickBooks error message: Invalid argument.  The specified record does not "
            "exist in the list.");
  Reply ok = pay("Bolt", "<RefNumber>" + std::string(20, '9') + "</RefNumber>" + autoApply);
  EXPECT_EQ(ok.code(), 0) << ok.message();
  EXPECT_EQ(company.list(Kind::ReceivePayment).size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Purchase orders

TEST_F(SimTransactionsTest, PurchaseOrderLinesAndTotal) {
  Reply po = order(
      "<TxnDate>2026-04-01</TxnDate><Memo>Goods In = 0</Memo><PurchaseOrderLineAdd><ItemRef>"
      "<FullName>Shirt</FullName></ItemRef><Quantity>4</Quantity></PurchaseOrderLineAdd>"
      "<PurchaseOrderLineAdd><ItemRef><FullName>Labour</FullName></ItemRef><Desc>Fitting</Desc>"
      "<Quantity>2</Quantity><Rate>10.125</Rate></PurchaseOrderLineAdd><PurchaseOrderLineAdd>"
      "<Desc>-      WO# 12</Desc></PurchaseOrderLineAdd>");
  ASSERT_EQ(po.code(), 0) << po.message();
  pugi::xml_node ret = po.ret();
  EXPECT_EQ(column(ret, "PurchaseOrderLineRet", "Amount"), (Texts{"24.00", "20.25", ""}));
  EXPECT_EQ(column(ret, "PurchaseOrderLineRet", "Rate"), (Texts{"6.00", "10.125", ""}));
  EXPECT_EQ(column(ret, "PurchaseOrderLineRet", "Desc"),
            (Texts{"Shirt, bulk", "Fitting", "-      WO# 12"}));
  EXPECT_EQ(po.field("TotalAmount"), "44.25");
  EXPECT_EQ(po.field("VendorAddress/City"), "Albany");
  EXPECT_EQ(po.field("IsManuallyClosed"), "false");
  EXPECT_EQ(po.field("RefNumber"), "1");
  EXPECT_EQ(company.findByName(Kind::Vendor, "Tax Agency")->value("Balance"), "0.00");

  EXPECT_EQ(order("<RefNumber>PO-123456789</RefNumber>").code(), 3070);
  EXPECT_EQ(order("", "Acme").code(), 3140);  // a customer, not a vendor
}

TEST_F(SimTransactionsTest, APurchaseOrderLineWithAnAmountGetsTheRateThatGivesIt) {
  Reply po = order(
      "<PurchaseOrderLineAdd><ItemRef><FullName>Shirt</FullName></ItemRef><Quantity>18</Quantity>"
      "<Amount>63.60</Amount></PurchaseOrderLineAdd><PurchaseOrderLineAdd><ItemRef>"
      "<FullName>Shirt</FullName></ItemRef><Quantity>2</Quantity><Rate>1.25</Rate>"
      "<Amount>3.00</Amount></PurchaseOrderLineAdd>");
  ASSERT_EQ(po.code(), 0) << po.message();
  EXPECT_EQ(column(po.ret(), "PurchaseOrderLineRet", "Rate"), (Texts{"3.53333", "1.25"}));
  EXPECT_EQ(po.field("TotalAmount"), "66.60");
}

TEST_F(SimTransactionsTest, PurchaseOrderModChangesMemoAndLines) {
  Reply po = order(
      "<Memo>Goods In = 0</Memo><PurchaseOrderLineAdd><ItemRef><FullName>Shirt</FullName></ItemRef>"
      "<Quantity>4</Quantity></PurchaseOrderLineAdd><PurchaseOrderLineAdd><Desc>text</Desc>"
      "</PurchaseOrderLineAdd>");
  std::string txn = po.field("TxnID");
  std::string sequence = po.field("EditSequence");
  std::string firstLine = po.field("PurchaseOrderLineRet/TxnLineID");

  Reply memo = modifyOrder(txn, sequence, "<Memo>Goods In: 4</Memo>");
  ASSERT_EQ(memo.code(), 0) << memo.message();
  EXPECT_EQ(memo.field("Memo"), "Goods In: 4");
  EXPECT_EQ(column(memo.ret(), "PurchaseOrderLineRet", "Amount"), (Texts{"24.00", ""}));
  EXPECT_EQ(modifyOrder(txn, sequence, "<Memo>x</Memo>").code(), 3200);  // a stale EditSequence

  Reply lines =
      modifyOrder(txn, memo.field("EditSequence"),
                  "<PurchaseOrderLineMod><TxnLineID>" + firstLine +
                      "</TxnLineID><Quantity>5</Quantity></PurchaseOrderLineMod>"
                      "<PurchaseOrderLineMod><TxnLineID>-1</TxnLineID><ItemRef>"
                      "<FullName>Labour</FullName></ItemRef><Quantity>1</Quantity><Rate>30</Rate>"
                      "</PurchaseOrderLineMod>");
  ASSERT_EQ(lines.code(), 0) << lines.message();
  EXPECT_EQ(column(lines.ret(), "PurchaseOrderLineRet", "Amount"), (Texts{"30.00", "30.00"}));
  EXPECT_EQ(lines.field("PurchaseOrderLineRet/TxnLineID"), firstLine);
  EXPECT_EQ(lines.field("TotalAmount"), "60.00");
  EXPECT_EQ(lines.field("Memo"), "Goods In: 4");

  Reply missing =
      modifyOrder(txn, lines.field("EditSequence"),
                  "<PurchaseOrderLineMod><TxnLineID>77-1</TxnLineID></PurchaseOrderLineMod>");
  EXPECT_EQ(missing.code(), 3120);
  EXPECT_EQ(company.find(txn)->value("TotalAmount"), "60.00");
}

// ---------------------------------------------------------------------------------------------
// Deleting transactions

TEST_F(SimTransactionsTest, TxnDelGivesBalancesBackAndRefusesLinkedOrMissingTransactions) {
  const auto remove = [&](const std::string& type, const std::string& txn) {
    return send(company, "<TxnDelRq><TxnDelType>" + type + "</TxnDelType><TxnID>" + txn +
                             "</TxnID></TxnDelRq>");
  };
  const auto query = [&](const std::string& txn) {
    return send(company,
                "<InvoiceQueryRq><TxnID>" + txn +
                    "</TxnID><IncludeLinkedTxns>true</IncludeLinkedTxns></InvoiceQueryRq>");
  };
  const std::string first = invoiceFor("Bolt", "100.00");
  const std::string second = invoiceFor("Bolt", "0.50");
  const Reply payment = pay("Bolt", "<TotalAmount>100.25</TotalAmount>" + applied(first, "99.75") +
                                        applied(second, "0.50"));
  ASSERT_EQ(payment.code(), 0) << payment.message();
  const std::string paid = payment.field("TxnID");
  EXPECT_EQ(balance("Bolt"), "0.25");

  // The invoice shows the payment as its link and stays while the payment is applied.
  const Reply linked = query(first);
  EXPECT_EQ(linked.field("LinkedTxn/TxnID"), paid);
  EXPECT_EQ(linked.field("LinkedTxn/TxnType"), "ReceivePayment");
  EXPECT_EQ(linked.field("LinkedTxn/Amount"), "-99.75");
  const Reply refused = remove("Invoice", first);
  EXPECT_EQ(refused.code(), 3171);
  EXPECT_EQ(refused.message(), "The transaction \"" + first +
                                   "\" cannot be deleted.  QuickBooks error message: This "
                                   "transaction has other transactions linked to it.");
  const std::string notFound =
      "\" specified in the request cannot be found.  QuickBooks error "
      "message: Invalid argument.  The specified record does not exist "
      "in the list.";
  for (const auto& [type, txn] : {std::pair<std::string, std::string>{"ReceivePayment", "FF-1"},
                                  {"Invoice", paid},
                                  {"PurchaseOrder", first}}) {
    const Reply missing = remove(type, txn);
    EXPECT_EQ(missing.code(), 3120) << type;
    EXPECT_EQ(missing.message(), "Object \"" + txn + notFound);
  }
  EXPECT_EQ(remove("Payment", paid).code(), 3210);
  EXPECT_TRUE(company.find(first) && company.find(paid));

  const Reply gone = remove("ReceivePayment", paid);
  ASSERT_EQ(gone.code(), 0) << gone.message();
  EXPECT_EQ(gone.text("TxnDelType"), "ReceivePayment");
  EXPECT_EQ(gone.text("TxnID"), paid);
  EXPECT_FALSE(gone.text("TimeDeleted").empty());
  EXPECT_FALSE(company.find(paid));
  EXPECT_EQ(company.find(first)->value("BalanceRemaining"), "100.00");
  EXPECT_EQ(company.find(first)->value("AppliedAmount"), "0.00");
  EXPECT_EQ(company.find(second)->value("IsPaid"), "false");
  EXPECT_NE(company.find(first)->editSequence, linked.field("EditSequence"));
  EXPECT_FALSE(query(first).ret().child("LinkedTxn"));
  EXPECT_EQ(balance("Bolt"), "100.50");
  EXPECT_EQ(remove("ReceivePayment", paid).code(), 3120);  // never twice

  ASSERT_EQ(remove("Invoice", first).code(), 0);
  EXPECT_EQ(balance("Bolt"), "0.50");
  EXPECT_EQ(query(first).code(), 1);
  const std::string order = this->order(
                                    "<PurchaseOrderLineAdd><ItemRef><FullName>Labour</FullName>"
                                    "</ItemRef><Quantity>1</Quantity></PurchaseOrderLineAdd>")
                                .field("TxnID");
  EXPECT_EQ(remove("PurchaseOrder", order).code(), 0);
  EXPECT_FALSE(company.find(order));
}

}  // namespace
}  // namespace vqb::qb::sim
