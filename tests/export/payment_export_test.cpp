// Payment export against the demo company: checks, applications, duplicates, adding and marking.

#include "export/payment_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <pugixml.hpp>
#include <regex>
#include <string>
#include <vector>

#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "main_window/work_lists.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/connected_demo.h"
#include "support/export_rows.h"

namespace vqb {
namespace {

using qb::sim::Kind;

const std::string kCrlf = "\r\n";

using test::xml_text;
constexpr long kReceipt = 95001;
constexpr long kInvoice = 90001;
constexpr const char* kSendInvoice = "Send Invoice ?";

class PaymentExportTest : public ::testing::Test, protected test::ConnectedDemoFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(connected);
    customer = first(
        "SELECT Link FROM Customers WHERE QBAccountNumber <> '' AND Rep BETWEEN 31 AND 34 ORDER "
        "BY Link LIMIT 1");
    other = first(
        "SELECT Link FROM Customers WHERE QBAccountNumber <> '' AND Rep BETWEEN 31 AND 34 AND "
        "Link <> " +
        customer + " ORDER BY Link LIMIT 1");
    ASSERT_FALSE(other.empty());
    customerName = first("SELECT QBAccountNumber FROM Customers WHERE Link = " + customer);
    run("INSERT INTO Customers (Link, Description, QBAccountNumber) VALUES (990001, 'Unlinked & "
        "Co', ''), (990002, 'Gone & Co', 'Gone & Co')");
    setup("optapply2", "True");
  }

  // A Vantora invoice (status 4) or work order (3) of 100.00 in two non-taxable lines (or of
  // the two `prices`), not in QuickBooks, with its register entry (id = number) for invoices.
  void addOrder(long number, const std::string& set = "",
                std::pair<const char*, const char*> prices = {"50", "50"}) {
    const std::string n = std::to_string(number);
    const test::Columns c = test::with(
        test::columns("Number = " + n + ", Customer = " + customer + ", SalesRep = " +
                      first("SELECT Rep FROM Customers WHERE Link = " + customer) +
                      ", Status = 4, Prefix = '', InvDate = 46000, Description = 'Caps', Notes "
                      "= '', CustomerPO = '', BillingAddress = '', ShipAddress = '', TaxType1 = "
                      "1, TaxPercentage1 = 8.25, TaxAmount1 = 0, DiscAmount = 0, Total = 100, "
                      "QuickBooks = 0, QuickBooksRef = '', xmlAdd = ''"),
        set);
    insert("CustSO", c);
    for (int line = 1; line <= 2; ++line) {
      const std::string price = line == 1 ? prices.first : prices.second;
      insert("custsodetail",
             test::columns("SONumber = " + n + ", LineNumber = " + std::to_string(line) +
                           ", LineType = 'Service', PrintLine = 1, Style = 'EMB1', Description "
                           "= 'Left chest', Qty = 1, UnitPrice = " +
                           price + ", AdjustedQty = 1, LineChargeAdjusted = " + price +
                           ", SalesGroup = 'EMB', Tax1 = 12, AmortizeGroup = 0, QBClass = ''"));
    }
    if (c.at("Status") == "4")
      insert("CustPost", test::columns("id = " + n + ", Customer = " + c.at("Customer") +
                                       ", Trans = 'INV', WONumber = " + n));
  }
  // A payment with its register entry (id = receipt); allocations name register ids.
  void addPayment(const std::string& set = "",
                  std::vector<std::pair<long, const char*>> allocations = {},
                  std::vector<std::pair<long, const char*>> deposits = {},
                  long receipt = kReceipt) {
    const std::string r = std::to_string(receipt);
    const test::Columns c = test::with(
        test::columns("Number = " + r + ", Customer = " + customer +
                      ", Date = 46010, Amount = 60, Method = 42, Reference = 'Chq 1234', "
                      "Comment = 'Thanks', POS = 0, Voided = 0, QuickBooks = 0"),
        set);
    insert("CustPayments", c);
    insert("CustPost", test::columns("id = " + r + ", Customer = " + c.at("Customer") +
                                     ", Trans = 'PMT', ReceiptNumber = " + r + ", WONumber = 0"));
    for (auto [dref, amount] : allocations)
      run("INSERT INTO CustAllocate (CRef, DRef, Amount) VALUES (" + r + ", " +
          std::to_string(dref) + ", " + amount + ")");
    for (auto [wo, amount] : deposits)
      run("INSERT INTO CustWOPayments (PostLink, WONumber, Amount) VALUES (" + r + ", " +
          std::to_string(wo) + ", " + amount + ")");
  }
  void setup(const std::string& key, const std::string& value) {
    save_setup_value(app, key, value);
  }
  // The orders, register entries and payment 95001 the cases of one test add.
  void clearOrdersAndPayment() {
    run("DELETE FROM CustSO WHERE Number >= 90001");
    run("DELETE FROM custsodetail WHERE SONumber >= 90001");
    run("DELETE FROM CustPost WHERE id >= 90001");
    run("DELETE FROM CustPayments WHERE Number = 95001");
    run("DELETE FROM CustAllocate WHERE CRef = 95001");
    run("DELETE FROM CustWOPayments WHERE PostLink = 95001");
  }

