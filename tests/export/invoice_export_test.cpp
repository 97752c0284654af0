// Invoice export against the demo company: checks, header, lines, adding and marking.

#include "export/invoice_export.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/database.h"
#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "main_window/work_lists.h"
#include "mapping/customer_update.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/connected_demo.h"
#include "support/export_rows.h"

namespace vqb {
namespace {

using qb::sim::Kind;

const std::string kCrlf = "\r\n";

using test::xml_text;
constexpr long kNumber = 90001;
constexpr const char* kNoTaxItem =
    "No valid QuickBooks 'sales tax item' associated with this invoice. Cannot export invoice";

class InvoiceExportTest : public ::testing::Test, protected test::ConnectedDemoFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(connected);
    // A customer in QuickBooks whose default rep is mapped: the invoices below use that rep.
    customer = first(
        "SELECT Link FROM Customers WHERE QBAccountNumber <> '' AND Rep BETWEEN 31 AND 34 ORDER "
        "BY Link LIMIT 1");
    ASSERT_FALSE(customer.empty());
    customerName = first("SELECT QBAccountNumber FROM Customers WHERE Link = " + customer);
    rep = first("SELECT Rep FROM Customers WHERE Link = " + customer);
    repInitials = first("SELECT QuickBooks FROM Users WHERE Link = " + rep);
    run("INSERT INTO Customers (Link, Description, QBAccountNumber) VALUES (990001, 'Unlinked & "
        "Co', ''), (990002, 'Gone & Co', 'Gone & Co')");
    ui.onDialog = [this](DialogKind kind, const std::string&) {
      if (kind == DialogKind::CustomerValidation) app.sharedSlots[1] = createMissing ? "1" : "";
      if (kind == DialogKind::Assign) app.sharedSlots[0] = assignAnswers[app.sharedSlots[3]];
    };
  }

  // Two taxable embroidery lines of 10.50 x 3 unless `lines` says otherwise.
  void addInvoice(const std::string& set = "", long number = kNumber, int lines = 2) {
    insert("CustSO", test::with(test::columns("Number = " + std::to_string(number) +
                                              ", Customer = " + customer + ", SalesRep = " + rep +
                                              ", Status = 4, Prefix = 'INV', InvDate = 46000, "
                                              "Description = 'Caps & <Tees>', Notes = 'Thanks', "
                                              "CustomerPO = '', BillingAddress = '', "
                                              "ShipAddress = '', TaxType1 = 1, TaxPercentage1 = "
                                              "8.25, TaxAmount1 = 5.2, DiscAmount = 0, Total = "
                                              "63, QuickBooks = 0, QuickBooksRef = '', xmlAdd = "
                                              "''"),
                                set));  // dated 2025-12-09
    for (int line = 1; line <= lines; ++line)
      addLine("LineNumber = " + std::to_string(line), number);
  }
  void addLine(const std::string& set, long number = kNumber) {
    insert("custsodetail",
           test::with(test::columns("SONumber = " + std::to_string(number) +
                                    ", LineNumber = 1, LineType = 'Service', PrintLine = 1, "
                                    "Style = 'EMB1', Description = 'Left chest', Color = '', "
                                    "Size = '', Qty = 3, UnitPrice = 10.5, AdjustedQty = 3, "
                                    "LineChargeAdjusted = 10.5, SalesGroup = 'EMB', Tax1 = 11, "
                                    "AmortizeGroup = 0, QBClass = ''"),
                      set));
  }
  void setup(const std::string& key, const std::string& value) {
    save_setup_value(app, key, value);
  }

  std::string send(long number = kNumber) { return send_Invoice(*ctx, number); }
  std::size_t invoicesInQuickBooks() const { return company().list(Kind::Invoice).size(); }
  // The InvoiceAdd element of the last add request.
  std::string lastAdd() const {
    for (auto it = requests.rbegin(); it != requests.rend(); ++it)
      if (auto at = it->find("<InvoiceAdd>"); at != std::string::npos)
        return it->substr(at, it->find("</InvoiceAdd>") + 13 - at);
    return "";
  }
  bool added(const std::string& fragment) const {
    return lastAdd().find(fragment) != std::string::npos;
  }

  std::string customer, customerName, rep, repInitials;
  bool createMissing{false};
  std::map<std::string, std::string> assignAnswers;  // assign-dialog mode (slot 3) -> choice
};

