// Undoing a send run on the demo: the run's invoices, payments and purchase orders leave
// QuickBooks, Vantora's marks return to what they were, and the records QuickBooks or Vantora
// changed since, or that others are linked to, stay; an undo stopped half-way and run again
// deletes nothing twice and leaves nothing marked without its QuickBooks record.

#include "export/undo_send.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/setup_file.h"
#include "export/invoice_export.h"
#include "export/payment_export.h"
#include "export/purchase_order_export.h"
#include "export/send_runs.h"
#include "main_window/work_lists.h"
#include "quickbooks/qb_error.h"
#include "support/connected_demo.h"

namespace vqb {
namespace {

using qb::sim::Kind;

// The mark columns of every record of the three kinds, as SQLite quotes them.
const char* const kMarkQueries[] = {
    "SELECT group_concat(Number || ':' || quote(xmlAdd) || quote(QuickBooksRef) || "
    "quote(QuickBooks) || quote(QuickBooksDS), '|') FROM (SELECT * FROM CustSO ORDER BY Number)",
    "SELECT group_concat(Number || ':' || quote(QuickBooks) || quote(QuickBooksDS) || "
    "quote(QuickBooksRef), '|') FROM (SELECT * FROM CustPayments ORDER BY Number)",
    "SELECT group_concat(Number || ':' || quote(QBRef) || quote(QBURef) || quote(QBGoods) || "
    "quote(SendQB), '|') FROM (SELECT * FROM SuppPO ORDER BY Number)",
};

bool isName(const std::string& kind) {
  return kind == "customer" || kind == "supplier";
}

class UndoSendTest : public ::testing::Test, protected test::ConnectedDemoFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(connected);
    ui.onDialog = [this](DialogKind kind, const std::string&) {
      if (kind == DialogKind::CustomerValidation || kind == DialogKind::VendorValidation)
        app.sharedSlots[1] = "1";
    };
    // The demo's invoices go afresh (each a possible duplicate of the one the demo company
    // holds, sent anyway), so that its payments are applied to invoices of a run.
    ui.onMessage = [](const std::string&, const std::string& title) {
      return title == "Send Invoice ?" || title == "Confirm" || title == "Warning!" ? Answer::Yes
                                                                                    : Answer::No;
    };
    run("UPDATE CustSO SET QuickBooks = 0, xmlAdd = ''");
    save_setup_value(app, "optapply2", "True");  // payments applied as Vantora allocates them
  }

  std::vector<std::string> marks() const {
    std::vector<std::string> out;
    for (const char* sql : kMarkQueries) out.push_back(first(sql));
    return out;
  }

  std::map<Kind, std::set<std::string>> held() const {
    std::map<Kind, std::set<std::string>> out;
    for (Kind kind : {Kind::Invoice, Kind::ReceivePayment, Kind::PurchaseOrder})
      for (const auto& entry : company().list(kind)) out[kind].insert(entry.id);
    return out;
  }

  // Ticks every row of a list and sends it; in one run with the others when a run is open.
  void sendList(void (*fill)(App&, MainWindowState&), void (*send)(MappingContext&)) {
    fill(app, logic->state);
    for (auto& row : logic->state.grid.rows) row.ticked = true;
    send(*ctx);
  }
  void sendInvoices() { sendList(&fill_customerInvoices, &send_Invoices); }
  void sendPayments() { sendList(&fill_customerPayments, &send_Payments); }
  void sendOrders() { sendList(&fill_supplierPOs, &send_POs); }

  // The three lists sent as one run; its number.
  long long sendAll() {
    const SendRunScope run(app);
    sendInvoices();
    sendPayments();
    sendOrders();
    return app.sendRun;
  }

  std::vector<RunEntry> entries(long long number) { return RunLog(app).entries(number); }

  std::map<std::string, std::string> textsByRecord(const UndoResult& result,
                                                   const std::string& kind) {
    std::map<std::string, std::string> out;
    for (const UndoLine& line : result.lines)
      if (line.kind == kind) out[line.record] = line.text;
    return out;
  }

  // The deletes of a transaction among the requests from number `from` on.
  std::size_t deletesOf(const std::string& txnId, std::size_t from = 0) const {
    return static_cast<std::size_t>(std::count_if(
        requests.begin() + static_cast<long>(from), requests.end(), [&](const std::string& r) {
          return r.find("<TxnDelRq") != std::string::npos &&
                 r.find("<TxnID>" + txnId + "</TxnID>") != std::string::npos;
        }));
  }
};