  std::string send(long receipt = kReceipt) { return send_Payment(*ctx, receipt); }
  std::size_t paymentsInQuickBooks() const { return company().list(Kind::ReceivePayment).size(); }
  // The ReceivePaymentAdd element of the last add request.
  std::string lastAdd() const {
    for (auto it = requests.rbegin(); it != requests.rend(); ++it)
      if (auto at = it->find("<ReceivePaymentAdd>"); at != std::string::npos)
        return it->substr(at, it->find("</ReceivePaymentAdd>") + 20 - at);
    return "";
  }
  // The QuickBooks transaction Vantora recorded for an invoice it sent.
  std::string txnOf(long invoice) const {
    return first(
        "SELECT substr(xmlAdd, instr(xmlAdd, '<QBReference>') + 13, instr(xmlAdd, "
        "'</QBReference>') - instr(xmlAdd, '<QBReference>') - 13) FROM CustSO WHERE Number = " +
        std::to_string(invoice));
  }
  std::string balanceOf(long invoice) const {
    const std::string txn = txnOf(invoice);
    for (const auto& entry : company().list(Kind::Invoice))
      if (entry.id == txn) return entry.value("BalanceRemaining");
    return "none";
  }
  std::vector<std::string> titles() const {
    std::vector<std::string> out;
    for (const auto& m : ui.messages) out.push_back(m.title);
    return out;
  }

  std::string customer, other, customerName;
};

TEST_F(PaymentExportTest, AppliedToTheSameInvoicesWithTheSameAmountsAndMarked) {
  addOrder(kInvoice);
  addOrder(kInvoice + 1);
  addOrder(kInvoice + 2, "Status = 3");  // a work order taking a deposit
  // not an invoice
  run("INSERT INTO CustPost (id, Customer, Trans, WONumber) VALUES (90100, " + customer +
      ", 'JNL', 0)");
  addPayment("Amount = 70", {{kInvoice, "30"}, {90100, "5"}, {kInvoice + 1, "20.005"}},
             {{kInvoice + 2, "10"}});
  ui.answers = {Answer::Yes, Answer::Yes, Answer::Yes};
  EXPECT_EQ(send(), "Sent!");
  ASSERT_EQ(titles(), (std::vector<std::string>{kSendInvoice, kSendInvoice, kSendInvoice}));
  EXPECT_EQ(ui.messages[2].text,
            "This payment is reserved as a deposit against work order 90003 that has not yet "
            "been sent to QuickBooks. In order to apply this payment to the correct invoice in "
            "QuickBooks we need to export this work order first. Do you want to send this WO as "
            "an invoice to QuickBooks now ?");
  const auto payments = company().list(Kind::ReceivePayment);
  const qb::sim::Entry& made = payments.back();
  auto txn = [&](long n) { return txnOf(n); };
  EXPECT_EQ(
      lastAdd(),
      "<ReceivePaymentAdd><CustomerRef><FullName>" + xml_text(customerName) +
          "</FullName></CustomerRef><TxnDate>2025-12-19</TxnDate><RefNumber>Chq 1234</RefNumber>"
          "<TotalAmount>70.00</TotalAmount><PaymentMethodRef><FullName>Check</FullName>"
          "</PaymentMethodRef><DepositToAccountRef><FullName>Undeposited Funds</FullName>"
          "</DepositToAccountRef><AppliedToTxnAdd><TxnID>" +
          txn(kInvoice) +
          "</TxnID><PaymentAmount>30.00</PaymentAmount></AppliedToTxnAdd><AppliedToTxnAdd>"
          "<TxnID>" +
          txn(kInvoice + 1) +
          "</TxnID><PaymentAmount>20.01</PaymentAmount></AppliedToTxnAdd><AppliedToTxnAdd>"
          "<TxnID>" +
          txn(kInvoice + 2) +
          "</TxnID><PaymentAmount>10.00</PaymentAmount></AppliedToTxnAdd></ReceivePaymentAdd>");
  EXPECT_EQ(balanceOf(kInvoice), "70.00");
  EXPECT_EQ(balanceOf(kInvoice + 1), "79.99");
  EXPECT_EQ(balanceOf(kInvoice + 2), "90.00");
  EXPECT_EQ(made.value("UnusedPayment"), "9.99");
  EXPECT_EQ(
      first("SELECT QuickBooks || '|' || QuickBooksRef FROM CustPayments WHERE Number = 95001"),
      "1|" + made.id);
  EXPECT_NE(first("SELECT QuickBooksDS FROM CustPayments WHERE Number = 95001"), "");
  EXPECT_EQ(ui.status, "Sending Payment 90003");
}