TEST_F(InvoiceExportTest, TheWholeInvoiceGoesInSchemaOrderAndTheRowIsMarked) {
  addInvoice(
      "CustomerPO = 'PO-7', xmlAdd = '<OrderInfo><Kept>1</Kept><QBReference>old</QBReference>"
      "</OrderInfo>'");
  EXPECT_EQ(send(), "Sent! ");
  EXPECT_EQ(lastAdd(),
            "<InvoiceAdd><CustomerRef><FullName>" + xml_text(customerName) +
                "</FullName></CustomerRef><TxnDate>2025-12-09</TxnDate><RefNumber>"
                "90001</RefNumber><PONumber>PO-7</PONumber><SalesRepRef><FullName>" +
                repInitials +
                "</FullName></SalesRepRef><ItemSalesTaxRef><FullName>CA Sales Tax</FullName>"
                "</ItemSalesTaxRef><Memo>WO Number: 90001</Memo><IsToBePrinted>"
                "true</IsToBePrinted><InvoiceLineAdd><ItemRef><FullName>"
                "Embroidery:Stitching</FullName></ItemRef><Desc>Left chest</Desc><Quantity>"
                "3</Quantity><Amount>31.50</Amount><SalesTaxCodeRef><FullName>Tax</FullName>"
                "</SalesTaxCodeRef></InvoiceLineAdd><InvoiceLineAdd><ItemRef><FullName>"
                "Embroidery:Stitching</FullName></ItemRef><Desc>Left chest</Desc><Quantity>"
                "3</Quantity><Amount>31.50</Amount><SalesTaxCodeRef><FullName>Tax</FullName>"
                "</SalesTaxCodeRef></InvoiceLineAdd><InvoiceLineAdd></InvoiceLineAdd>"
                "<InvoiceLineAdd><Desc> &#13;\nWO Number: 90001&#13;\nOrder Description: Caps "
                "&amp; &lt;Tees&gt;&#13;\n </Desc></InvoiceLineAdd><InvoiceLineAdd><Desc>"
                "Thanks</Desc></InvoiceLineAdd></InvoiceAdd>");
  auto invoices = company().list(Kind::Invoice);
  const qb::sim::Entry& made = invoices.back();
  EXPECT_EQ(made.value("Subtotal"), "63.00");
  EXPECT_EQ(
      first("SELECT QuickBooks || '|' || QuickBooksRef || '|' || xmlAdd FROM CustSO WHERE "
            "Number = 90001"),
      "1|90001|<OrderInfo><Kept>1</Kept><QBReference>" + made.id + "</QBReference></OrderInfo>");
  EXPECT_EQ(app.sharedSlots[201], made.id);
  EXPECT_NE(first("SELECT QuickBooksDS FROM CustSO WHERE Number = 90001"), "");
  EXPECT_NE(load_QBInvoice(*ctx, made.id).find("<TxnID>" + made.id + "</TxnID>"),
            std::string::npos);
  EXPECT_EQ(load_QBInvoice(*ctx, "NO-SUCH-TXN"), "");
}