TEST_F(UndoSendTest, ARunOfInvoicesPaymentsAndOrdersComesBackOutAndSendsAgainOnce) {
  const std::vector<std::string> marksBefore = marks();
  const auto heldBefore = held();
  const long long number = sendAll();
  ASSERT_GT(number, 0);
  const std::vector<RunEntry> sent = entries(number);
  std::map<std::string, int> perKind;
  for (const RunEntry& e : sent) ++perKind[e.kind];
  ASSERT_GT(perKind["invoice"], 0);
  ASSERT_GT(perKind["payment"], 0);
  ASSERT_GT(perKind["purchase order"], 0);
  const auto heldAfterSend = held();
  const std::vector<std::string> marksAfterSend = marks();

  // The run is listed with its counts, and the dry run changes nothing.
  const std::optional<SendRunInfo> info = RunLog(app).run(number);
  ASSERT_TRUE(info);
  EXPECT_NE(run_line(*info).find(std::to_string(perKind["invoice"]) + " invoice"),
            std::string::npos)
      << run_line(*info);
  const UndoResult dry = undo_send_run(*ctx, number, true);
  ASSERT_TRUE(dry.found);
  EXPECT_EQ(held(), heldAfterSend);
  EXPECT_EQ(marks(), marksAfterSend);

  const UndoResult done = undo_send_run(*ctx, number, false);
  ASSERT_EQ(done.lines.size(), dry.lines.size());
  for (std::size_t i = 0; i < done.lines.size(); ++i) {
    SCOPED_TRACE(undo_line(done.lines[i]));
    const bool name = isName(done.lines[i].kind);
    EXPECT_EQ(dry.lines[i].text, name ? kUndoNames : kUndoWouldTake);
    EXPECT_EQ(done.lines[i].text, name ? kUndoNames : kUndoTaken);
  }
  // Payments went before the invoices they were applied to.
  const auto firstInvoice = std::find_if(done.lines.begin(), done.lines.end(),
                                         [](const UndoLine& l) { return l.kind == "invoice"; });
  EXPECT_TRUE(std::none_of(firstInvoice, done.lines.end(),
                           [](const UndoLine& l) { return l.kind == "payment"; }));
  EXPECT_EQ(held(), heldBefore);
  EXPECT_EQ(marks(), marksBefore);

  // Undone again: nothing is deleted twice.
  for (const UndoLine& line : undo_send_run(*ctx, number, false).lines)
    if (!isName(line.kind)) {
      EXPECT_EQ(line.text, kUndoAlready);
    }
  for (const RunEntry& e : sent)
    if (!isName(e.kind)) {
      EXPECT_EQ(deletesOf(e.qbId), 1u) << e.record;
    }

  // Sent again, each record is added once more.
  const long long again = sendAll();
  std::map<std::string, int> resent;
  for (const RunEntry& e : entries(again)) ++resent[e.kind];
  for (const char* kind : {"invoice", "payment", "purchase order"})
    EXPECT_EQ(resent[kind], perKind[kind]) << kind;
  for (const auto& [kind, ids] : held())
    EXPECT_EQ(ids.size(), heldAfterSend.at(kind).size()) << static_cast<int>(kind);
}

TEST_F(UndoSendTest, RecordsChangedSinceOrLinkedFromAnotherRunStayWithTheirReason) {
  long long invoices = 0;
  {
    const SendRunScope run(app);
    invoices = app.sendRun;
    sendInvoices();
    sendOrders();
  }
  {
    const SendRunScope payments(app);
    sendPayments();
  }
  std::vector<RunEntry> sent = entries(invoices);
  std::set<std::string> paid;  // invoices of the first run a payment of the second applies to
  for (const auto& payment : company().list(Kind::ReceivePayment))
    for (const RunEntry& e : sent)
      if (e.kind == "invoice" &&
          payment.xml.find("<TxnID>" + e.qbId + "</TxnID>") != std::string::npos)
        paid.insert(e.record);
  ASSERT_FALSE(paid.empty());
  std::vector<const RunEntry*> orders;
  for (const RunEntry& e : sent)
    if (e.kind == "purchase order") orders.push_back(&e);
  ASSERT_GE(orders.size(), 2u);
  // One order is changed in QuickBooks, another in Vantora.
  ctx->components.purchaseOrder.loadById(orders[0]->qbId);
  ctx->components.purchaseOrder.memo = "Changed by hand";
  ctx->components.purchaseOrder.update();
  run("UPDATE SuppPO SET QBRef = QBRef || ' by hand' WHERE Number = " + orders[1]->record);
  const std::string changedMark = first(
      "SELECT quote(QBRef) || quote(QBGoods) FROM SuppPO WHERE Number = " + orders[0]->record);

  for (bool dryRun : {true, false}) {
    SCOPED_TRACE(dryRun ? "dry run" : "undo");
    const UndoResult result = undo_send_run(*ctx, invoices, dryRun);
    const auto invoiceTexts = textsByRecord(result, "invoice");
    for (const auto& [record, text] : invoiceTexts)
      EXPECT_EQ(text, paid.count(record) ? kUndoPaid
                      : dryRun           ? kUndoWouldTake
                                         : kUndoTaken)
          << record;
    const auto orderTexts = textsByRecord(result, "purchase order");
    EXPECT_EQ(orderTexts.at(orders[0]->record), kUndoChangedInQuickBooks);
    EXPECT_EQ(orderTexts.at(orders[1]->record), kUndoChangedInVantora);
  }
  // What stayed is still in QuickBooks and still marked.
  for (const RunEntry& e : sent)
    if (paid.count(e.record) || e.qbId == orders[0]->qbId || e.qbId == orders[1]->qbId) {
      EXPECT_TRUE(company().find(e.qbId)) << e.record;
    }
  EXPECT_EQ(first("SELECT quote(QBRef) || quote(QBGoods) FROM SuppPO WHERE Number = " +
                  orders[0]->record),
            changedMark);
  EXPECT_EQ(first("SELECT QBRef FROM SuppPO WHERE Number = " + orders[1]->record),
            orders[1]->reference + " by hand");
}