TEST_F(PaymentExportTest, EachStopSaysWhyAndSendsNothing) {
  struct Case {
    const char* name;
    std::string payment;
    const char* sql;  // run before sending
    const char* expected;
  };
  const Case cases[] = {
      {"no payment", "", "DELETE FROM CustPayments WHERE Number = 95001",
       "Cannot find payment in Vantora database."},
      {"no register entry", "", "DELETE FROM CustPost WHERE id = 95001",
       "Cannot find payment register entry in Vantmora."},
      {"no customer", "", "UPDATE CustPost SET Customer = 999999 WHERE id = 95001",
       "Cannot find customer in Vantmora."},
      {"unlinked customer", "", "UPDATE CustPost SET Customer = 990001 WHERE id = 95001",
       "No customer account in QuickBooks associated with this customer. Not Exported."},
      {"customer gone", "", "UPDATE CustPost SET Customer = 990002 WHERE id = 95001",
       "Cannot validate existance of customer in QuickBooks. Not Exported."},
      {"method", "Method = 99", "",
       "No valid payment method associated with this transaction, in Vantora. Cannot export "
       "payment."},
      {"QuickBooks method", "Method = 46", "",
       "No valid QuickBooks 'payment method' associated with this transaction. Cannot export"},
      {"deposit account", "Method = 45", "",
       "Cannot validate QB ledger account where payment will be deposite to. Payment not sent!"},
      {"not applied as in Vantora", "",
       "INSERT INTO CustAllocate (CRef, DRef, Amount) VALUES (95001, 90001, 30), (95001, 90002, "
       "30)",
       "Could not apply payments to the correct invoices in QuickBooks"},
  };
  addOrder(kInvoice);
  addOrder(kInvoice + 1, "QuickBooks = 1");  // marked sent, yet QuickBooks does not have it
  // The wire transfers' account is gone from QuickBooks (the assign window is cancelled).
  app.qbAccounts.RemoveChildrenWithContent("Checking");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    run("DELETE FROM CustPayments WHERE Number = 95001");
    run("DELETE FROM CustPost WHERE id = 95001");
    run("DELETE FROM CustAllocate WHERE CRef = 95001");
    addPayment(c.payment);
    if (*c.sql) run(c.sql);
    ui.answers = {Answer::Yes, Answer::No};  // send the invoice; do not send unapplied
    const std::size_t before = paymentsInQuickBooks();
    EXPECT_EQ(send(), c.expected);
    EXPECT_EQ(paymentsInQuickBooks(), before);
    EXPECT_NE(first("SELECT QuickBooks FROM CustPayments WHERE Number = 95001"), "1");
  }
  // The "Confirm" question names the reason, and the invoice sent for it stays sent.
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().title, "Confirm");
  EXPECT_EQ(
      ui.messages.back().text,
      "We are unable to apply this payment to the same invoices in QuickBooks as those in "
      "Vantora for the following reason: " +
          kCrlf + "Invoice 90002 not found in QuickBooks." + kCrlf + kCrlf +
          "Do you want to send this payment without applying it to any exisitng transactions ?");
  EXPECT_EQ(first("SELECT QuickBooks FROM CustSO WHERE Number = 90001"), "1");
}