TEST_F(InvoiceExportTest, EachStopSaysWhyAndSendsNothing) {
  struct Case {
    const char* name;
    std::string invoice;
    std::string lines;  // replace the two default lines when given, ";" between lines
    const char* expected;
    const char* sql = "";  // run before sending
  };
  const Case cases[] = {
      {"no invoice", "Number = 90002", "", "Cannot find invoice in Vantora database."},
      {"no customer", "Customer = 999999", "", "Cannot find customer in Vantora database."},
      {"separators only", "", "LineType = 'Separator'",
       "Invoice has no detailed line items to export"},
      {"class", "", "QBClass = 'Events'",
       "QB Class Events could not be validated. Invoice not sent!"},
      // k counts the selected lines: the unprinted remark is not one of them.
      {"sales group", "", "LineType = 'Remark', PrintLine = 0; ; SalesGroup = 'ZZZ'",
       "No valid sales group associated with line number 2."},
      {"group item", "", "SalesGroup = 'RUSH'",
       "No valid QuickBooks item associated with the following sales group: RUSH"},
      {"tax code", "", "Tax1 = 99", "No valid tax code associated with line number 1."},
      {"QuickBooks tax code", "", "Tax1 = 14",
       "No valid QuickBooks Tax CODE associated with the following Tax CODE in Vantora: RSL"},
      {"unlinked customer", "Customer = 990001", "",
       "No customer account in QuickBooks associated with this customer. Not Exported."},
      {"customer gone", "Customer = 990002", "",
       "Cannot validate existance of customer in QuickBooks. Not Exported."},
      {"tax type", "TaxType1 = 99", "",
       "Vantora tax type not found. Please open invoice and select valid tax type."},
      {"tax item", "TaxType1 = 7, TaxPercentage1 = 1.5", "", kNoTaxItem},
      {"rate changed, cancelled", "TaxPercentage1 = 8", "", kNoTaxItem},
      {"rep", "SalesRep = 99", "",
       "No sales rep associated with this order, in Vantora. Cannot export invoice."},
      {"QuickBooks rep", "SalesRep = 35", "",
       "No valid QuickBooks 'sales rep' associated with this order. Cannot export"},
      {"discount", "DiscAmount = -3", "",
       "No valid QuickBooks 'Discount' item. Cannot export invoice",
       "UPDATE QuickBooks SET Discount = 'Nope'"},
      {"amortize group", "", "AmortizeGroup = 1001", "9 Subscript out of range"},
      {"refused by QuickBooks", "Number = 900000000001", "", "3070 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    run("DELETE FROM CustSO WHERE Number >= 90001");
    run("DELETE FROM custsodetail WHERE SONumber >= 90001");
    const auto given = test::columns(c.invoice);
    const long number = given.count("Number") ? std::stol(given.at("Number")) : kNumber;
    if (std::string(c.name) != "no invoice") addInvoice(c.invoice, number, c.lines.empty() ? 2 : 0);
    std::istringstream lines(c.lines);
    int line = 0;
    for (std::string set; std::getline(lines, set, ';');)
      addLine(set + ", LineNumber = " + std::to_string(++line), number);
    if (*c.sql) run(c.sql);
    const std::size_t before = invoicesInQuickBooks();
    const std::string result = send(std::string(c.name) == "no invoice" ? kNumber : number);
    EXPECT_EQ(result.substr(0, std::string(c.expected).size()), c.expected) << result;
    EXPECT_EQ(invoicesInQuickBooks(), before);
    EXPECT_NE(first("SELECT QuickBooks FROM CustSO WHERE Number = " + std::to_string(number)), "1");
  }
}

TEST_F(InvoiceExportTest, RepairsChosenInTheAssignWindowAreWrittenBack) {
  addInvoice("SalesRep = 99, DiscAmount = -6.3, Total = 56.7", kNumber, 0);
  addLine("QBClass = 'Events', SalesGroup = 'ZZZ', Tax1 = 99");
  addLine("LineNumber = 2, SalesGroup = 'RUSH'");
  run("UPDATE QuickBooks SET Discount = 'Nope'");
  assignAnswers = {{"QuickBooks Class", "Walk-in"}, {"Sales Group Vantora", "EMB"},
                   {"Tax Codes Vantora", "11"},     {"QuickBooks Item", "Shipping"},
                   {"Sales Rep Vantora", "32"},     {"QuickBooks Discount Item", "Discount"}};
  EXPECT_EQ(send(), "Sent! ");
  EXPECT_EQ(first("SELECT QBClass || '|' || SalesGroup || '|' || Tax1 FROM custsodetail WHERE "
                  "SONumber = 90001 AND LineNumber = 1"),
            "Walk-in|EMB|11");
  EXPECT_EQ(first("SELECT QB FROM SalesGroup WHERE Code = 'RUSH'"), "Shipping");
  EXPECT_EQ(first("SELECT SalesRep FROM CustSO WHERE Number = 90001"), "32");
  EXPECT_EQ(first("SELECT Discount FROM QuickBooks"), "Discount");
  EXPECT_TRUE(added("<ClassRef><FullName>Walk-in</FullName></ClassRef>"));
  EXPECT_TRUE(added("<ItemRef><FullName>Shipping</FullName></ItemRef>"));
  EXPECT_TRUE(added("<SalesRepRef><FullName>RP</FullName></SalesRepRef>"));
  EXPECT_TRUE(
      added("<ItemRef><FullName>Discount</FullName></ItemRef><Desc>Invoice Discount</Desc>"
            "<Amount>-6.30</Amount>"));
  EXPECT_EQ(company().list(Kind::Invoice).back().value("Subtotal"), "56.70");
}

TEST_F(InvoiceExportTest, HeaderOptionsChooseReferenceMemoTaxItemAndDate) {
  // `expected` and `absent` list fragments of the add, "|" between them.
  struct Case {
    const char* setup;  // "key=value;..."
    std::string invoice, expected, absent;
  };
  const Case cases[] = {
      {"", "",
       "<RefNumber>90001</RefNumber>|<Memo>WO Number: 90001</Memo>|<TxnDate>2025-12-09</TxnDate>",
       ""},
      {"chkqbassigninvnumbers=1", "", "", "<RefNumber>"},
      {"chkinvoiceprefix=1;optinvprefix1=True", "", "<RefNumber>INV90001</RefNumber>", ""},
      {"chkinvoiceprefix=1;txtinvprefix=O'", "", "<RefNumber>O'90001</RefNumber>", ""},
      {"optmemo1=True", "", "<Memo>Thanks</Memo>", ""},
      {"optmemo4=True", "", "<Memo>Caps &amp; &lt;Tees&gt;</Memo>", ""},
      {"optmemo3=True", "", "", "<Memo>"},
      {"qbsetupcmbcountry=Canada", "", "", "<ItemSalesTaxRef>"},
      {"chkmarkinvoiceprinted=1;cmbar=Accounts Receivable", "",
       "<IsToBePrinted>false</IsToBePrinted>|<ARAccountRef><FullName>Accounts Receivable"
       "</FullName></ARAccountRef>",
       ""},
      // A display format never reaches QuickBooks; an invoice not yet "4" is dated today.
      {"customdateformat=dd mmm yyyy", "Status = 3",
       "<TxnDate>" + iso_date(ole_today()) + "</TxnDate>", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected + c.absent);
    for (const char* key : {"chkqbassigninvnumbers", "chkinvoiceprefix", "optinvprefix1",
                            "txtinvprefix", "optmemo1", "optmemo3", "optmemo4", "qbsetupcmbcountry",
                            "chkmarkinvoiceprinted", "cmbar", "customdateformat"})
      setup(key, "");
    test::apply_settings(c.setup, [&](auto key, auto value) { setup(key, value); });
    run("DELETE FROM CustSO WHERE Number = 90001");
    run("DELETE FROM custsodetail WHERE SONumber = 90001");
    addInvoice(c.invoice);
    ASSERT_EQ(send().substr(0, 6), "Sent! ");
    for (const auto& fragment : test::split(c.expected, '|'))
      EXPECT_TRUE(added(fragment)) << fragment << "\n" << lastAdd();
    for (const auto& fragment : test::split(c.absent, '|'))
      EXPECT_FALSE(added(fragment)) << fragment;
  }
}

TEST_F(InvoiceExportTest, LinesInRateModeRemarksInventoryTextAndTheItemRowLayout) {
  setup("chksendremarks", "1");
  addInvoice("DiscAmount = -2, Total = 74, TaxAmount1 = 3.67", kNumber, 0);
  // Group 0 holds a taxable and a non-taxable line: the whole invoice goes in rate mode.
  for (const char* line :
       {"LineType = 'Inventory', Style = 'TS100', Description = 'Tee', Color = 'Red', UnitPrice "
        "= 12.5, Qty = 2, LineChargeAdjusted = 12, AdjustedQty = 2",
        "LineNumber = 2, LineType = 'Remark', Description = 'Hand wash', PrintLine = 1",
        "LineNumber = 3, LineType = 'Inventory', Style = 'TS100', Description = 'Tee', Size = "
        "'XL', Tax1 = 12, QBClass = 'Corporate'",
        "LineNumber = 4, LineType = 'Remark', Description = 'Not printed', PrintLine = 0",
        "LineNumber = 5, LineType = 'Separator'",
        "LineNumber = 6, AmortizeGroup = 2, UnitPrice = 20.004, Qty = 1, AdjustedQty = 1, "
        "LineChargeAdjusted = 20.004",
        "LineNumber = 7, AmortizeGroup = 2, UnitPrice = 0.125, Qty = 4, AdjustedQty = 4, "
        "LineChargeAdjusted = 0.125"})
    addLine(line);
  // 24.00 + 31.50 + 20.00 + 0.50 - 2 discount: in rate mode the unit prices go to five
  // decimals, and the adjusted charge where the price does not give the line's amount.
  EXPECT_EQ(send(), "Sent! ");
  const std::string add = lastAdd();
  EXPECT_NE(add.find("<Desc>TS100 - Tee Color: Red</Desc><Quantity>2</Quantity><Rate>12.00</Rate>"),
            std::string::npos)
      << add;
  EXPECT_NE(add.find("<InvoiceLineAdd><Desc>Hand wash</Desc></InvoiceLineAdd>"), std::string::npos);
  EXPECT_NE(add.find("<Desc>TS100 - Tee Size: XL</Desc><Quantity>3</Quantity><Rate>10.50</Rate>"
                     "<ClassRef><FullName>Corporate</FullName></ClassRef><SalesTaxCodeRef>"
                     "<FullName>Non</FullName>"),
            std::string::npos);
  EXPECT_NE(add.find("<Rate>20.004</Rate>"), std::string::npos);
  EXPECT_NE(add.find("<Rate>0.125</Rate>"), std::string::npos);
  EXPECT_EQ(add.find("Not printed"), std::string::npos);
  // 5 lines, the discount at row 5, closing rows 6 to 8.
  std::size_t rows = 0;
  for (std::size_t at = add.find("<InvoiceLineAdd"); at != std::string::npos;
       at = add.find("<InvoiceLineAdd", at + 1))
    ++rows;
  EXPECT_EQ(rows, 9u);
}

// QuickBooks' lines add up to Vantora's, line by line, in and out of rate mode; the result
// names any total that still differs.
TEST_F(InvoiceExportTest, QuickBooksAmountsAgreeWithVantoraToTheCent) {
  struct Case {
    const char* name;
    std::string invoice;  // Total and TaxAmount1
    std::string lines;    // ";" between lines
    const char* expected;
    const char* subtotal;
    const char* tax;
    std::string fragments;  // of the add, "|" between them; "-<Rate>" means no rate at all
  };
  const Case cases[] = {
      // Two tax codes in group 0: rate mode. A price finer than a cent and an adjusted charge
      // go at the rates that give Vantora's amounts.
      {"rate mode", "Total = 489.8, TaxAmount1 = 10.31",
       "Qty = 1000, UnitPrice = 0.125, AdjustedQty = 1000, LineChargeAdjusted = 0.125; Qty = 48, "
       "UnitPrice = 8, AdjustedQty = 48, LineChargeAdjusted = 7.6, Tax1 = 12",
       "Sent! ", "489.80", "10.31",
       "<Quantity>1000</Quantity><Rate>0.125</Rate>|<Quantity>48</Quantity><Rate>7.60</Rate>"},
      // No rate gives the amount to the cent: the amount goes instead.
      {"rate mode, amount", "Total = 108.16, TaxAmount1 = 8.25",
       "Qty = 3000, UnitPrice = 0.0333, AdjustedQty = 3000, LineChargeAdjusted = 0.03333667; Qty "
       "= 1, UnitPrice = 8.15, AdjustedQty = 1, LineChargeAdjusted = 8.15, Tax1 = 12",
       "Sent! ", "108.16", "8.25",
       "<Quantity>3000</Quantity><Amount>100.01</Amount>|<Rate>8.15</Rate>"},
      // Group 0 all taxable, group 1 all non-taxable: no rate mode, whatever the charges.
      {"one code per group", "Total = 118.8, TaxAmount1 = 5.2",
       "; ; AmortizeGroup = 1, "
       "Tax1 = 12, Qty = 2, UnitPrice = 13, AdjustedQty = 2, LineChargeAdjusted = 12.15; "
       "AmortizeGroup = 1, Tax1 = 12",
       "Sent! ", "118.80", "5.20", "-<Rate>"},
      // A printed remark carries no tax code and takes no part in the decision.
      {"remarks", "Total = 63, TaxAmount1 = 5.2",
       "LineType = 'Remark', Tax1 = NULL; ; LineType = 'Remark', Tax1 = 12; ", "Sent! ", "63.00",
       "5.20", "-<Rate>"},
      {"tax differs", "Total = 63, TaxAmount1 = 5.3", "; ",
       "Sent! QuickBooks' sales tax 5.20 differs from the Vantora tax 5.30. QuickBooks' total "
       "68.20 "
       "differs from the Vantora total 68.30.",
       "63.00", "5.20", ""},
      {"subtotal differs", "Total = 62.99, TaxAmount1 = 5.2", "; ",
       "Sent! QuickBooks' subtotal 63.00 differs from the Vantora subtotal 62.99. QuickBooks' "
       "total "
       "68.20 differs from the Vantora total 68.19.",
       "63.00", "5.20", ""},
  };
  setup("chksendremarks", "1");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    run("DELETE FROM CustSO WHERE Number = 90001");
    run("DELETE FROM custsodetail WHERE SONumber = 90001");
    addInvoice(c.invoice, kNumber, 0);
    int line = 0;
    for (const std::string& set : test::split(c.lines, ';'))
      addLine(set + (set.find_first_not_of(' ') == std::string::npos ? "" : ", ") +
              "LineNumber = " + std::to_string(++line));
    EXPECT_EQ(send(), c.expected);
    const qb::sim::Entry made = company().list(Kind::Invoice).back();
    EXPECT_EQ(made.value("Subtotal"), c.subtotal);
    EXPECT_EQ(made.value("SalesTaxTotal"), c.tax);
    for (const auto& fragment : test::split(c.fragments, '|')) {
      if (fragment[0] == '-')
        EXPECT_FALSE(added(fragment.substr(1))) << lastAdd();
      else
        EXPECT_TRUE(added(fragment)) << fragment << "\n" << lastAdd();
    }
  }
}

