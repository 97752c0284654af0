#include "quickbooks/exchange_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "quickbooks/caught.h"
#include "quickbooks/connection.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/temp_dir.h"

namespace vqb::qb {
namespace {

std::string read_file(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(ExchangeLog, RecordsBothSidesReadableByItsOwnerOnly) {
  test::TempDir dir;
  ExchangeLog log(dir.file("x.log"));
  log.record("<request/>", "<response/>");
  std::string text = read_file(dir.file("x.log"));
  EXPECT_NE(text.find(" request\n<request/>\n=== "), std::string::npos) << text;
  EXPECT_NE(text.find(" response\n<response/>\n"), std::string::npos) << text;
  struct stat info {};
  ASSERT_EQ(::stat(dir.file("x.log").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(ExchangeLog, RotatesWhenFullKeepingOneOlderFile) {
  test::TempDir dir;
  ExchangeLog log(dir.file("x.log"), 300);
  for (int i = 0; i < 10; ++i)
    log.record("<request n=\"" + std::to_string(i) + "\"/>", std::string(50, 'r'));
  EXPECT_LE(std::filesystem::file_size(dir.file("x.log")), 300u);
  EXPECT_TRUE(std::filesystem::exists(dir.file("x.log.1")));
  EXPECT_NE(read_file(dir.file("x.log")).find("<request n=\"9\"/>"), std::string::npos);
}

TEST(Connection, SettingsRoundTripAndChooseTheTransport) {
  test::TempDir dir;
  ConnectionConfig missing = load_connection_config(dir.path().string());
  EXPECT_EQ(missing.transport, "simulated");
  EXPECT_TRUE(missing.exchangeLog);
  EXPECT_EQ(test::caught([&] { QuickBooksLink link(dir.path().string()); }).number, kNotReachable);

  sim::SimulatedCompany::create(dir.file("c.qbxml"), "C");
  ConnectionConfig config;
  config.companyFile = dir.file("c.qbxml");
  save_connection_config(dir.path().string(), config);
  QuickBooksLink link(dir.path().string());
  link.session().exchange(
      "<?xml version=\"1.0\"?><?qbxml version=\"3.0\"?><QBXML><QBXMLMsgsRq onError=\"stopOnError\">"
      "<CustomerQueryRq "
      "requestID=\"1\"><FullName>Nobody</FullName></CustomerQueryRq></QBXMLMsgsRq></QBXML>");
  std::string logged = read_file(dir.file(kExchangeLogName));
  EXPECT_NE(logged.find("<FullName>Nobody</FullName>"), std::string::npos);
  EXPECT_NE(logged.find("statusCode=\"1\""), std::string::npos);

  config.exchangeLog = false;
  config.transport = "carrier-pigeon";
  save_connection_config(dir.path().string(), config);
  EXPECT_FALSE(load_connection_config(dir.path().string()).exchangeLog);
  EXPECT_THROW(QuickBooksLink{dir.path().string()}, QbError);
}

}  // namespace
}  // namespace vqb::qb