// Applications rounded together: they add up to the cents of their total, never more than the
// payment, one per invoice, each within what this payment left of the invoice's balance.
TEST_F(PaymentExportTest, ApplicationsAddUpToThePaymentToTheCent) {
  struct Case {
    const char* name;
    const char* amount;
    std::vector<std::pair<long, const char*>> allocations, deposits;
    std::pair<const char*, const char*> prices;  // of invoice 90001's two lines
    const char* expected;
    const char* applied;  // QuickBooks' applications, "invoice:amount" in order
    const char* balance;  // of invoice 90001 afterwards
  };
  const Case cases[] = {
      {"halves",
       "40.01",
       {{kInvoice, "20.005"}, {kInvoice + 1, "20.005"}},
       {},
       {"50", "50"},
       "Sent!",
       "90001:20.01,90002:20.00",
       "79.99"},
      {"never over the payment",
       "40",
       {{kInvoice, "30.004"}, {kInvoice + 1, "10.004"}},
       {},
       {"50", "50"},
       "Sent!",
       "90001:30.00,90002:10.00",
       "70.00"},
      {"exactly the balance",
       "100",
       {{kInvoice, "100"}},
       {},
       {"50", "50"},
       "Sent!",
       "90001:100.00",
       "0.00"},
      {"allocation and deposit, one application",
       "4000",
       {{kInvoice, "2000"}},
       {{kInvoice, "2000"}},
       {"2181.10", "2181.09"},
       "Sent!",
       "90001:4000.00",
       "362.19"},
      // The deposit is checked against what the allocation left: the payment goes unapplied.
      {"allocation and deposit over the balance",
       "5000",
       {{kInvoice, "2500"}},
       {{kInvoice, "2500"}},
       {"2181.10", "2181.09"},
       "Sent!",
       "",
       "4362.19"},
  };
  std::vector<std::string> texts;
  ui.onMessage = [&](const std::string& text, const std::string&) {
    texts.push_back(text);
    return Answer::Yes;  // send the invoices; send unapplied
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clearOrdersAndPayment();
    addOrder(kInvoice, "", c.prices);
    addOrder(kInvoice + 1);
    addPayment(std::string("Amount = ") + c.amount, c.allocations, c.deposits);
    texts.clear();
    const std::size_t before = paymentsInQuickBooks();
    EXPECT_EQ(send(), c.expected);
    ASSERT_EQ(paymentsInQuickBooks(), before + 1);
    const qb::sim::Entry made = company().list(Kind::ReceivePayment).back();
    EXPECT_EQ(made.value("TotalAmount"), format_number(numeric_value(c.amount), "0.00"));
    pugi::xml_document doc;
    doc.load_string(made.xml.c_str());
    std::string applied;
    for (pugi::xml_node line : doc.first_child().children("AppliedToTxnRet"))
      applied += (applied.empty() ? "" : ",") + std::string(line.child_value("RefNumber")) + ":" +
                 line.child_value("Amount");
    EXPECT_EQ(applied, c.applied);
    EXPECT_EQ(balanceOf(kInvoice), c.balance);
    if (!*c.applied) {
      ASSERT_FALSE(texts.empty());
      EXPECT_NE(texts.back().find("The amount of 2500.00 could not be applied to invoice 90001. "
                                  "The balance outstanding in QuickBooks is 1862.19"),
                std::string::npos)
          << texts.back();
    }
  }
}

