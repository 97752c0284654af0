// Crash-safe sends on the demo: each export journals its add, and recovery settles a lost
// answer, a refused add, an expired message set and a failed mark without sending twice.

#include "export/intent_recovery.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app/database.h"
#include "app/setup_file.h"
#include "app/work_list.h"
#include "export/customer_export.h"
#include "export/intent_journal.h"
#include "export/invoice_export.h"
#include "export/payment_export.h"
#include "export/purchase_order_export.h"
#include "export/supplier_export.h"
#include "quickbooks/qb_error.h"
#include "support/connected_demo.h"

namespace vqb {
namespace {

using qb::sim::Entry;
using qb::sim::Kind;

constexpr long kReceipt = 95001;
constexpr long kOrder = 97001;

// What a test needs to know of one send kind.
struct KindCase {
  const char* kind;
  const char* requestTag;
  Kind qbKind;
  const char* table;  // refuses updates while the mark is to fail
  // The Vantora reference of the record once marked, and what QuickBooks has for it.
  const char* markSql;  // followed by the key
  std::string (*reference)(const Entry&);
  const char* name;  // of the customer or supplier sent; nullptr for transactions
};

const KindCase kKinds[] = {
    {"customer", "CustomerAddRq", Kind::Customer, "Customers",
     "SELECT QBAccountNumber FROM Customers WHERE Link = ", [](const Entry& e) { return e.name; },
     "Journal & Sons"},
    {"supplier", "VendorAddRq", Kind::Vendor, "Suppliers",
     "SELECT QBAccount FROM Suppliers WHERE Link = ", [](const Entry& e) { return e.name; },
     "Journal Supply"},
    {"invoice", "InvoiceAddRq", Kind::Invoice, "CustSO",
     "SELECT QuickBooksRef FROM CustSO WHERE Number = ", [](const Entry& e) { return e.name; },
     nullptr},
    {"payment", "ReceivePaymentAddRq", Kind::ReceivePayment, "CustPayments",
     "SELECT QuickBooksRef FROM CustPayments WHERE Number = ", [](const Entry& e) { return e.id; },
     nullptr},
    {"purchase order", "PurchaseOrderAddRq", Kind::PurchaseOrder, "SuppPO",
     "SELECT QBRef || '|' || QBURef FROM SuppPO WHERE Number = ",
     [](const Entry& e) { return e.name + "|" + e.id; }, nullptr},
};

// The demo connected, with one record of a kind ready to send.
class RecoveryFixture : protected test::ConnectedDemoFixture {
 protected:
  const KindCase& k() const { return *case_; }

  void setUpKind(const KindCase& kindCase) {
    case_ = &kindCase;
    ASSERT_TRUE(connected);
    if (k().name != nullptr) {  // names are sent without their code mappings
      MappingSwitches& s = logic->switches;
      s.useCustomerGroups = s.useSalesTax = s.useCustomerTerms = s.useReps = false;
    }
    ui.onDialog = [this](DialogKind kind, const std::string&) {
      if (kind == DialogKind::CustomerValidation) app.sharedSlots[1] = "1";
    };
    key = prepare(k().kind);
    ASSERT_FALSE(key.empty());
  }

