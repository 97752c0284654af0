// The transport registry: QBconnection.xml's `transport` chooses, an unknown name says what
// would be accepted, and a registered transport is used without other changes.

#include "quickbooks/transport_factory.h"

#include <gtest/gtest.h>

#include "quickbooks/connection.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/counting_transport.h"
#include "support/temp_dir.h"

namespace vqb::qb {
namespace {

const char* const kCustomerQuery =
    "<?xml version=\"1.0\"?><?qbxml version=\"3.0\"?><QBXML><QBXMLMsgsRq onError=\"stopOnError\">"
    "<CustomerQueryRq requestID=\"1\"><FullName>Nobody</FullName></CustomerQueryRq></QBXMLMsgsRq>"
    "</QBXML>";

class TransportFactoryTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string folder = dir.path().string();
  std::string file = folder + "/QBconnection.xml";

  void choose(const std::string& transport, const std::string& companyFile) {
    ConnectionConfig config;
    config.transport = transport;
    config.companyFile = companyFile;
    save_connection_config(folder, config);
  }
  // The error connecting with these settings raises; "" when it connects.
  std::string connectError() {
    try {
      QuickBooksLink link(folder);
      return "";
    } catch (const QbError& error) {
      EXPECT_EQ(error.number(), kNotReachable) << error.description();
      return error.description();
    }
  }
};

// Runs before anything is registered: only the built-in transports are accepted.
TEST_F(TransportFactoryTest, SettingsThatCannotConnectSayWhy) {
  EXPECT_EQ(accepted_transports(), (std::vector<std::string>{"simulated", "webconnector"}));
  sim::SimulatedCompany::create(dir.file("c.qbxml"), "C");
  const struct {
    const char* transport;
    std::string companyFile;
    std::string error;
  } cases[] = {
      {"xyz", dir.file("c.qbxml"),
       "Unknown QuickBooks transport \"xyz\" in " + file +
           ". Accepted values: simulated, webconnector."},
      {"Simulated", dir.file("c.qbxml"),
       "Unknown QuickBooks transport \"Simulated\" in " + file +
           ". Accepted values: simulated, webconnector."},
      {"simulated", "", "No QuickBooks company file is configured in " + file},
      {"simulated", dir.file("c.qbxml"), ""},
      {"webconnector", "",
       "The QuickBooks Web Connector login is not set up in " + file +
           ". Run: vqb-cli webconnector setup --user NAME"},
  };
  for (const auto& c : cases) {
    choose(c.transport, c.companyFile);
    EXPECT_EQ(connectError(), c.error) << c.transport;
  }
}

TEST_F(TransportFactoryTest, ARegisteredTransportIsChosenByItsName) {
  test::TransportCount count;
  register_transport("counted", [&count](const ConnectionConfig& config, const std::string&) {
    return std::make_unique<test::CountingTransport>(
        std::make_unique<sim::SimulatedCompany>(config.companyFile), count);
  });
  EXPECT_EQ(accepted_transports(),
            (std::vector<std::string>{"counted", "simulated", "webconnector"}));

  sim::SimulatedCompany::create(dir.file("c.qbxml"), "C");
  choose("counted", dir.file("c.qbxml"));
  QuickBooksLink link(folder);
  EXPECT_NE(link.session().exchange(kCustomerQuery).find("statusCode=\"1\""), std::string::npos);
  ASSERT_EQ(count.count(), 1u);
  EXPECT_EQ(count.requests[0], kCustomerQuery);

  choose("pigeon", dir.file("c.qbxml"));
  EXPECT_EQ(connectError(), "Unknown QuickBooks transport \"pigeon\" in " + file +
                                ". Accepted values: counted, simulated, webconnector.");
}

}  // namespace
}  // namespace vqb::qb
