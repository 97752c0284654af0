// vqb-cli webconnector setup and qwc, qb process, and a send through the Web Connector
// transport answered by a Web Connector imitation standing before a simulated company.

#include "cli/webconnector_command.h"

#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <regex>
#include <sstream>

#include "cli/commands.h"
#include "quickbooks/connection.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/cli_run.h"
#include "support/qbwc_client.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

using test::CliRun;

class WebConnectorCommandTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string folder = dir.file("demo");
  void SetUp() override {
    ASSERT_EQ(run({"demo", folder, "--customers", "3", "--invoices", "2", "--payments", "0",
                   "--purchase-orders", "0", "--suppliers", "1"})
                  .code,
              0);
  }
  CliRun run(std::vector<std::string> args, const std::string& input = "") {
    if (args[0] != "demo" && args[0] != "--settings")
      args.insert(args.begin(), {"--settings", folder});
    return test::run_cli(std::move(args), input);
  }
  static std::string read(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
  }
};

TEST_F(WebConnectorCommandTest, SetupKeepsOnlyASaltedHashAndQwcNamesTheKeptIds) {
  EXPECT_EQ(run({"webconnector", "qwc", dir.file("a.qwc")}).err,
            "Run vqb-cli webconnector setup --user NAME first.\n");
  CliRun empty = run({"webconnector", "setup", "--user", "qb"}, "");
  EXPECT_EQ(empty.code, 2);
  EXPECT_EQ(empty.err, "Give the Web Connector's password as one line on standard input.\n");

  CliRun setup = run({"webconnector", "setup", "--user", "qb", "--port", "9123"}, "pass word\n");
  ASSERT_EQ(setup.code, 0) << setup.err;
  EXPECT_EQ(setup.out,
            "QuickBooks is now reached through the Web Connector at http://localhost:9123/qbwc as "
            "user qb.\n");
  qb::ConnectionConfig config = qb::load_connection_config(folder);
  EXPECT_EQ(config.transport, "webconnector");
  EXPECT_EQ(config.port, 9123);
  EXPECT_EQ(config.listenAddress, "127.0.0.1");
  EXPECT_FALSE(config.companyFile.empty()) << "the simulated company stays named";
  EXPECT_EQ(read(qb::connection_file_path(folder)).find("pass word"), std::string::npos);
  EXPECT_TRUE(qb::password_matches("pass word", config.passwordHash));

  ASSERT_EQ(run({"webconnector", "qwc", dir.file("a.qwc")}).code, 0);
  config = qb::load_connection_config(folder);
  EXPECT_EQ(read(dir.file("a.qwc")),
            cli::qwc_text("http://localhost:9123/qbwc", "qb", config.ownerId, config.fileId));
  EXPECT_EQ(config.ownerId.size(), 38u);
  ASSERT_EQ(run({"webconnector", "qwc", dir.file("b.qwc")}).code, 0);
  EXPECT_EQ(read(dir.file("a.qwc")), read(dir.file("b.qwc"))) << "the ids are kept";
  EXPECT_NE(read(dir.file("a.qwc")).find("<QBType>QBFS</QBType>"), std::string::npos);
  EXPECT_NE(read(dir.file("a.qwc")).find("<Scheduler>"), std::string::npos);
}

TEST_F(WebConnectorCommandTest, QbProcessAnswersLikeTheSimulatedCompany) {
  const std::string request =
      "<?xml version=\"1.0\"?><?qbxml version=\"3.0\"?><QBXML><QBXMLMsgsRq "
      "onError=\"stopOnError\"><CustomerQueryRq requestID=\"1\"/></QBXMLMsgsRq></QBXML>";
  CliRun answered = run({"qb", "process"}, request);
  ASSERT_EQ(answered.code, 0) << answered.err;
  qb::sim::SimulatedCompany company(qb::load_connection_config(folder).companyFile);
  EXPECT_EQ(answered.out, company.process(request));
}

TEST_F(WebConnectorCommandTest, WithoutAWebConnectorACommandGivesUpAfterWait) {
  ASSERT_EQ(run({"webconnector", "setup", "--user", "qb"}, "pw\n").code, 0);
  test::AnyPort anyPort(folder, dir.file("port"));
  CliRun connected = run({"--wait", "1", "connect"});
  EXPECT_EQ(connected.code, 1);
  // The connection test fails once, as with a closed company; no list is tried.
  EXPECT_EQ(connected.err,
            "[Connection Error] Vantora cannot connect to QuickBooks.\n\nError 20852 - The "
            "QuickBooks Web Connector did not call within 1 seconds. Check that it runs beside "
            "QuickBooks with this application added and QuickBooks open.\n");
}

// The whole command runs through the Web Connector and leaves the company as a direct send.
TEST_F(WebConnectorCommandTest, ASendThroughTheWebConnectorMatchesADirectSend) {
  const std::string direct = dir.file("direct");
  ASSERT_EQ(run({"demo", direct, "--customers", "3", "--invoices", "2", "--payments", "0",
                 "--purchase-orders", "0", "--suppliers", "1"})
                .code,
            0);
  CliRun directSend = run({"--settings", direct, "send", "customers", "--all"});
  ASSERT_EQ(directSend.code, 0) << directSend.err;

  const std::string companyFile = qb::load_connection_config(folder).companyFile;
  ASSERT_EQ(run({"webconnector", "setup", "--user", "qbuser"}, "s3cret\n").code, 0);
  test::AnyPort anyPort(folder, dir.file("port"));
  std::atomic<bool> stop{false};
  auto qbwc = std::async(std::launch::async, [&] {
    return test::play_web_connector(
        anyPort.portFile,
        [&](const std::string& request) {
          return qb::sim::SimulatedCompany(companyFile).process(request);
        },
        stop);
  });
  CliRun sent = run({"send", "customers", "--all"});
  stop = true;
  EXPECT_EQ(sent.code, 0) << sent.err;
  EXPECT_GT(qbwc.get(), 3);
  EXPECT_EQ(sent.out, directSend.out);
  qb::ConnectionConfig config = qb::load_connection_config(folder);
  config.transport = "simulated";  // qb list looks at the company itself
  qb::save_connection_config(folder, config);
  // ListIDs end in the second they were made: compare without that part.
  auto listed = [&](const std::string& settings) {
    return std::regex_replace(run({"--settings", settings, "qb", "list", "customers"}).out,
                              std::regex("-[0-9]+ "), " ");
  };
  EXPECT_EQ(listed(folder), listed(direct));
}

}  // namespace
}  // namespace vqb
