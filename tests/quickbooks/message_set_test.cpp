// Several queries in one message set: one round trip, each answered on its own, the answers
// in order and the same as when each query travels alone; answers sent ahead serve the loads
// that follow until something is changed.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quickbooks/components.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/qbxml_schema.h"
#include "support/temp_dir.h"

namespace vqb::qb {
namespace {

using sim::SimulatedCompany;

// Keeps every request document on its way to the company.
class Recorder : public QbTransport {
 public:
  explicit Recorder(QbTransport& inner) : inner_(inner) {}
  void openConnection(const std::string& text) override { inner_.openConnection(text); }
  void closeConnection() override { inner_.closeConnection(); }
  std::string process(const std::string& requestXml) override {
    requests.push_back(requestXml);
    return inner_.process(requestXml);
  }
  std::vector<std::string> requests;

 private:
  QbTransport& inner_;
};

class MessageSetTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  SimulatedCompany company = SimulatedCompany::create(dir.file("company.qbxml"), "Test Co");
  Recorder transport{company};
  Session session{transport};
  Customer customer{session};
  Vendor vendor{session};
  Employee employee{session};

  void SetUp() override {
    company.addCustomer("Ada & Co");
    company.addVendor("Bolt Supply");
    customer.settings.qbxmlVersion = vendor.settings.qbxmlVersion = employee.settings.qbxmlVersion =
        "13.0";
  }

  // The customer, vendor and employee checks of one name.
  std::vector<std::string> checks(const std::string& name) const {
    return {customer.loadByNameDocument(name), vendor.loadByNameDocument(name),
            employee.loadByNameDocument(name)};
  }
};

TEST_F(MessageSetTest, QueriesShareOneRoundTripAndAnswerAsAlone) {
  const std::vector<std::string> requests = checks("Ada & Co");
  session.setBatching(false);
  const std::vector<std::string> alone = session.exchangeSet(requests);
  ASSERT_EQ(transport.requests.size(), 3u);

  session.setBatching(true);
  const std::vector<std::string> together = session.exchangeSet(requests);
  ASSERT_EQ(transport.requests.size(), 4u);
  const std::string& set = transport.requests.back();
  EXPECT_NE(set.find("<QBXMLMsgsRq onError=\"continueOnError\"><CustomerQueryRq requestID=\"1\">"
                     "<FullName>Ada &amp; Co</FullName></CustomerQueryRq><VendorQueryRq "
                     "requestID=\"2\">"),
            std::string::npos)
      << set;
  EXPECT_NE(set.find("<EmployeeQueryRq requestID=\"3\">"), std::string::npos) << set;
  if (test::haveXmllint()) {
    EXPECT_EQ(test::schemaProblems({set}, dir.path().string()), "");
  }

  // Each answer is its own document with the request's own id and status, in order.
  ASSERT_EQ(together.size(), 3u);
  const char* const names[] = {"CustomerQueryRs", "VendorQueryRs", "EmployeeQueryRs"};
  const long statuses[] = {0, 1, 1};
  for (std::size_t i = 0; i < 3; ++i) {
    for (const auto* answers : {&alone, &together}) {
      const auto response = qbxml::Response::parse((*answers)[i], names[i]);
      EXPECT_EQ(response.statusCode(), statuses[i]) << names[i];
      EXPECT_EQ(response.records().size(), statuses[i] == 0 ? 1u : 0u) << names[i];
    }
    EXPECT_NE(together[i].find("requestID=\"1\""), std::string::npos) << together[i];
  }
  EXPECT_NE(together[0].find("<Name>Ada &amp; Co</Name>"), std::string::npos) << together[0];
}

TEST_F(MessageSetTest, ChangesAndMixedVersionsNeverShareASet) {
  vendor.settings.qbxmlVersion = "3.0";
  session.exchangeSet(checks("Ada & Co"));
  EXPECT_EQ(transport.requests.size(), 3u);  // versions differ: one by one

  vendor.settings.qbxmlVersion = "13.0";
  qbxml::Request add("CustomerAddRq");
  qbxml::add_text(qbxml::add_element(add.body(), "CustomerAdd"), "Name", "New Co");
  session.exchangeSet({customer.loadByNameDocument("New Co"), add.document("13.0")});
  ASSERT_EQ(transport.requests.size(), 5u);  // an add travels alone
  EXPECT_EQ(transport.requests[4].find("CustomerQueryRq"), std::string::npos);
}

TEST_F(MessageSetTest, AnswersSentAheadServeTheLoadsUntilSomethingChanges) {
  session.prefetch(checks("Ada & Co"));
  ASSERT_EQ(transport.requests.size(), 1u);
  customer.loadByName("Ada & Co");
  EXPECT_EQ(customer.fullName, "Ada & Co");
  EXPECT_THROW(vendor.loadByName("Ada & Co"), QbError);
  EXPECT_EQ(transport.requests.size(), 1u);  // both answered from the set
  customer.loadByName("Ada & Co");           // a kept answer serves again
  EXPECT_EQ(transport.requests.size(), 1u);

  // An add drops what was kept: the vendor check then asks again and sees the new vendor.
  session.prefetch({employee.loadByNameDocument("X"), vendor.loadByNameDocument("X")});
  ASSERT_EQ(transport.requests.size(), 2u);
  vendor.reset();
  vendor.name = "X";
  vendor.add();
  vendor.loadByName("X");
  EXPECT_EQ(vendor.name, "X");
  EXPECT_EQ(transport.requests.size(), 4u);

  // Without batching nothing is sent ahead.
  session.setBatching(false);
  session.prefetch(checks("Bolt Supply"));
  EXPECT_EQ(transport.requests.size(), 4u);
}

}  // namespace
}  // namespace vqb::qb