TEST_F(PaymentExportTest, AnApplicationThatFailsSaysWhy) {
  struct Case {
    const char* name;
    std::vector<std::pair<long, const char*>> allocations;
    std::vector<std::pair<long, const char*>> deposits;
    std::vector<Answer> answers;
    const char* expected;
    const char* applied;  // an AppliedToTxnAdd fragment, or "" when unapplied
  };
  const Case cases[] = {
      {"over the balance",
       {{kInvoice, "120"}},
       {},
       {Answer::Yes},
       "Sent! Not applied to any invoice: The amount of 120.00 could not be applied to invoice "
       "90001. The balance outstanding in QuickBooks is 100.00",
       ""},
      {"invoice declined",
       {{kInvoice, "20"}},
       {},
       {Answer::No},
       "Sent! Not applied to any invoice: Invoice 90001 not in QuickBooks.",
       ""},
      {"work order declined",
       {},
       {{kInvoice + 2, "20"}},
       {Answer::No},
       "Sent! Not applied to any invoice: Work Order 90003 not in QuickBooks.",
       ""},
      {"missing work order",
       {},
       {{kInvoice + 9, "20"}},
       {},
       "Sent! Not applied to any invoice: Cannot find WO 90010",
       ""},
      // An allocation whose register entry is gone is not against an invoice: nothing to apply.
      {"missing register entry", {{424242, "20"}}, {}, {}, "Sent!", ""},
      // The failed allocation ends the allocation walk; the deposits are still walked.
      {"one of two fails, sent unapplied",
       {{kInvoice, "120"}, {kInvoice + 1, "10"}},
       {{kInvoice + 2, "20"}},
       {Answer::Yes, Answer::Yes, Answer::Yes},
       "Sent!",
       ""},
      {"applied",
       {{kInvoice, "20"}},
       {},
       {Answer::Yes},
       "Sent!",
       "<PaymentAmount>20.00</PaymentAmount>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clearOrdersAndPayment();
    addOrder(kInvoice);
    addOrder(kInvoice + 1);
    addOrder(kInvoice + 2, "Status = 3");
    addPayment("", c.allocations, c.deposits);
    ui.messages.clear();
    ui.answers = {c.answers.begin(), c.answers.end()};
    ui.answers.push_back(Answer::Yes);  // "Confirm": send unapplied
    EXPECT_EQ(send(), c.expected);
    const std::string add = lastAdd();
    EXPECT_NE(add.find(*c.applied ? c.applied : "<IsAutoApply>false</IsAutoApply>"),
              std::string::npos)
        << add;
    if (std::string(c.name) == "one of two fails, sent unapplied") {
      ASSERT_EQ(titles(), (std::vector<std::string>{kSendInvoice, kSendInvoice, "Confirm"}));
      EXPECT_NE(ui.messages.back().text.find(
                    "The amount of 120.00 could not be applied to invoice 90001."),
                std::string::npos);
      EXPECT_EQ(first("SELECT QuickBooks FROM CustSO WHERE Number = 90002"), "0")
          << "the walk stopped before it";
    }
  }
}

// A work order sent during the deposit walk opens the address dialog, which shows its text
// through slot 200: the "unable to apply" question still gives the allocation's failure.
TEST_F(PaymentExportTest, TheAddressDialogDoesNotReplaceTheFailureAskedAbout) {
  const std::string address(50, 'Z');  // one line too long to split: only the dialog can
  addOrder(kInvoice);
  addOrder(kInvoice + 2, "Status = 3, BillingAddress = '" + address + "'");
  addPayment("", {{kInvoice, "120"}}, {{kInvoice + 2, "20"}});
  std::vector<std::string> addressesShown;
  ui.onDialog = [&](DialogKind kind, const std::string&) {
    if (kind != DialogKind::ParseAddress) return;
    addressesShown.push_back(app.sharedSlots[200]);
    app.sharedSlots[0] = "1";
    app.sharedSlots[201] = "ZZ";
  };
  ui.answers = {Answer::Yes, Answer::Yes, Answer::Yes};
  EXPECT_EQ(send(), "Sent!");
  EXPECT_EQ(addressesShown, std::vector<std::string>{address});
  EXPECT_EQ(titles(), (std::vector<std::string>{kSendInvoice, kSendInvoice, "Confirm"}));
  EXPECT_EQ(ui.messages.back().text,
            "We are unable to apply this payment to the same invoices in QuickBooks as those in "
            "Vantora for the following reason: " +
                kCrlf +
                "The amount of 120.00 could not be applied to invoice 90001. The balance "
                "outstanding in QuickBooks is 100.00" +
                kCrlf + kCrlf +
                "Do you want to send this payment without applying it to any exisitng "
                "transactions ?");
}

TEST_F(PaymentExportTest, HeaderOptionsChooseApplicationMemoReferenceAndAccount) {
  // `expected` and `absent` list fragments of the add, "|" between them.
  struct Case {
    const char* setup;  // "key=value;..."
    std::string payment, expected, absent;
    std::string result = "Sent!";
  };
  const Case cases[] = {
      {"optapply0=True", "", "<IsAutoApply>false</IsAutoApply>|<RefNumber>Chq 1234</RefNumber>",
       "<Memo>"},
      {"optapply1=True;optapply2=", "", "<IsAutoApply>true</IsAutoApply>", ""},
      {"optpmemo1=True", "Comment = 'Paid <late> & O''Neil'",
       "<Memo>Paid &lt;late&gt; &amp; O'Neil</Memo>", ""},
      {"optpmemo2=True", "", "<Memo>95001</Memo>", ""},
      {"optpmemo3=True", "Reference = 'REMITTANCE ADVICE 2025-123456'",
       "<Memo>REMITTANCE ADVICE 2025-123456</Memo>|<RefNumber>REMITTANCE ADVICE 20</RefNumber>", "",
       "Sent! The reference number was cut to the 20 characters QuickBooks takes."},
      {"", "Reference = '', Method = 41, Amount = 12.345",
       "<RefNumber>95001</RefNumber>|<TotalAmount>12.35</TotalAmount>|<PaymentMethodRef><FullName>"
       "Cash</FullName>",
       "<DepositToAccountRef>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    for (const char* key : {"optapply0", "optapply1", "optpmemo1", "optpmemo2", "optpmemo3"})
      setup(key, "");
    setup("optapply2", "True");
    test::apply_settings(c.setup, [&](auto key, auto value) { setup(key, value); });
    run("DELETE FROM CustPayments WHERE Number = 95001");
    run("DELETE FROM CustPost WHERE id = 95001");
    addPayment(c.payment);
    ASSERT_EQ(send(), c.result);
    for (const auto& fragment : test::split(c.expected, '|'))
      EXPECT_NE(lastAdd().find(fragment), std::string::npos) << fragment << "\n" << lastAdd();
    for (const auto& fragment : test::split(c.absent, '|'))
      EXPECT_EQ(lastAdd().find(fragment), std::string::npos) << fragment;
  }
}

TEST_F(PaymentExportTest, ADuplicateIsSentMarkedOrLeftAsTheUserSays) {
  addPayment("Reference = '', Comment = 'Paid'");
  ASSERT_EQ(send(), "Sent!");
  const std::string txn = company().list(Kind::ReceivePayment).back().id;
  setup("chkduppayments", "1");
  // Same customer and amount, but neither its memo nor its reference holds this receipt: no
  // question.
  addPayment("Reference = 'Chq 77'", {}, {}, kReceipt + 1);
  ASSERT_EQ(send(kReceipt + 1), "Sent!");
  EXPECT_TRUE(ui.messages.empty());
  const std::string question = "Vantora detected another payment in QuickBooks for " +
                               first("SELECT Description FROM Customers WHERE Link = " + customer) +
                               " for the same amount and has the following references:" + kCrlf +
                               kCrlf + "Reference: 95001" + kCrlf + "Memo: " + kCrlf +
                               "Matched: receipt number 95001 in the reference" + kCrlf + kCrlf;
  struct Case {
    const char* mark;
    Answer answer;
    const char* result;
    std::size_t added;
  };
  const Case cases[] = {
      {"0", Answer::No, "Possible duplicate payment. User selected not send payment.", 0},
      {"1", Answer::No,
       "Possible duplicate payment. User selected not send payment. Payment marked as exported", 0},
      {"0", Answer::Yes, "Sent!", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    setup("chkmarkduppayments", c.mark);
    run("UPDATE CustPayments SET QuickBooks = 0, QuickBooksRef = '' WHERE Number = 95001");
    ui.messages.clear();
    ui.answers = {c.answer};
    const std::size_t before = paymentsInQuickBooks();
    EXPECT_EQ(send(), c.result);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Warning!");
    EXPECT_EQ(ui.messages[0].text,
              question + (*c.mark == '1' ? "This may be a duplicate transaction. Click 'YES' to "
                                           "send this payment anyhow. Click 'NO' to flag this "
                                           "payment as exported."
                                         : "This may be a duplicate transaction. Are you sure "
                                           "you want to send this payment?"));
    EXPECT_EQ(paymentsInQuickBooks(), before + c.added);
    if (*c.mark == '1') {
      EXPECT_EQ(
          first("SELECT QuickBooks || '|' || QuickBooksRef FROM CustPayments WHERE Number = 95001"),
          "1|" + txn);
    }
  }
  // The amount must match to the cent and the receipt number must appear.
  EXPECT_TRUE(chkdup_QBPayment(*ctx, customerName, 60, "95001", ""));
  EXPECT_FALSE(chkdup_QBPayment(*ctx, customerName, 60.01, "95001", ""));
  EXPECT_FALSE(chkdup_QBPayment(*ctx, customerName, 60, "95009", ""));
  EXPECT_EQ(app.sharedSlots[30], "");
  // Found by its memo when the memo is the receipt number.
  setup("chkduppayments", "0");
  setup("optpmemo2", "True");
  addPayment("Reference = 'Chq 88', Amount = 61", {}, {}, kReceipt + 2);
  ASSERT_EQ(send(kReceipt + 2), "Sent!");
  EXPECT_TRUE(chkdup_QBPayment(*ctx, customerName, 61, "95003", "Chq 88"));
  EXPECT_EQ(app.sharedSlots[30], company().list(Kind::ReceivePayment).back().id);
}

// Sent again after "Mark as NOT sent": found by the transaction Vantora recorded, whatever the
// memo and reference hold, or by an amount compared as it was sent.
TEST_F(PaymentExportTest, ASentPaymentIsFoundAgainByItsTransactionOrItsAmountInCents) {
  setup("chkduppayments", "1");
  setup("chkmarkduppayments", "1");
  struct Case {
    const char* name;
    const char* payment;
    const char* setup;
    const char* clearRecorded;  // the SQL run after the first send
    const char* matched;
  };
  const Case cases[] = {
      {"recorded transaction", "Amount = 60", "",
       "UPDATE CustPayments SET QuickBooks = 0 WHERE Number = ",
       "Matched: the QuickBooks payment Vantora recorded when it sent this payment"},
      {"memo, half a cent", "Amount = 12.345", "optpmemo2=True",
       "UPDATE CustPayments SET QuickBooks = 0, QuickBooksRef = '' WHERE Number = ",
       "Matched: receipt number 9500% in the memo"},
  };
  long receipt = kReceipt;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ++receipt;
    test::apply_settings(c.setup, [&](auto key, auto value) { setup(key, value); });
    addPayment(c.payment, {}, {}, receipt);
    ui.messages.clear();
    ASSERT_EQ(send(receipt), "Sent!");
    ASSERT_TRUE(ui.messages.empty());
    const std::size_t before = paymentsInQuickBooks();
    const std::string txn = company().list(Kind::ReceivePayment).back().id;
    run(c.clearRecorded + std::to_string(receipt));
    EXPECT_EQ(send(receipt),
              "Possible duplicate payment. User selected not send payment. Payment marked as "
              "exported");
    EXPECT_EQ(paymentsInQuickBooks(), before);
    EXPECT_EQ(first("SELECT QuickBooks || '|' || QuickBooksRef FROM CustPayments WHERE Number = " +
                    std::to_string(receipt)),
              "1|" + txn);
    ASSERT_EQ(ui.messages.size(), 1u);
    std::string matched = c.matched;
    if (auto at = matched.find('%'); at != std::string::npos)
      matched.replace(at, 1, std::to_string(receipt % 10));
    EXPECT_NE(ui.messages[0].text.find(kCrlf + matched + kCrlf + kCrlf), std::string::npos)
        << ui.messages[0].text;
  }
}

TEST_F(PaymentExportTest, RefusalsAndFailedMarksAreReportedOnTheRow) {
  // An allocation to another customer's invoice: QuickBooks refuses the add.
  addOrder(kInvoice, "Customer = " + other);
  addPayment("", {{kInvoice, "30"}});
  ui.answers = {Answer::Yes, Answer::Ok};
  const std::string refused = send();
  EXPECT_EQ(refused.rfind("3210 ", 0), 0u) << refused;
  EXPECT_NE(refused.find("is not an invoice of customer"), std::string::npos) << refused;
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].title, "Application Error");
  EXPECT_NE(ui.messages[1].text.find("send_Payment"), std::string::npos) << ui.messages[1].text;
  EXPECT_EQ(first("SELECT QuickBooks FROM CustPayments WHERE Number = 95001"), "0");

  // A deposit account chosen in the assign window is written back, its quote doubled.
  run("DELETE FROM CustAllocate");
  app.qbAccounts.RemoveChildrenWithContent("Checking");
  ui.onDialog = [this](DialogKind kind, const std::string&) {
    if (kind == DialogKind::Assign) app.sharedSlots[0] = "Bob's Bank";
  };
  run("UPDATE CustPayments SET Method = 45 WHERE Number = 95001");
  run("CREATE TRIGGER refuse BEFORE UPDATE ON CustPayments BEGIN SELECT RAISE(ABORT, 'locked'); "
      "END");
  ui.messages.clear();
  ui.answers = {Answer::Ok};
  EXPECT_EQ(
      send(),
      "Sent! The payment is in QuickBooks but Vantora could not be marked: mark this payment as "
      "sent by hand (Run > Mark as sent) so that it is not sent again. The integrator will mark "
      "it as sent when it next connects to QuickBooks.");
  EXPECT_EQ(first("SELECT QBLedger FROM CustPaymentMethods WHERE Link = 45"), "Bob's Bank");
  EXPECT_EQ(lastAdd().find("<DepositToAccountRef>"), std::string::npos);
  EXPECT_EQ(titles(), (std::vector<std::string>{"Confirm"}));  // the failed write's own box
}