TEST_F(InvoiceExportTest, ADuplicateIsSentMarkedOrLeftAsTheUserSays) {
  setup("chkinvoiceprefix", "1");
  setup("txtinvprefix", "O'");
  addInvoice();
  ASSERT_EQ(send(), "Sent! ");
  const qb::sim::Entry first_ = company().list(Kind::Invoice).back();
  setup("chkdupinvoices", "1");
  const std::string question = "Vantora detected another invoice in QuickBooks for " +
                               first("SELECT Description FROM Customers WHERE Link = " + customer) +
                               " for the same amount and has the following references:" + kCrlf +
                               kCrlf + "Reference: O'90001" + kCrlf + "Memo: WO Number: 90001" +
                               kCrlf + kCrlf;
  struct Case {
    const char* mark;
    Answer answer;
    const char* result;
    std::size_t added;
  };
  const Case cases[] = {
      {"0", Answer::No, "Possible duplicate invoice. User selected not send invoice.", 0},
      {"1", Answer::No,
       "Possible duplicate invoice. User selected not send invoice. invoice marked as exported", 0},
      {"0", Answer::Yes, "Sent! ", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    setup("chkmarkdupinvoices", c.mark);
    run("UPDATE CustSO SET QuickBooks = 0, QuickBooksRef = 'O''90001', xmlAdd = '<broken' WHERE "
        "Number = 90001");
    ui.messages.clear();
    ui.answers = {c.answer};
    const std::size_t before = invoicesInQuickBooks();
    EXPECT_EQ(send(), c.result);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Warning!");
    EXPECT_EQ(ui.messages[0].text,
              question + (*c.mark == '1' ? "This may be a duplicate transaction. Click 'YES' to "
                                           "send this invoice anyhow. Click 'NO' to flag this "
                                           "invoice as exported."
                                         : "This may be a duplicate transaction. Are you sure "
                                           "you want to send this invoice?"));
    EXPECT_EQ(invoicesInQuickBooks(), before + c.added);
    if (*c.mark == '1') {
      EXPECT_EQ(first("SELECT QuickBooks || '|' || QuickBooksRef || '|' || xmlAdd FROM CustSO "
                      "WHERE Number = 90001"),
                "1|O'90001|<OrderInfo><QBReference>" + first_.id + "</QBReference></OrderInfo>");
    }
  }
}

// The search looks for the reference the invoice goes with, and only at this customer's
// invoices.
TEST_F(InvoiceExportTest, TheDuplicateSearchFindsThisCustomersInvoiceUnderItsPrefixedReference) {
  setup("chkdupinvoices", "1");
  setup("chkmarkdupinvoices", "1");
  setup("chkinvoiceprefix", "1");
  setup("optinvprefix1", "True");
  addInvoice();
  ASSERT_EQ(send(), "Sent! ");
  const qb::sim::Entry sent = company().list(Kind::Invoice).back();
  ASSERT_EQ(sent.name, "INV90001");
  const std::size_t once = invoicesInQuickBooks();
  // Marked not sent with no reference recorded: found as INV90001.
  run("UPDATE CustSO SET QuickBooks = 0, QuickBooksRef = '', xmlAdd = '' WHERE Number = 90001");
  EXPECT_EQ(
      send(),
      "Possible duplicate invoice. User selected not send invoice. invoice marked as exported");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("Reference: INV90001"), std::string::npos);
  EXPECT_EQ(first("SELECT QuickBooksRef FROM CustSO WHERE Number = 90001"), "INV90001");
  EXPECT_EQ(invoicesInQuickBooks(), once);

  // Another customer's invoice of the same reference and subtotal is no duplicate.
  setup("chkinvoiceprefix", "0");
  qb::Invoice& other = ctx->components.invoice;
  other.reset();
  other.customer =
      first("SELECT QBAccountNumber FROM Customers WHERE QBAccountNumber <> '' AND Link <> " +
            customer + " ORDER BY Link LIMIT 1");
  other.refNumber = "90002";
  other.setItemCount(1);
  other.item(0).item = "Embroidery:Stitching";
  other.item(0).amount = 6300;
  other.add();
  addInvoice("", kNumber + 1);
  const std::size_t before = invoicesInQuickBooks();
  ui.messages.clear();
  EXPECT_EQ(send(kNumber + 1), "Sent! ");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(invoicesInQuickBooks(), before + 1);
  EXPECT_EQ(company().list(Kind::Invoice).back().value("CustomerRef/FullName"), customerName);
}