  // A record of the kind that sends cleanly; its key.
  std::string prepare(const std::string& kind) {
    if (kind == "customer") {
      run("INSERT INTO Customers (Link, Description, Tel, BAddress, SAddress, QBAccountNumber) "
          "VALUES (900100, 'Journal & Sons', '555-0100', '', '', '')");
      return "900100";
    }
    if (kind == "supplier") {
      run("INSERT INTO Suppliers (Link, Description, Tel, Email, BAddress, SAddress, QBAccount) "
          "VALUES (900100, 'Journal Supply', '555-0199', '', '', '', '')");
      return "900100";
    }
    if (kind == "invoice") {
      // A demo invoice of a customer QuickBooks knows, not sent yet.
      return first(
          "SELECT s.Number FROM CustSO s JOIN Customers c ON c.Link = s.Customer WHERE s.Status = "
          "4 AND s.QuickBooks = 0 AND c.QBAccountNumber <> '' ORDER BY s.Number LIMIT 1");
    }
    if (kind == "purchase order") {
      // An order of a supplier QuickBooks knows, one line of a mapped sales group.
      const std::string supplier =
          first("SELECT Link FROM Suppliers WHERE QBAccount <> '' ORDER BY Link LIMIT 1");
      const std::string order = std::to_string(kOrder);
      run("INSERT INTO SuppPO (Number, Supplier, Date, Subtotal, GoodsIn, SendQB) VALUES (" +
          order + ", " + supplier + ", 46000, 39, 'No', 0)");
      run("INSERT INTO SuppPODetail (PONumber, LineNumber, RemarkLine, SalesGroup, Style, "
          "Description, UnitCost, Qty) VALUES (" +
          order + ", 1, 0, 'GAR', 'G500', 'Heavy Cotton Tee', 3.25, 12)");
      return order;
    }
    const std::string customer =
        first("SELECT Link FROM Customers WHERE QBAccountNumber <> '' ORDER BY Link LIMIT 1");
    const std::string method = first("SELECT Link FROM CustPaymentMethods ORDER BY Link LIMIT 1");
    const std::string receipt = std::to_string(kReceipt);
    run("INSERT INTO CustPayments (Number, Customer, Date, Amount, Method, Reference, Comment, "
        "POS, Voided, QuickBooks) VALUES (" +
        receipt + ", " + customer + ", 46010, 60, " + method + ", 'Chq 1234', 'Thanks', 0, 0, 0)");
    run("INSERT INTO CustPost (id, Customer, Trans, ReceiptNumber, WONumber) VALUES (" + receipt +
        ", " + customer + ", 'PMT', " + receipt + ", 0)");
    save_setup_value(app, "optpmemo2", "True");  // the memo carries the receipt number
    return receipt;
  }

  std::string send() {
    const std::string kind = k().kind;
    const long k = std::stol(key);
    if (kind == "customer") return send_Customer(*ctx, k);
    if (kind == "supplier") return send_Supplier(*ctx, k);
    if (kind == "invoice") return send_Invoice(*ctx, k);
    if (kind == "purchase order") return send_PO(*ctx, k);
    return send_Payment(*ctx, k);
  }
  std::vector<Entry> inQuickBooks() const { return company().list(k().qbKind); }
  // QuickBooks' reference of the record sent: the name, or that of the last transaction.
  std::string reference() const {
    if (k().name == nullptr) return k().reference(inQuickBooks().back());
    auto entry = company().findByName(k().qbKind, k().name);
    return entry ? entry->name : "(none)";
  }
  std::string mark() const { return first(k().markSql + key); }
  std::vector<Intent> open() const { return IntentJournal(app.settingsFolder).pending(); }
  void refuseMarks() const {
    run(std::string("CREATE TRIGGER refuse BEFORE UPDATE ON ") + k().table +
        " BEGIN SELECT RAISE(ABORT, 'locked'); END");
  }
  std::vector<RecoveredRecord> recover() { return recover_intents(*ctx); }
  // "Was sent on <time of the open entry>" followed by `tail`.
  std::string line(const std::string& tail) const { return "Was sent on " + sentAt + tail; }

  std::string key, sentAt;