TEST_F(PaymentExportTest, EveryListedDemoPaymentIsAppliedAsInVantoraToTheCent) {
  ui.onDialog = [this](DialogKind kind, const std::string&) {
    if (kind == DialogKind::CustomerValidation) app.sharedSlots[1] = "1";
  };
  // Rows in grid order (all ticked): the reason of the "Confirm" answered Yes, by row.
  std::size_t rowsStarted = 0;
  std::map<std::size_t, std::string> confirmed;
  ui.onProcessEvents = [&] {
    if (ui.status.rfind("Sending Payment: ", 0) == 0 &&
        (ui.statuses.size() < 2 || ui.statuses[ui.statuses.size() - 2] != ui.status))
      ++rowsStarted;
  };
  ui.onMessage = [&](const std::string& text, const std::string& title) {
    if (title == "Confirm") {
      const std::size_t from = text.find(kCrlf) + 2;
      confirmed[rowsStarted - 1] = text.substr(from, text.find(kCrlf, from) - from);
    }
    return title == kSendInvoice || title == "Confirm" ? Answer::Yes : Answer::No;
  };
  // The demo's invoices marked sent were never in this company: they go afresh when a payment needs
  // them.
  run("UPDATE CustSO SET QuickBooks = 0, xmlAdd = ''");
  fill_customerPayments(app, logic->state);
  WorkList& grid = logic->state.grid;
  ASSERT_GE(grid.rows.size(), 3u);
  for (auto& row : grid.rows) row.ticked = true;
  send_Payments(*ctx);
  EXPECT_EQ(ui.status, "Operation completed");
  const std::string shown =
      "Sending Payment: " + grid.rows[0].cells[1] + " - " + grid.rows[0].cells[2];
  EXPECT_NE(std::find(ui.statuses.begin(), ui.statuses.end(), shown), ui.statuses.end()) << shown;

  std::vector<std::string> sent;
  std::map<std::string, std::int64_t> applied;  // cents per QuickBooks invoice
  const auto payments = company().list(Kind::ReceivePayment);
  for (std::size_t r = 0; r < grid.rows.size(); ++r) {
    const std::string receipt = grid.rows[r].cells[kPaymentListReceiptColumn];
    const std::string& result = grid.rows[r].cells[kPaymentListCommentColumn];
    SCOPED_TRACE(receipt + ": " + result);
    ASSERT_FALSE(result.empty());
    if (result.rfind("Sent!", 0) != 0) continue;
    sent.push_back(receipt);
    const std::string txn =
        first("SELECT QuickBooksRef FROM CustPayments WHERE Number = " + receipt);
    auto made =
        std::find_if(payments.begin(), payments.end(), [&](const auto& p) { return p.id == txn; });
    ASSERT_NE(made, payments.end());
    EXPECT_EQ(made->value("TotalAmount"),
              format_number(
                  numeric_value(first("SELECT Amount FROM CustPayments WHERE Number = " + receipt)),
                  "0.00"));
    // Vantora's applications and QuickBooks', as "invoice number:cents" (one per invoice),
    // sorted.
    const std::string post =
        first("SELECT id FROM CustPost WHERE Trans = 'PMT' AND ReceiptNumber = " + receipt);
    const std::string vantora = first(
        "SELECT IFNULL(group_concat(x, ','), '') FROM (SELECT w || ':' || CAST(SUM(c) AS "
        "INTEGER) AS x FROM (SELECT p.WONumber AS w, ROUND(a.Amount * 100) AS c FROM "
        "CustAllocate a JOIN CustPost p ON p.id = a.DRef WHERE a.CRef = " +
        post +
        " AND p.WONumber >= 1 UNION ALL SELECT WONumber, ROUND(Amount * 100) FROM CustWOPayments "
        "WHERE WONumber >= 1 AND PostLink = " +
        post + ") GROUP BY w ORDER BY x)");
    std::vector<std::string> lines;
    pugi::xml_document doc;
    doc.load_string(made->xml.c_str());
    for (pugi::xml_node line : doc.first_child().children("AppliedToTxnRet")) {
      const std::int64_t cents = to_hundredths(numeric_value(line.child_value("Amount")));
      lines.push_back(std::string(line.child_value("RefNumber")) + ":" + std::to_string(cents));
      applied[line.child_value("TxnID")] += cents;
    }
    std::sort(lines.begin(), lines.end());
    std::string quickbooks;
    for (const auto& line : lines) quickbooks += (quickbooks.empty() ? "" : ",") + line;
    if (quickbooks.empty() && !vantora.empty()) {
      // Unapplied only where the demo says why: an invoice or work order it cannot send.
      const std::string prefix = "Sent! Not applied to any invoice: ";
      const std::string reason =
          confirmed.count(r) ? confirmed[r]
                             : (result.rfind(prefix, 0) == 0 ? result.substr(prefix.size()) : "");
      std::smatch unsent;
      ASSERT_TRUE(std::regex_match(
          reason, unsent,
          std::regex("Could not export (invoice|work order) ([0-9]+) to QuickBooks\\.( .*)?")))
          << reason;
      EXPECT_EQ(first("SELECT QuickBooks FROM CustSO WHERE Number = " + unsent[2].str()), "0");
    } else {
      EXPECT_EQ(quickbooks, vantora);
    }
  }
  ASSERT_GE(sent.size(), 2u);
  ASSERT_FALSE(applied.empty());
  for (const auto& invoice : company().list(Kind::Invoice)) {
    SCOPED_TRACE(invoice.name);
    const std::int64_t total = to_hundredths(numeric_value(invoice.value("Subtotal"))) +
                               to_hundredths(numeric_value(invoice.value("SalesTaxTotal")));
    EXPECT_EQ(to_hundredths(numeric_value(invoice.value("BalanceRemaining"))),
              total - applied[invoice.id]);
  }

  // Marked not sent and sent again with the duplicate check: nothing is added.
  setup("chkduppayments", "1");
  setup("chkmarkduppayments", "1");
  for (const std::string& receipt : sent)
    run("UPDATE CustPayments SET QuickBooks = 0 WHERE Number = " + receipt);
  fill_customerPayments(app, logic->state);
  for (auto& row : grid.rows)
    row.ticked =
        std::find(sent.begin(), sent.end(), row.cells[kPaymentListReceiptColumn]) != sent.end();
  ui.onMessage = nullptr;
  ui.answers.clear();  // every duplicate question answered No
  send_Payments(*ctx);
  EXPECT_EQ(company().list(Kind::ReceivePayment).size(), payments.size());
  for (const std::string& receipt : sent)
    EXPECT_EQ(first("SELECT QuickBooks FROM CustPayments WHERE Number = " + receipt), "1")
        << receipt;
}

}  // namespace
}  // namespace vqb