TEST_F(InvoiceExportTest, TaxChangeRepQuestionPoNoteAndBillingName) {
  setup("chkaddress", "1");
  addInvoice("TaxPercentage1 = 8, CustomerPO = '" + std::string(26, '7') +
             "', BillingAddress = '12 Main St' || char(13) || char(10) || 'Springfield, IL 62701'");
  assignAnswers = {{"Tax Item QuickBooks", "TX Sales Tax"}};
  ASSERT_TRUE(upd_customer(*ctx, customerName, repInitials));
  const std::string other = repInitials == "RP" ? "JM" : "RP";
  run("UPDATE Users SET QuickBooks = '" + other +
      "' WHERE Link = " + rep);  // differs from the customer's default now
  app.usersSnapshot.MoveToRoot();
  app.usersSnapshot.MoveToChild("record" + rep);
  app.usersSnapshot.SetChildValue("quickbooks", other);
  app.usersSnapshot.MoveToRoot();
  ui.answers = {Answer::Yes};
  ASSERT_EQ(send().substr(0, 6), "Sent! ");
  EXPECT_EQ(app.sharedSlots[2],
            "This invoice was taxed at 8%. After processing this invoice the tax percentage in "
            "Vantora has changed to 8.25%." +
                kCrlf + kCrlf +
                "Please select the correct 'QuickBooks Tax Item' to associate with this invoice.");
  EXPECT_EQ(app.sharedSlots[5], "8");
  EXPECT_TRUE(added("<ItemSalesTaxRef><FullName>TX Sales Tax</FullName></ItemSalesTaxRef>"));
  EXPECT_EQ(first("SELECT QBLink FROM tax WHERE Link = 1"), "CA Sales Tax");  // this invoice only
  EXPECT_TRUE(added("<PONumber>" + std::string(25, '7') + "</PONumber>"));
  EXPECT_TRUE(added("<Addr1>" +
                    xml_text(first("SELECT Description FROM Customers WHERE Link = " + customer)) +
                    "</Addr1>"));
  std::vector<std::string> titles;
  for (const auto& m : ui.messages) titles.push_back(m.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"Confirm", "Please Note"}));
  EXPECT_EQ(ui.messages[0].text,
            "The default Sales Rep in QuickBooks for this customer is different to the one on "
            "this invoice. Do you want to update the default sales rep in QuickBooks to " +
                first("SELECT FirstName FROM Users WHERE Link = " + rep) + "?");
  EXPECT_EQ(company().findByName(Kind::Customer, customerName)->value("SalesRepRef/FullName"),
            other);
}