 private:
  const KindCase* case_ = nullptr;
};

class IntentRecoveryTest : public ::testing::TestWithParam<KindCase>, protected RecoveryFixture {
 protected:
  void SetUp() override { setUpKind(GetParam()); }
};

TEST_P(IntentRecoveryTest, AnAnswerLostAfterTheAddIsMarkedFromTheKeptResponse) {
  const std::size_t before = inQuickBooks().size();
  company().dropAnswerOf(k().requestTag);
  send();
  company().clearFaults();
  ASSERT_EQ(inQuickBooks().size(), before + 1);
  const std::vector<Intent> pending = open();
  ASSERT_EQ(pending.size(), 1u);
  EXPECT_EQ(pending[0].kind, k().kind);
  EXPECT_EQ(pending[0].record, key);
  EXPECT_EQ(pending[0].digest, request_digest(pending[0].request));
  sentAt = pending[0].sentAt;
  EXPECT_EQ(mark(), "");

  const auto recovered = recover();
  ASSERT_EQ(recovered.size(), 1u);
  EXPECT_EQ(recovered[0].line, line("; the answer was lost. Marked as sent now."));
  EXPECT_EQ(mark(), reference());
  EXPECT_TRUE(open().empty());
  // A second recovery finds nothing and sends nothing.
  EXPECT_TRUE(recover().empty());
  EXPECT_EQ(inQuickBooks().size(), before + 1);
}

TEST_P(IntentRecoveryTest, AnAddThatNeverArrivedIsDroppedAndSentAgainOnce) {
  const std::size_t before = inQuickBooks().size();
  company().failRequest(k().requestTag, qb::kNotReachable, "");
  send();
  company().clearFaults();
  EXPECT_EQ(open().size(), 1u);
  EXPECT_TRUE(recover().empty());  // no kept response, no duplicate: nothing to tell
  EXPECT_TRUE(open().empty());
  EXPECT_EQ(mark(), "");
  // Sent again: no entry is left and the request carries its message set.
  const std::string result = send();
  EXPECT_TRUE(result == "Success" || result.starts_with("Sent!")) << result;
  ASSERT_EQ(inQuickBooks().size(), before + 1);
  EXPECT_EQ(mark(), reference());
  EXPECT_TRUE(open().empty());
  EXPECT_TRUE(
      sawRequest("<QBXMLMsgsRq newMessageSetID=\"" + logic->session().lastMessageSetId() + "\""));
}

TEST_P(IntentRecoveryTest, AnExpiredSetRunsTheDuplicateSearchAndOnlyYesSendsAgain) {
  const std::size_t before = inQuickBooks().size();
  company().dropAnswerOf(k().requestTag);
  send();
  company().clearFaults();
  company().clearMessageSets();
  sentAt = open().at(0).sentAt;
  ui.messages.clear();

  ui.answers = {Answer::Yes};  // send it again: the entry goes, the record stays unmarked
  EXPECT_TRUE(recover().empty());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Warning!");
  EXPECT_NE(ui.messages[0].text.find("the answer was lost and QuickBooks can no longer tell"),
            std::string::npos);
  EXPECT_TRUE(open().empty());
  EXPECT_EQ(mark(), "");
  EXPECT_EQ(inQuickBooks().size(), before + 1);  // nothing was sent by recovery itself

  // The same again, answered No: marked with what QuickBooks holds.
  company().dropAnswerOf(k().requestTag);
  if (std::string(k().kind) == "customer" || std::string(k().kind) == "supplier") {
    // A name QuickBooks holds is linked, not added twice: the lost add is the first one.
    company().clearFaults();
    EXPECT_EQ(inQuickBooks().size(), before + 1);
    return;
  }
  send();
  company().clearFaults();
  company().clearMessageSets();
  sentAt = open().at(0).sentAt;
  ui.answers = {Answer::No};
  const auto recovered = recover();
  ASSERT_EQ(recovered.size(), 1u);
  EXPECT_EQ(recovered[0].line, line(kMarkedNow));
  EXPECT_FALSE(mark().empty());
  EXPECT_TRUE(open().empty());
}

TEST_P(IntentRecoveryTest, AFailedMarkKeepsItsEntryAndTheNextConnectionCompletesIt) {
  const std::size_t before = inQuickBooks().size();
  refuseMarks();
  const std::string result = send();
  EXPECT_EQ(result.substr(result.size() - std::string(kMarkPending).size()), kMarkPending);
  ASSERT_EQ(inQuickBooks().size(), before + 1);
  ASSERT_EQ(open().size(), 1u);
  sentAt = open()[0].sentAt;
  EXPECT_FALSE(open()[0].answer.empty());

  // Still locked: the entry stays and the user is told.
  auto recovered = recover();
  ASSERT_EQ(recovered.size(), 1u);
  EXPECT_FALSE(recovered[0].settled);
  EXPECT_EQ(open().size(), 1u);

  run("DROP TRIGGER refuse");
  ui.messages.clear();
  logic->loadLists();  // a new connection
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().title, "QuickBooks Recovery");
  EXPECT_NE(ui.messages.back().text.find(line(kMarkedLate)), std::string::npos);
  EXPECT_EQ(mark(), reference());
  EXPECT_TRUE(open().empty());
  EXPECT_EQ(inQuickBooks().size(), before + 1);
}

TEST_P(IntentRecoveryTest, AReadableRefusalOfTheAddClosesItsEntry) {
  const std::size_t before = inQuickBooks().size();
  company().failRequest(k().requestTag, 3180, "Not saved: <a> & \"b\".");
  const std::string result = send();
  company().clearFaults();
  EXPECT_NE(result.find("Not saved: <a> & \"b\"."), std::string::npos) << result;
  EXPECT_TRUE(open().empty());
  EXPECT_EQ(mark(), "");
  EXPECT_EQ(inQuickBooks().size(), before);
}

// An add QuickBooks carried out whose answer could not be read, or did not answer it: the row
// says so, the entry stays open, and the next connection marks the record from the kept
// response, once.
struct Spoilt {
  const char* name;
  const char* garbling;
};

const Spoilt kSpoilt[] = {
    {"Garbage", qb::sim::kGarbage},
    {"OtherKind", qb::sim::kOtherKind},
    {"OtherRequestId", qb::sim::kOtherRequestId},
    {"OtherMessageSet", qb::sim::kOtherMessageSet},
    {"CutInHalf", qb::sim::kCutInHalf},
    {"Missing", qb::sim::kNoAnswer},
};

class UnreadableAnswerTest : public ::testing::TestWithParam<std::tuple<KindCase, Spoilt>>,
                             protected RecoveryFixture {
 protected:
  void SetUp() override { setUpKind(std::get<0>(GetParam())); }
};

TEST_P(UnreadableAnswerTest, LeavesTheEntryOpenAndTheNextConnectionMarksItOnce) {
  // A message set kept before this one: the answer of another message set.
  company().process(
      "<?xml version=\"1.0\"?>\n<?qbxml version=\"3.0\"?>\n<QBXML><QBXMLMsgsRq "
      "onError=\"stopOnError\" newMessageSetID=\"earlier\"><ClassAddRq requestID=\"1\"><ClassAdd>"
      "<Name>Earlier</Name></ClassAdd></ClassAddRq></QBXMLMsgsRq></QBXML>");
  const std::size_t before = inQuickBooks().size();
  company().garbleAnswerOf(k().requestTag, std::get<1>(GetParam()).garbling);
  const std::string result = send();
  company().clearFaults();
  EXPECT_EQ(result, std::string("QuickBooks' answer could not be read. The ") + k().kind +
                        " will be checked at the next connection before anything is sent again.");
  ASSERT_EQ(inQuickBooks().size(), before + 1);
  const std::vector<Intent> pending = open();
  ASSERT_EQ(pending.size(), 1u);
  EXPECT_EQ(pending[0].record, key);
  EXPECT_EQ(pending[0].answer, "");
  sentAt = pending[0].sentAt;
  EXPECT_EQ(mark(), "");

  ui.messages.clear();
  logic->loadLists();  // the next connection
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().title, "QuickBooks Recovery");
  EXPECT_EQ(ui.messages.back().text, "Sends whose answer from QuickBooks was lost:\r\n" +
                                         std::string(intent_kind(k().kind)->label) + " " + key +
                                         ": " + line(kMarkedNow));
  EXPECT_EQ(mark(), reference());
  EXPECT_TRUE(open().empty());
  EXPECT_TRUE(recover().empty());  // nothing left to settle or to send again
  EXPECT_EQ(inQuickBooks().size(), before + 1);
}

