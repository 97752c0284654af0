// Crash-safe sends on the demo: each export journals its add, and recovery settles a lost
// answer, a refused add, an expired message set and a failed mark without sending twice.

#include "export/intent_recovery.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
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

class IntentRecoveryTest : public ::testing::TestWithParam<KindCase>,
                           protected test::ConnectedDemoFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(connected);
    if (GetParam().name != nullptr) {  // names are sent without their code mappings
      MappingSwitches& s = logic->switches;
      s.useCustomerGroups = s.useSalesTax = s.useCustomerTerms = s.useReps = false;
    }
    ui.onDialog = [this](DialogKind kind, const std::string&) {
      if (kind == DialogKind::CustomerValidation) app.sharedSlots[1] = "1";
    };
    key = prepare(GetParam().kind);
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
    const std::string kind = GetParam().kind;
    const long k = std::stol(key);
    if (kind == "customer") return send_Customer(*ctx, k);
    if (kind == "supplier") return send_Supplier(*ctx, k);
    if (kind == "invoice") return send_Invoice(*ctx, k);
    if (kind == "purchase order") return send_PO(*ctx, k);
    return send_Payment(*ctx, k);
  }
  std::vector<Entry> inQuickBooks() const { return company().list(GetParam().qbKind); }
  // QuickBooks' reference of the record sent: the name, or that of the last transaction.
  std::string reference() const {
    if (GetParam().name == nullptr) return GetParam().reference(inQuickBooks().back());
    auto entry = company().findByName(GetParam().qbKind, GetParam().name);
    return entry ? entry->name : "(none)";
  }
  std::string mark() const { return first(GetParam().markSql + key); }
  std::vector<Intent> open() const { return IntentJournal(app.settingsFolder).pending(); }
  void refuseMarks() const {
    run(std::string("CREATE TRIGGER refuse BEFORE UPDATE ON ") + GetParam().table +
        " BEGIN SELECT RAISE(ABORT, 'locked'); END");
  }
  std::vector<RecoveredRecord> recover() { return recover_intents(*ctx); }
  // "Was sent on <time of the open entry>" followed by `tail`.
  std::string line(const std::string& tail) const { return "Was sent on " + sentAt + tail; }

  std::string key, sentAt;
};

TEST_P(IntentRecoveryTest, AnAnswerLostAfterTheAddIsMarkedFromTheKeptResponse) {
  const std::size_t before = inQuickBooks().size();
  company().dropAnswerOf(GetParam().requestTag);
  send();
  company().clearFaults();
  ASSERT_EQ(inQuickBooks().size(), before + 1);
  const std::vector<Intent> pending = open();
  ASSERT_EQ(pending.size(), 1u);
  EXPECT_EQ(pending[0].kind, GetParam().kind);
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
  company().failRequest(GetParam().requestTag, qb::kNotReachable, "");
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
  company().dropAnswerOf(GetParam().requestTag);
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
  company().dropAnswerOf(GetParam().requestTag);
  if (std::string(GetParam().kind) == "customer" || std::string(GetParam().kind) == "supplier") {
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

}  // namespace
}  // namespace vqb
