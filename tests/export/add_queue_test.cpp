// The invoices of a list go to QuickBooks many to a message set: each journal entry names its
// set and request, a lost answer is settled for the whole set by one status question (at once,
// or at the next connection when QuickBooks cannot be reached), and nothing is sent twice.

#include "export/add_queue.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "export/intent_journal.h"
#include "export/intent_recovery.h"
#include "export/invoice_export.h"
#include "main_window/work_lists.h"
#include "quickbooks/qb_error.h"
#include "support/connected_demo.h"

namespace vqb {
namespace {

std::size_t count_of(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Hands requests to the company until the first set of invoice adds has been carried out;
// from then on QuickBooks cannot be reached (the answer of that set is lost) until `down` is
// cleared.
class FallingTransport : public qb::QbTransport {
 public:
  explicit FallingTransport(qb::QbTransport& inner) : inner_(inner) {}
  void openConnection(const std::string& c) override { inner_.openConnection(c); }
  void closeConnection() override { inner_.closeConnection(); }
  std::string process(const std::string& request) override {
    if (down) throw qb::QbError(qb::kNotReachable, "QuickBooks is not running.");
    requests.push_back(request);
    std::string answer = inner_.process(request);
    if (request.find("<InvoiceAddRq") != std::string::npos && !stayUp) {
      down = true;
      throw qb::QbError(qb::kNotReachable, "QuickBooks is not running.");
    }
    return answer;
  }
  bool down = false, stayUp = false;
  std::vector<std::string> requests;

 private:
  qb::QbTransport& inner_;
};

class AddQueueTest : public ::testing::Test, protected test::ConnectedDemoFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(connected);
    fill_customerInvoices(app, logic->state);
    for (auto& row : logic->state.grid.rows) row.ticked = true;
  }
  std::vector<std::string> results() const {
    std::vector<std::string> out;
    for (const auto& row : logic->state.grid.rows)
      out.push_back(
          row.cells.size() > kInvoiceListCommentColumn ? row.cells[kInvoiceListCommentColumn] : "");
    return out;
  }
  std::size_t sent() const {
    std::size_t n = 0;
    for (const std::string& result : results()) n += result.starts_with("Sent!");
    return n;
  }
  std::size_t marked() const {
    return std::stoul(first("SELECT COUNT(*) FROM CustSO WHERE QuickBooks = 1"));
  }
  std::size_t invoicesInQuickBooks() const { return company().list(qb::sim::Kind::Invoice).size(); }
  std::vector<Intent> open() const { return IntentJournal(app.settingsFolder).pending(); }
};

TEST_F(AddQueueTest, TheAddsOfAListTravelTogetherAndALostAnswerIsAskedForOnce) {
  const std::size_t before = invoicesInQuickBooks(), markedBefore = marked();
  company().dropAnswerOf("InvoiceAddRq");  // every set's answer is lost after it is carried out
  send_Invoices(*ctx);
  company().clearFaults();

  std::size_t sets = 0, adds = 0, statusQuestions = 0;
  for (const std::string& request : requests) {
    const std::size_t n = count_of(request, "<InvoiceAddRq");
    statusQuestions += request.find("oldMessageSetID") != std::string::npos;
    if (n == 0) continue;
    ++sets;
    adds += n;
    EXPECT_LE(n, AddQueue::kMaxAdds);
    EXPECT_NE(request.find("<QBXMLMsgsRq onError=\"continueOnError\" newMessageSetID=\""),
              std::string::npos);
  }
  ASSERT_GT(sent(), 3u);
  EXPECT_EQ(adds, sent());  // each invoice added once, none sent again
  EXPECT_LT(sets, adds);
  EXPECT_EQ(statusQuestions, sets);  // one question settles each whole set
  EXPECT_EQ(invoicesInQuickBooks(), before + sent());
  EXPECT_EQ(marked(), markedBefore + sent());
  EXPECT_TRUE(open().empty());
}

TEST_F(AddQueueTest, ASetCutOffFromItsAnswerIsSettledAtTheNextConnectionByOneQuestion) {
  FallingTransport transport(logic->session().transport());
  qb::Session session(transport);
  qb::ComponentSet components(session);
  MappingContext falling{app, components, logic->state, logic->switches, logic->customerCheck};
  const std::size_t before = invoicesInQuickBooks(), markedBefore = marked();
  send_Invoices(falling);

  // QuickBooks carried out the first set; its answer and the status question were lost.
  const std::size_t added = invoicesInQuickBooks() - before;
  ASSERT_GT(added, 1u);
  EXPECT_EQ(marked(), markedBefore);
  // Every add of a set stays open, those QuickBooks refused too: nothing tells which. Each
  // entry names its set and its request in it.
  const std::vector<Intent> pending = open();
  std::map<std::string, std::size_t> perSet;
  for (const Intent& intent : pending) {
    const std::size_t number = ++perSet[intent.messageSetId];
    EXPECT_NE(intent.request.find("requestID=\"" + std::to_string(number) + "\""),
              std::string::npos);
  }
  ASSERT_EQ(perSet[pending.at(0).messageSetId],
            count_of(transport.requests.back(), "<InvoiceAddRq"));
  ASSERT_GE(perSet[pending.at(0).messageSetId], added);
  EXPECT_EQ(sent(), 0u);

  transport.down = false;
  transport.stayUp = true;
  transport.requests.clear();
  const std::vector<RecoveredRecord> recovered = recover_intents(falling);
  ASSERT_EQ(recovered.size(), added);
  for (const RecoveredRecord& r : recovered) EXPECT_TRUE(r.settled) << r.line;
  std::size_t questions = 0;
  for (const std::string& request : transport.requests)
    questions += request.find("oldMessageSetID") != std::string::npos;
  EXPECT_EQ(questions, perSet.size());  // one question per set
  EXPECT_EQ(marked(), markedBefore + added);
  EXPECT_EQ(invoicesInQuickBooks(), before + added);  // nothing sent twice
  EXPECT_TRUE(open().empty());
}

// A send that waits at its add.
SendTask add_of(MappingContext& ctx, std::string body) {
  const std::string document =
      "<?xml version=\"1.0\"?>\n<?qbxml version=\"13.0\"?>\n<QBXML><QBXMLMsgsRq "
      "onError=\"stopOnError\">" +
      body + "</QBXMLMsgsRq></QBXML>";
  co_await add_in_set(ctx, "payment", "1", document);
  co_return "";
}

std::string query(const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<?qbxml version=\"13.0\"?>\n<QBXML><QBXMLMsgsRq "
         "onError=\"stopOnError\">" +
         body + "</QBXMLMsgsRq></QBXML>";
}

// Which requests may see what a waiting add adds, and so send it first.
TEST_F(AddQueueTest, AQueryThatMaySeeAWaitingAddSendsItFirst) {
  const std::string payment =
      "<ReceivePaymentAddRq><ReceivePaymentAdd><CustomerRef><FullName>Ada</FullName></"
      "CustomerRef><AppliedToTxnAdd><TxnID>T-1</TxnID><PaymentAmount>1.00</PaymentAmount></"
      "AppliedToTxnAdd></ReceivePaymentAdd></ReceivePaymentAddRq>";
  const std::string invoice1001 =
      "<InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>Ada</FullName></CustomerRef><RefNumber>"
      "1001</RefNumber></InvoiceAdd></InvoiceAddRq>";
  const std::string numberedByQuickBooks =
      "<InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>Ada</FullName></CustomerRef></"
      "InvoiceAdd></InvoiceAddRq>";
  const std::string customer =
      "<CustomerAddRq><CustomerAdd><Name>Ada</Name></CustomerAdd></CustomerAddRq>";
  const struct {
    const std::string& add;
    std::string request;
    bool sendsFirst;
  } cases[] = {
      // A payment applied to an invoice changes its balance.
      {payment, "<InvoiceQueryRq><TxnID>T-1</TxnID></InvoiceQueryRq>", true},
      {payment, "<InvoiceQueryRq><TxnID>T-2</TxnID></InvoiceQueryRq>", false},
      // A reference search finds an invoice of that reference, or one QuickBooks numbers.
      {invoice1001, "<InvoiceQueryRq><RefNumber>1001</RefNumber></InvoiceQueryRq>", true},
      {invoice1001, "<InvoiceQueryRq><RefNumber>1002</RefNumber></InvoiceQueryRq>", false},
      {numberedByQuickBooks, "<InvoiceQueryRq><RefNumber>1002</RefNumber></InvoiceQueryRq>", true},
      // A name check finds the entry of that name and list only.
      {customer, "<CustomerQueryRq><FullName>Ada</FullName></CustomerQueryRq>", true},
      {customer, "<VendorQueryRq><FullName>Ada</FullName></VendorQueryRq>", false},
      {customer, "<CustomerQueryRq><FullName>Bea</FullName></CustomerQueryRq>", false},
      // Any other change goes after.
      {customer, "<CustomerModRq><CustomerMod><ListID>1</ListID></CustomerMod></CustomerModRq>",
       true},
  };
  for (const auto& c : cases) {
    AddQueue queue(*ctx, {});
    SendTask waiting = add_of(*ctx, c.add);
    ASSERT_FALSE(waiting.done());
    try {
      logic->session().exchange(query(c.request));
    } catch (const std::exception&) {
      // The answer does not matter here.
    }
    EXPECT_EQ(queue.empty(), c.sendsFirst) << c.request;
    EXPECT_EQ(waiting.done(), c.sendsFirst) << c.request;
    queue.flush();
  }
}

}  // namespace
}  // namespace vqb