// A new customer sent on the way: its add's answer cannot be read, so the invoice stops with
// the customer's text; once the customer is settled the invoice goes, once.
class InvoiceRecoveryTest : public IntentRecoveryTest {};

TEST_P(InvoiceRecoveryTest, ACustomerMadeOnTheWayWithAnUnreadableAnswerStopsTheInvoice) {
  // A copy of the invoice's customer, not yet in QuickBooks.
  auto db = open_database(app.databasePath);
  db->execute(
      "CREATE TEMP TABLE c AS SELECT * FROM Customers WHERE Link = (SELECT Customer "
      "FROM CustSO WHERE Number = " +
      key + ")");
  db->execute(
      "UPDATE c SET id = NULL, Link = 900200, Description = 'On The Way & Co', QBAccountNumber "
      "= ''");
  db->execute("INSERT INTO Customers SELECT * FROM c");
  db->execute("UPDATE CustSO SET Customer = 900200 WHERE Number = " + key);
  const std::size_t invoices = inQuickBooks().size();
  company().garbleAnswerOf("CustomerAddRq", qb::sim::kGarbage);
  EXPECT_EQ(send(),
            "QuickBooks' answer could not be read. The customer will be checked at the next "
            "connection before anything is sent again.");
  company().clearFaults();
  ASSERT_EQ(open().size(), 1u);
  EXPECT_EQ(open()[0].kind, "customer");
  EXPECT_EQ(inQuickBooks().size(), invoices);

  logic->loadLists();
  EXPECT_EQ(first("SELECT QBAccountNumber FROM Customers WHERE Link = 900200"), "On The Way & Co");
  EXPECT_TRUE(send().starts_with("Sent!"));
  EXPECT_EQ(inQuickBooks().size(), invoices + 1);
  int customers = 0;
  for (const Entry& e : company().list(Kind::Customer)) customers += e.name == "On The Way & Co";
  EXPECT_EQ(customers, 1);
}