TEST_F(InvoiceExportTest, AMarkThatFailsAfterTheAddIsNeverSilent) {
  addInvoice();
  run("CREATE TRIGGER refuse BEFORE UPDATE ON CustSO BEGIN SELECT RAISE(ABORT, 'locked'); END");
  ui.answers = {Answer::Ok};
  const std::string result = send();
  const qb::sim::Entry made = company().list(Kind::Invoice).back();
  EXPECT_EQ(result, "Sent! The invoice is in QuickBooks (reference " + made.name +
                        ") but Vantora could not be marked: mark this invoice as sent by hand "
                        "(Run > Mark as sent) so that it is not sent again. The integrator will "
                        "mark it as sent when it next connects to QuickBooks.");
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages[0].title, "Confirm");
}

TEST_F(InvoiceExportTest,
       EveryListedDemoInvoiceArrivesOnceToTheCentAndASecondRunMarksWithoutAdding) {
  createMissing = true;
  fill_customerInvoices(app, logic->state);
  WorkList& grid = logic->state.grid;
  ASSERT_GT(grid.rows.size(), 10u);
  for (auto& row : grid.rows) row.ticked = true;
  send_Invoices(*ctx);
  EXPECT_EQ(ui.status, "Operation completed");
  const std::string firstNumber = grid.rows[0].cells[kInvoiceListDocNumberColumn];
  EXPECT_NE(
      std::find(ui.statuses.begin(), ui.statuses.end(), "Sending Invoice: " + firstNumber + ".."),
      ui.statuses.end());
  std::vector<std::string> sent;
  for (const auto& row : grid.rows)
    if (row.cells[kInvoiceListCommentColumn].rfind("Sent! ", 0) == 0)
      sent.push_back(row.cells[kInvoiceListDocNumberColumn]);
  ASSERT_GT(sent.size(), 5u);
  const auto invoices = company().list(Kind::Invoice);
  for (const std::string& number : sent) {
    SCOPED_TRACE(number);
    const std::string txn = first(
        "SELECT substr(xmlAdd, instr(xmlAdd, '<QBReference>') + 13, instr(xmlAdd, "
        "'</QBReference>') - instr(xmlAdd, '<QBReference>') - 13) FROM CustSO WHERE Number = " +
        number);
    int copies = 0;
    for (const auto& invoice : invoices) {
      if (invoice.id != txn) continue;
      ++copies;
      EXPECT_EQ(invoice.name, first("SELECT QuickBooksRef FROM CustSO WHERE Number = " + number));
      // In rate mode or not, QuickBooks' subtotal and tax are Vantora's.
      EXPECT_EQ(
          invoice.value("Subtotal"),
          format_number(numeric_value(first("SELECT Total FROM CustSO WHERE Number = " + number)),
                        "0.00"));
      EXPECT_EQ(invoice.value("SalesTaxTotal"),
                format_number(numeric_value(first("SELECT TaxAmount1 FROM CustSO WHERE Number "
                                                  "= " +
                                                  number)),
                              "0.00"));
      const long lines =
          std::stol(first("SELECT COUNT(*) FROM custsodetail WHERE SONumber = " + number +
                          " AND LineType <> 'Remark' AND LineType <> 'Separator'"));
      const bool discount =
          numeric_value(first("SELECT DiscAmount FROM CustSO WHERE Number = " + number)) != 0;
      std::size_t rows = 0;
      for (std::size_t at = invoice.xml.find("<InvoiceLineRet>"); at != std::string::npos;
           at = invoice.xml.find("<InvoiceLineRet>", at + 1))
        ++rows;
      EXPECT_EQ(rows, static_cast<std::size_t>(lines + (discount ? 4 : 3)));
    }
    EXPECT_EQ(copies, 1);
  }

  // Marked not sent and sent again with the duplicate check: nothing is added, all are marked.
  setup("chkdupinvoices", "1");
  setup("chkmarkdupinvoices", "1");
  for (const std::string& number : sent)
    run("UPDATE CustSO SET QuickBooks = 0 WHERE Number = " + number);
  fill_customerInvoices(app, logic->state);
  for (auto& row : grid.rows)
    row.ticked =
        std::find(sent.begin(), sent.end(), row.cells[kInvoiceListDocNumberColumn]) != sent.end();
  ui.answers.clear();  // every duplicate question answered No
  send_Invoices(*ctx);
  EXPECT_EQ(company().list(Kind::Invoice).size(), invoices.size());
  for (const std::string& number : sent)
    EXPECT_EQ(first("SELECT QuickBooks FROM CustSO WHERE Number = " + number), "1") << number;
}

}  // namespace
}  // namespace vqb
