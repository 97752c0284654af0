// The reconciliation's traffic and its money: the period read in pages through an iterator,
// what the pages miss asked for by id in one message set, halves rounded as they are sent.

#include "reconcile/reconcile.h"

#include <gtest/gtest.h>

#include "app/text_helpers.h"
#include "support/sim_fixture.h"

namespace vqb {
namespace {

struct ReconcileTraffic : ::testing::Test, test::SimCompanyFixture {};

TEST_F(ReconcileTraffic, ThePeriodComesInPagesAndWhatTheyMissByIdInOneSet) {
  const std::string name = "Acme & Sons <East>";
  company.addCustomer(name);
  company.addItem(qb::sim::Kind::ItemService, "Work");
  f.db()->execute(
      "INSERT INTO Customers (Link, Description, QBAccountNumber) VALUES (7, "
      "'Acme', 'Acme & Sons <East>')");
  // Twelve invoices of January; QuickBooks dates the last one in February.
  std::string set =
      "<?xml version=\"1.0\"?><?qbxml version=\"13.0\"?><QBXML><QBXMLMsgsRq "
      "onError=\"stopOnError\">";
  for (int i = 0; i < 12; ++i)
    set +=
        "<InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>Acme &amp; Sons &lt;East&gt;"
        "</FullName></CustomerRef><TxnDate>" +
        std::string(i == 11 ? "2026-02-20" : "2026-01-1" + std::to_string(i % 10)) +
        "</TxnDate><RefNumber>" + std::to_string(100 + i) +
        "</RefNumber><InvoiceLineAdd><ItemRef><FullName>Work</FullName></ItemRef><Amount>"
        "10.13</Amount></InvoiceLineAdd></InvoiceAdd></InvoiceAddRq>";
  company.process(set + "</QBXMLMsgsRq></QBXML>");
  const auto invoices = company.list(qb::sim::Kind::Invoice);
  for (int i = 0; i < 12; ++i) {
    // 10.125 is sent as 10.13: halves round away from zero.
    const std::string day = number_text(to_ole_date({2026, 1, 10 + i % 10}));
    f.db()->execute(
        "INSERT INTO CustSO (Number, Customer, Status, InvDate, Total, TaxAmount1, NetTotal, "
        "QuickBooks, QuickBooksRef, xmlAdd) VALUES (" +
        std::to_string(100 + i) + ", 7, 4, " + day + ", 10.125, 0, 10.125, 1, '" +
        std::to_string(100 + i) + "', '<OrderInfo><QBReference>" +
        invoices[static_cast<std::size_t>(i)].id + "</QBReference></OrderInfo>')");
  }

  std::vector<std::string> requests;
  session.setObserver(
      [&](const std::string& request, const std::string&) { requests.push_back(request); });
  ReconcileOptions options;
  options.payments = options.purchaseOrders = options.suppliers = false;
  options.from = to_ole_date({2026, 1, 1});
  options.to = to_ole_date({2026, 1, 31});
  options.pageSize = 5;
  const ReconcileResult result = reconcile(f.app, session, options);

  ASSERT_EQ(result.differences.size(), 1u);
  const Difference& d = result.differences[0];
  EXPECT_EQ(std::tie(d.kind, d.key, d.problem, d.vantora, d.quickbooks, d.id),
            std::tie("invoice", "111", "date", "2026-01-11", "2026-02-20", invoices[11].id));
  EXPECT_EQ(result.summary(), "Checked 13 records: 12 agree, 1 differ.");
  // Eleven in the period: pages of 5, 5 and 1; then the February one and the customer together.
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0],
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<?qbxml version=\"5.0\"?>\n<QBXML>"
            "<QBXMLMsgsRq onError=\"stopOnError\"><InvoiceQueryRq requestID=\"1\" "
            "iterator=\"Start\"><MaxReturned>5</MaxReturned><TxnDateRangeFilter><FromTxnDate>"
            "2026-01-01</FromTxnDate><ToTxnDate>2026-01-31</ToTxnDate></TxnDateRangeFilter>"
            "<IncludeRetElement>TxnID</IncludeRetElement><IncludeRetElement>TxnDate"
            "</IncludeRetElement><IncludeRetElement>RefNumber</IncludeRetElement>"
            "<IncludeRetElement>CustomerRef</IncludeRetElement><IncludeRetElement>Subtotal"
            "</IncludeRetElement><IncludeRetElement>SalesTaxTotal</IncludeRetElement>"
            "</InvoiceQueryRq></QBXMLMsgsRq></QBXML>");
  EXPECT_NE(requests[1].find("iterator=\"Continue\""), std::string::npos);
  EXPECT_NE(
      requests[3].find("<InvoiceQueryRq requestID=\"1\"><TxnID>" + invoices[11].id + "</TxnID>"),
      std::string::npos)
      << requests[3];
  EXPECT_NE(requests[3].find("<CustomerQueryRq requestID=\"2\"><FullName>Acme &amp; Sons "
                             "&lt;East&gt;</FullName>"),
            std::string::npos)
      << requests[3];
}

TEST(ReconcileWords, KindsDatesAndProblemTexts) {
  ReconcileOptions options;
  EXPECT_TRUE(choose_kinds(options, "pos"));
  EXPECT_TRUE(options.purchaseOrders && !options.invoices && !options.customers);
  EXPECT_FALSE(choose_kinds(options, "orders"));
  EXPECT_TRUE(choose_kinds(options, "all"));
  EXPECT_TRUE(options.invoices && options.payments && options.suppliers);
  EXPECT_EQ(reconcile_date("2024-02-29"), to_ole_date({2024, 2, 29}));
  for (const char* wrong : {"2026-02-29", "2026-2-01", "26-01-01", "2026-01-01T00:00", ""})
    EXPECT_FALSE(reconcile_date(wrong)) << wrong;
  Difference amount{"invoice", "1", "", problems::kAmount, "tax", "1.00", "2.00", "T"};
  EXPECT_EQ(problem_text(amount), "amount (tax)");
  EXPECT_EQ(problem_explanation(amount), "amount: the tax differs");
}

}  // namespace
}  // namespace vqb
