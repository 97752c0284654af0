// Queries of the simulated QuickBooks company: id and name lists, filters, MaxReturned and
// iterators that return every entry exactly once.

#include <gtest/gtest.h>

#include <map>
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

class SimQueriesTest : public ::testing::Test {
 protected:
  // One field of every record a query answers, the query given by its name and inner elements.
  std::vector<std::string> values(const std::string& rq, const std::string& inner,
                                  const char* field) {
    return query(rq, inner).values(field);
  }
  // A query given by its name, inner elements and the attributes of its element.
  Reply query(const std::string& rq, const std::string& inner, const std::string& attributes = "") {
    return send(company, "<" + rq + attributes + ">" + inner + "</" + rq + ">");
  }
  // The first page of an iterator, or the next one.
  Reply start(const std::string& rq, int max, const std::string& inner = "") {
    return query(rq, "<MaxReturned>" + std::to_string(max) + "</MaxReturned>" + inner,
                 " iterator=\"Start\"");
  }
  Reply next(const std::string& rq, const std::string& iteratorId, int max) {
    return query(rq, "<MaxReturned>" + std::to_string(max) + "</MaxReturned>",
                 " iterator=\"Continue\" iteratorID=\"" + iteratorId + "\"");
  }

  test::TempDir dir;
  SimulatedCompany company = SimulatedCompany::create(dir.file("company.xml"), "Query Co");
};

using Names = std::vector<std::string>;

TEST_F(SimQueriesTest, IteratorReturnsEveryCustomerExactlyOnce) {
  std::string adds;
  for (int i = 0; i < 1000; ++i) {
    adds += "<CustomerAddRq><CustomerAdd><Name>Customer " + std::to_string(i) +
            "</Name></CustomerAdd></CustomerAddRq>";
  }
  company.process(request(adds));
  company.addVendor("Not a customer");

  Reply page = start("CustomerQueryRq", 300);
  std::map<std::string, int> seen;
  std::vector<long> remaining;
  std::string iteratorId = page.iterator();
  ASSERT_FALSE(iteratorId.empty());
  for (;;) {
    ASSERT_EQ(page.code(), 0) << page.message();
    for (const std::string& name : page.values("Name")) ++seen[name];
    remaining.push_back(page.remaining());
    if (page.remaining() == 0) break;
    if (remaining.size() == 2)
      company.addCustomer("Added while paging");  // not part of this search
    page = next("CustomerQueryRq", iteratorId, 300);
    EXPECT_EQ(page.iterator(), iteratorId);
  }
  EXPECT_EQ(remaining, (std::vector<long>{700, 400, 100, 0}));
  EXPECT_EQ(seen.size(), 1000u);
  for (const auto& [name, times] : seen) EXPECT_EQ(times, 1) << name;
  EXPECT_EQ(seen.count("Added while paging"), 0u);

  EXPECT_EQ(next("CustomerQueryRq", iteratorId, 300).code(), 3120);
}

TEST_F(SimQueriesTest, InvoicesPageWithTheirLines) {
  company.addCustomer("Acme");
  company.addItem(Kind::ItemService, "Labour", "10.00");
  std::string adds;
  for (int i = 1; i <= 25; ++i) {
    adds +=
        "<InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>Acme</FullName></CustomerRef>"
        "<InvoiceLineAdd><ItemRef><FullName>Labour</FullName></ItemRef><Quantity>" +
        std::to_string(i) + "</Quantity></InvoiceLineAdd></InvoiceAdd></InvoiceAddRq>";
  }
  company.process(request(adds));
  Reply page = start("InvoiceQueryRq", 10, "<IncludeLineItems>true</IncludeLineItems>");
  std::vector<std::string> refs, amounts;
  for (;;) {
    for (const std::string& ref : page.values("RefNumber")) refs.push_back(ref);
    for (const std::string& amount : page.values("InvoiceLineRet/Amount"))
      amounts.push_back(amount);
    if (page.remaining() == 0) break;
    page = next("InvoiceQueryRq", page.iterator(), 10);
  }
  ASSERT_EQ(refs.size(), 25u);
  for (int i = 0; i < 25; ++i) {
    EXPECT_EQ(refs[i], std::to_string(i + 1));
    EXPECT_EQ(amounts[i], std::to_string((i + 1) * 10) + ".00");
  }
}