TEST_F(UndoSendTest, AnUndoStoppedHalfWayIsFinishedByTheNextWithoutDeletingTwice) {
  const std::vector<std::string> marksBefore = marks();
  const auto heldBefore = held();
  const long long number = sendAll();
  const std::vector<RunEntry> sent = entries(number);

  // Vantora refuses the payments' marks: they leave QuickBooks but stay marked.
  run("CREATE TRIGGER refuse BEFORE UPDATE ON CustPayments BEGIN SELECT RAISE(ABORT, 'locked'); "
      "END");
  // And QuickBooks stops answering at the first purchase order's delete.
  qb::sim::SimulatedCompany company_ = company();
  company_.failRequest("TxnDelRq", qb::kNotReachable, "");
  const UndoResult stopped = undo_send_run(*ctx, number, false);
  for (const UndoLine& line : stopped.lines) {
    SCOPED_TRACE(undo_line(line));
    if (line.kind == "payment") {
      EXPECT_EQ(line.text, kUndoNotReached);
    }
  }
  ASSERT_FALSE(stopped.lines.empty());
  EXPECT_EQ(stopped.undone, 0);
  company_.clearFaults();
  const std::size_t sentBefore = requests.size();
  const UndoResult marksFail = undo_send_run(*ctx, number, false);
  for (const UndoLine& line : marksFail.lines)
    if (line.kind == "payment") {
      EXPECT_EQ(line.text, kUndoMarkFailed) << line.record;
    }
  run("DROP TRIGGER refuse");

  const UndoResult finished = undo_send_run(*ctx, number, false);
  for (const UndoLine& line : finished.lines) {
    SCOPED_TRACE(undo_line(line));
    EXPECT_EQ(line.text, line.kind == "payment" ? kUndoGone
                         : isName(line.kind)    ? kUndoNames
                                                : kUndoAlready);
  }
  EXPECT_EQ(held(), heldBefore);
  EXPECT_EQ(marks(), marksBefore);
  // Once QuickBooks answered again, each transaction was deleted once.
  for (const RunEntry& e : sent)
    if (!isName(e.kind)) {
      EXPECT_EQ(deletesOf(e.qbId, sentBefore), 1u) << e.record;
    }
}

TEST_F(UndoSendTest, HelpUndoASendShowsTheDryRunAndUndoesOnlyOnYes) {
  long long sent = 0;
  {
    const SendRunScope scope(app);
    sent = app.sendRun;
    sendOrders();
  }
  const auto orders = held()[Kind::PurchaseOrder];
  const std::string number = std::to_string(sent);
  const std::string line = run_line(*RunLog(app).run(sent));
  std::string lines;
  for (const UndoLine& l : undo_send_run(*ctx, sent, true).lines) lines += "\r\n" + undo_line(l);
  for (const Answer answer : {Answer::No, Answer::Yes}) {
    ui.messages.clear();
    ui.inputs = {number};
    ui.answers = {answer, Answer::Ok};
    logic->runMenuKey("mnuHelpUndoSend");
    EXPECT_NE(ui.prompts.back().find("\r\n" + line + "\r\n"), std::string::npos)
        << ui.prompts.back();
    ASSERT_GE(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Run " + number + ":" + lines +
                                       "\r\n\r\nTake these out of QuickBooks and mark them as "
                                       "not sent?");
    EXPECT_EQ(ui.messages[0].title, "Undo a Send");
    EXPECT_EQ(held()[Kind::PurchaseOrder].size() == orders.size(), answer == Answer::No);
  }
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].text.rfind("Run " + number + ", undone ", 0), 0u) << ui.messages[1].text;
}

}  // namespace
}  // namespace vqb