// A real lock: another connection holds Vantora's write lock while the mark is written (the
// mark gives up after the database's busy timeout).
// Cases run on the customer list alone.
class CustomerRecoveryTest : public IntentRecoveryTest {};

TEST_P(CustomerRecoveryTest, AWriteLockHeldAtTheMarkIsCompletedOnceReleased) {
  auto holder = open_database(app.databasePath);
  holder->execute("BEGIN IMMEDIATE");
  const std::string result = send();
  holder->execute("ROLLBACK");
  EXPECT_EQ(result,
            "Customer exported but could not update Vantora database. The integrator will mark it "
            "as sent when it next connects to QuickBooks.");
  ASSERT_EQ(open().size(), 1u);
  sentAt = open()[0].sentAt;
  const auto recovered = recover();
  ASSERT_EQ(recovered.size(), 1u);
  EXPECT_EQ(recovered[0].line, line("; Vantora could not be marked then. Marked as sent now."));
  EXPECT_EQ(mark(), "Journal & Sons");
}

// The list sent again after a lost answer: the recovered row shows its line and is not sent;
// the row whose add never arrived is sent; rows of another list are told in one box.
TEST_P(CustomerRecoveryTest, TheNextSendLoopSettlesFirstAndSkipsTheRecoveredRow) {
  run("INSERT INTO Customers (Link, Description, Tel, BAddress, SAddress, QBAccountNumber) "
      "VALUES (900101, 'Journal Two', '', '', '', '')");
  run("INSERT INTO Suppliers (Link, Description, Tel, Email, BAddress, SAddress, QBAccount) "
      "VALUES (900102, 'Journal Vendor', '', '', '', '', '')");
  company().dropAnswerOf("CustomerAddRq");
  send();  // customer 900100: in QuickBooks, answer lost
  company().failRequest("CustomerAddRq", qb::kNotReachable, "");
  send_Customer(*ctx, 900101);  // never arrived
  company().dropAnswerOf("VendorAddRq");
  send_Supplier(*ctx, 900102);  // another list's record
  company().clearFaults();
  ASSERT_EQ(open().size(), 3u);
  sentAt = open()[0].sentAt;
  const std::string vendorSentAt = open()[2].sentAt;

  WorkList& grid = logic->state.grid;
  grid.rows.clear();
  for (const char* link : {"900100", "900101"}) {
    WorkRow row;
    row.cells = {"", "", "", link, ""};
    row.ticked = true;
    grid.rows.push_back(row);
  }
  ui.messages.clear();
  send_Customers(*ctx);
  EXPECT_EQ(grid.rows[0].cells[kNameListResultColumn],
            line("; the answer was lost. Marked as sent now."));
  EXPECT_EQ(grid.rows[1].cells[kNameListResultColumn], "Success");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "QuickBooks Recovery");
  EXPECT_EQ(ui.messages[0].text,
            "Sends whose answer from QuickBooks was lost:\r\nSupplier 900102: Was sent on " +
                vendorSentAt + "; the answer was lost. Marked as sent now.");
  EXPECT_TRUE(open().empty());
  for (const char* name : {"Journal & Sons", "Journal Two"}) {
    int copies = 0;
    for (const Entry& e : inQuickBooks()) copies += e.name == name;
    EXPECT_EQ(copies, 1) << name;
  }
  EXPECT_EQ(first("SELECT QBAccount FROM Suppliers WHERE Link = 900102"), "Journal Vendor");
}

INSTANTIATE_TEST_SUITE_P(Kinds, IntentRecoveryTest, ::testing::ValuesIn(kKinds),
                         [](const auto& info) {
                           std::string name = info.param.kind;
                           std::erase(name, ' ');
                           return name;
                         });
INSTANTIATE_TEST_SUITE_P(Customers, CustomerRecoveryTest, ::testing::Values(kKinds[0]));
INSTANTIATE_TEST_SUITE_P(Invoices, InvoiceRecoveryTest, ::testing::Values(kKinds[2]));
INSTANTIATE_TEST_SUITE_P(KindsAndAnswers, UnreadableAnswerTest,
                         ::testing::Combine(::testing::ValuesIn(kKinds),
                                            ::testing::ValuesIn(kSpoilt)),
                         [](const auto& info) {
                           std::string name = std::get<0>(info.param).kind;
                           std::erase(name, ' ');
                           return name + std::get<1>(info.param).name;
                         });

}  // namespace
}  // namespace vqb