TEST_F(SimQueriesTest, ListFiltersActiveStatusNamesAndMaxReturned) {
  for (const char* name : {"Alpha", "Alpine", "Beta", "Gamma", "Delta"}) company.addCustomer(name);
  company.setActive(company.findByName(Kind::Customer, "Gamma")->id, false);

  const std::string beta = company.findByName(Kind::Customer, "Beta")->id;
  auto nameFilter = [](const std::string& match, const std::string& name) {
    return "<NameFilter><MatchCriterion>" + match + "</MatchCriterion><Name>" + name +
           "</Name></NameFilter>";
  };
  const struct {
    std::string inner;
    Names names;
  } cases[] = {
      {"", {"Alpha", "Alpine", "Beta", "Delta"}},
      {"<ActiveStatus>InactiveOnly</ActiveStatus>", {"Gamma"}},
      {"<ActiveStatus>All</ActiveStatus>", {"Alpha", "Alpine", "Beta", "Delta", "Gamma"}},
      {"<FullName>gamma</FullName><FullName>Beta</FullName>", {"Gamma", "Beta"}},
      {"<MaxReturned>2</MaxReturned>", {"Alpha", "Alpine"}},
      {nameFilter("StartsWith", "alp"), {"Alpha", "Alpine"}},
      {nameFilter("Contains", "ta"), {"Beta", "Delta"}},
      {nameFilter("EndsWith", "A"), {"Alpha", "Beta", "Delta"}},
      {"<NameRangeFilter><FromName>B</FromName><ToName>D</ToName></NameRangeFilter>",
       {"Beta", "Delta"}},
      {"<ListID>" + beta + "</ListID>", {"Beta"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(values("CustomerQueryRq", c.inner, "Name"), c.names) << c.inner;
}

TEST_F(SimQueriesTest, AQueryThatFindsNothingIsStatusOne) {
  company.addVendor("Vend");
  for (const char* body :
       {"<CustomerQueryRq><FullName>Vend</FullName></CustomerQueryRq>", "<InvoiceQueryRq/>",
        "<ClassQueryRq/>", "<CustomerQueryRq><ListID>80000099-1</ListID></CustomerQueryRq>"}) {
    Reply rs = send(company, body);
    EXPECT_EQ(rs.code(), 1) << body;
    EXPECT_STREQ(rs.rs.attribute("statusSeverity").value(), "Info");
    EXPECT_EQ(rs.message(), "A query request did not find a matching object in QuickBooks");
    EXPECT_FALSE(rs.rs.first_child());
  }
}

TEST_F(SimQueriesTest, AccountsFilterByType) {
  company.addAccount("Checking", "Bank");
  company.addAccount("Sales", "Income");
  company.addAccount("Undeposited Funds", "OtherCurrentAsset");
  EXPECT_EQ(values("AccountQueryRq",
                   "<AccountType>Bank</AccountType><AccountType>Income</AccountType>", "Name"),
            (Names{"Checking", "Sales"}));
}

class SimTransactionQueriesTest : public SimQueriesTest {
 protected:
  SimTransactionQueriesTest() {
    company.addCustomer("Acme");
    company.addCustomer("Bolt");
    company.addItem(Kind::ItemService, "Labour", "10.00");
    std::string adds;
    auto add = [&](const std::string& customer, const std::string& ref, const std::string& date,
                   const std::string& amount) {
      adds += "<InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>" + customer +
              "</FullName></CustomerRef><TxnDate>" + date + "</TxnDate><RefNumber>" + ref +
              "</RefNumber><Memo>Memo " + ref +
              "</Memo><InvoiceLineAdd><ItemRef><FullName>Labour</FullName></ItemRef><Amount>" +
              amount + "</Amount></InvoiceLineAdd></InvoiceAdd></InvoiceAddRq>";
    };
    add("Acme", "1001", "2026-01-05", "100.00");
    add("Bolt", "1002", "2026-01-20", "50.00");
    add("Acme", "INV-7", "2026-02-10", "75.00");
    add("Bolt", "1001", "2026-03-01", "20.00");
    company.process(request(adds));
  }
};

TEST_F(SimTransactionQueriesTest, ByReferenceNumberEntityAndDate) {
  const struct {
    std::string inner;
    const char* field;
    Names values;
  } cases[] = {
      {"<RefNumber>1001</RefNumber>", "CustomerRef/FullName", {"Acme", "Bolt"}},
      {"<RefNumber>1001</RefNumber>", "Subtotal", {"100.00", "20.00"}},
      {"<RefNumber>inv-7</RefNumber>", "Memo", {"Memo INV-7"}},
      {"<RefNumberFilter><MatchCriterion>StartsWith</MatchCriterion><RefNumber>100</RefNumber>"
       "</RefNumberFilter>",
       "RefNumber",
       {"1001", "1002", "1001"}},
      {"<RefNumberRangeFilter><FromRefNumber>1001</FromRefNumber><ToRefNumber>1001</ToRefNumber>"
       "</RefNumberRangeFilter>",
       "TxnDate",
       {"2026-01-05", "2026-03-01"}},
      {"<EntityFilter><FullName>bolt</FullName></EntityFilter>", "RefNumber", {"1002", "1001"}},
      {"<TxnDateRangeFilter><FromTxnDate>2026-01-20</FromTxnDate><ToTxnDate>2026-02-10</ToTxnDate>"
       "</TxnDateRangeFilter>",
       "RefNumber",
       {"1002", "INV-7"}},
      {"<MaxReturned>1</MaxReturned><TxnDateRangeFilter><FromTxnDate>2026-02-01</FromTxnDate>"
       "</TxnDateRangeFilter><EntityFilter><FullName>Acme</FullName></EntityFilter>",
       "RefNumber",
       {"INV-7"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(values("InvoiceQueryRq", c.inner, c.field), c.values) << c.inner;
  EXPECT_EQ(
      query("InvoiceQueryRq", "<RefNumberCaseSensitive>inv-7</RefNumberCaseSensitive>").code(), 1);
}

TEST_F(SimTransactionQueriesTest, PagedSearchByCustomerAndReference) {
  Reply rs = start("InvoiceQueryRq", 2,
                   "<EntityFilter><FullName>Bolt</FullName></EntityFilter><RefNumberRangeFilter>"
                   "<FromRefNumber>1001</FromRefNumber><ToRefNumber>1001</ToRefNumber>"
                   "</RefNumberRangeFilter>");
  EXPECT_EQ(rs.values("Subtotal"), (Names{"20.00"}));
  EXPECT_EQ(rs.remaining(), 0);
  Reply all = start("InvoiceQueryRq", 3);
  EXPECT_EQ(all.values("RefNumber"), (Names{"1001", "1002", "INV-7"}));
  EXPECT_EQ(all.remaining(), 1);
  EXPECT_EQ(query("InvoiceQueryRq", "", " iterator=\"Stop\" iteratorID=\"" + all.iterator() + "\"")
                .code(),
            0);
  EXPECT_EQ(next("InvoiceQueryRq", all.iterator(), 3).code(), 3120);  // stopped
}

TEST_F(SimTransactionQueriesTest, ByPaidStatusAndPaymentsByCustomer) {
  std::string acmeFirst = values("InvoiceQueryRq", "<RefNumber>1001</RefNumber>", "TxnID")[0];
  company.process(
      request("<ReceivePaymentAddRq><ReceivePaymentAdd><CustomerRef><FullName>Acme</FullName>"
              "</CustomerRef><RefNumber>R-1</RefNumber><TotalAmount>100.00</TotalAmount>"
              "<Memo>Receipt 55</Memo><AppliedToTxnAdd><TxnID>" +
              acmeFirst +
              "</TxnID><PaymentAmount>100.00</PaymentAmount></AppliedToTxnAdd></ReceivePaymentAdd>"
              "</ReceivePaymentAddRq>"));
  EXPECT_EQ(values("InvoiceQueryRq", "<PaidStatus>NotPaidOnly</PaidStatus>", "RefNumber"),
            (Names{"1002", "INV-7", "1001"}));
  EXPECT_EQ(values("InvoiceQueryRq", "<PaidStatus>PaidOnly</PaidStatus>", "TxnID"),
            (Names{acmeFirst}));

  auto paymentsOf = [&](const std::string& customer) {
    return query("ReceivePaymentQueryRq",
                 "<EntityFilter><FullName>" + customer + "</FullName></EntityFilter>");
  };
  Reply payments = paymentsOf("Acme");
  EXPECT_EQ(payments.values("TotalAmount"), (Names{"100.00"}));
  EXPECT_EQ(payments.values("Memo"), (Names{"Receipt 55"}));
  EXPECT_FALSE(payments.rs.first_child().child("AppliedToTxnRet"));
  EXPECT_EQ(paymentsOf("Bolt").code(), 1);
}

TEST_F(SimTransactionQueriesTest, LinesOnlyWhenAskedAndOnlyTheElementsAskedFor) {
  const std::string ref = "<RefNumber>1002</RefNumber>";
  EXPECT_FALSE(query("InvoiceQueryRq", ref).rs.first_child().child("InvoiceLineRet"));
  Reply with = query("InvoiceQueryRq", ref + "<IncludeLineItems>true</IncludeLineItems>");
  EXPECT_EQ(with.values("InvoiceLineRet/Amount"), (Names{"50.00"}));
  Reply some = query("InvoiceQueryRq", ref +
                                           "<IncludeRetElement>TxnID</IncludeRetElement>"
                                           "<IncludeRetElement>Subtotal</IncludeRetElement>");
  std::vector<std::string> tags;
  for (pugi::xml_node child : some.rs.first_child().children()) tags.push_back(child.name());
  EXPECT_EQ(tags, (Names{"TxnID", "Subtotal"}));
  std::string id = with.values("TxnID")[0];
  EXPECT_EQ(values("InvoiceQueryRq", "<TxnID>" + id + "</TxnID>", "RefNumber"), (Names{"1002"}));
}

TEST_F(SimTransactionQueriesTest, PurchaseOrdersByReferenceAndVendor) {
  company.addVendor("Mill");
  company.process(request(
      "<PurchaseOrderAddRq><PurchaseOrderAdd><VendorRef><FullName>Mill</FullName></VendorRef>"
      "<RefNumber>PO77</RefNumber><PurchaseOrderLineAdd><ItemRef><FullName>Labour</FullName>"
      "</ItemRef><Quantity>3</Quantity></PurchaseOrderLineAdd></PurchaseOrderAdd>"
      "</PurchaseOrderAddRq>"));
  EXPECT_EQ(values("PurchaseOrderQueryRq", "<RefNumber>PO77</RefNumber>", "TotalAmount"),
            (Names{"30.00"}));
  EXPECT_EQ(
      start("PurchaseOrderQueryRq", 5, "<EntityFilter><FullName>Mill</FullName></EntityFilter>")
          .remaining(),
      0);
}

}  // namespace
}  // namespace vqb::qb::sim
