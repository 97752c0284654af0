// The Web Connector service under a loopback siege: slow and idle connections, a body far
// over the limit and a crowd of wrong logins, while the Web Connector's own calls still go
// through. Every client loop ends by itself; waits are for events, with generous bounds.

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <thread>

#include "quickbooks/web_connector_server.h"
#include "quickbooks/web_connector_transport.h"
#include "support/loopback_client.h"
#include "support/qbwc_client.h"

namespace vqb::qb {
namespace {

using test::LoopbackConnection;
using test::Qbwc;
using Strings = std::vector<std::string>;

const char* const kQuery =
    "<?xml version=\"1.0\"?><?qbxml version=\"3.0\"?><QBXML><QBXMLMsgsRq onError=\"stopOnError\">"
    "<CustomerQueryRq requestID=\"1\"/></QBXMLMsgsRq></QBXML>";
const char* const kAnswer = "<?xml version=\"1.0\"?><QBXML><QBXMLMsgsRs/></QBXML>";

class WebConnectorSiegeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WebConnectorSettings s;
    s.port = 0;
    s.userName = "qbuser";
    s.passwordHash = hash_password("s3cret");
    s.timings.workWait = 200ms;
    s.timings.linger = 50ms;
    s.closeWait = 2s;
    // Short enough for the test to see idle and slow connections closed.
    s.limits.keepAliveIdle = 1s;
    s.limits.requestDeadline = 2s;
    s.limits.loginDelays.first = 1h;  // lasts however slowly the test runs
    transport = std::make_unique<WebConnectorTransport>(s);
    port = transport->port();
  }

  // One call over a connection of its own from `from` (127.0.0.1 when null).
  Strings callFrom(const char* from, const std::string& method,
                   const std::vector<std::pair<std::string, std::string>>& params) {
    LoopbackConnection connection(port, from);
    if (!connection.connected()) return {"NO CONNECTION"};
    connection.send(test::http_post(test::soap_call(method, params)));
    const std::string answer = connection.receiveAll();
    if (answer.empty()) return {"NO REPLY"};
    if (answer.starts_with("HTTP/1.1 503")) return {"BUSY"};
    return test::soap_result(method, test::http_body(answer));
  }
  Strings login(const char* from, const std::string& user, const std::string& password) {
    return callFrom(from, "authenticate", {{"strUserName", user}, {"strPassword", password}});
  }
  // Waits until the service has taken `count` more connections than before.
  void settle(std::uint64_t before, std::uint64_t count) {
    ASSERT_TRUE(transport->server().waitForConnections(before + count, 60s))
        << transport->server().connectionsSeen() << " of " << before + count;
  }

  std::unique_ptr<WebConnectorTransport> transport;
  int port{0};
};

TEST_F(WebConnectorSiegeTest, SlowAndIdleClientsDoNotLockOutTheWebConnector) {
  const auto before = transport->server().connectionsSeen();
  // 16 clients send a request's first line and then a byte at a time, for at most a minute;
  // each reports whether the service cut it off. 300 more connect and send nothing.
  std::vector<std::unique_ptr<LoopbackConnection>> slow, idle;
  for (int i = 0; i < 16; ++i) slow.push_back(std::make_unique<LoopbackConnection>(port));
  std::vector<std::future<bool>> cutOff;
  for (auto& client : slow)
    cutOff.push_back(std::async(std::launch::async, [&connection = *client] {
      if (!connection.send("POST /qbwc HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 99999\r\n"))
        return true;
      for (int sent = 0; sent < 3000; ++sent) {
        if (connection.readable(20ms)) return true;  // an answer or the end: cut off
        if (!connection.send("X")) return true;
      }
      return false;
    }));
  for (int i = 0; i < 300; ++i) idle.push_back(std::make_unique<LoopbackConnection>(port));
  const auto connected =
      std::count_if(slow.begin(), slow.end(), [](auto& c) { return c->connected(); }) +
      std::count_if(idle.begin(), idle.end(), [](auto& c) { return c->connected(); });
  EXPECT_EQ(connected, 316);
  settle(before, static_cast<std::uint64_t>(connected));

  // The Web Connector's whole exchange goes through meanwhile.
  auto result = std::async(std::launch::async, [&] { return transport->process(kQuery); });
  Qbwc qbwc(port);
  std::string ticket;
  for (int i = 0; i < 1500 && ticket.empty(); ++i) {
    const Strings answer = qbwc.login();
    if (answer.size() == 2 && answer[1].empty()) ticket = answer[0];
    if (ticket.empty()) std::this_thread::sleep_for(20ms);
  }
  ASSERT_EQ(ticket.size(), 32u);
  EXPECT_EQ(qbwc.send(ticket), kQuery);
  EXPECT_EQ(qbwc.receive(ticket, kAnswer), "50");
  EXPECT_EQ(result.get(), kAnswer);
  EXPECT_EQ(qbwc.one("closeConnection", ticket), "OK");

  // Every idle connection is closed by the service, and every slow client cut off.
  int closed = 0;
  for (auto& connection : idle) closed += connection->closedByService(60s);
  EXPECT_EQ(closed, 300);
  for (auto& client : cutOff) EXPECT_TRUE(client.get());
}

TEST_F(WebConnectorSiegeTest, ABodyOverTheLimitIsRefusedBeforeItIsRead) {
  const std::size_t size = 50u << 20;
  LoopbackConnection connection(port);
  ASSERT_TRUE(
      connection.send("POST /qbwc HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml\r\n"
                      "Content-Length: " +
                      std::to_string(size) + "\r\n\r\n"));
  // Sends until the answer comes (the service reads the rest and drops it meanwhile).
  const std::string chunk(64 * 1024, 'x');
  std::size_t sent = 0;
  while (sent < size && !connection.readable(0ms) && connection.send(chunk)) sent += chunk.size();
  const std::string answer = connection.receiveAll();
  EXPECT_LT(sent, size) << "the answer came only after the whole body";
  EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 413");
  EXPECT_EQ(test::soap_result("authenticate", test::http_body(answer)),
            Strings{"FAULT The request is larger than the 8192 KB this service accepts"});
  connection.close();
  EXPECT_EQ(Qbwc(port).call("serverVersion", {}), Strings{"Vantora QuickBooks Integrator"});
}

TEST_F(WebConnectorSiegeTest, ACrowdOfWrongLoginsNeitherHoldsUpNorLocksOutTheRightOne) {
  std::promise<void> go;
  std::shared_future<void> start = go.get_future().share();
  std::vector<std::future<Strings>> wrong;
  for (int i = 0; i < 50; ++i)
    wrong.push_back(std::async(std::launch::async, [&, i] {
      start.wait();
      return login(nullptr, "intruder" + std::to_string(i), "guess");
    }));
  auto right = std::async(std::launch::async, [&] {
    start.wait();
    return login("127.0.0.2", "qbuser", "s3cret");
  });
  go.set_value();
  const Strings answer = right.get();
  ASSERT_EQ(answer.size(), 2u);
  EXPECT_EQ(answer[0].size(), 32u);
  EXPECT_EQ(answer[1], "none");
  // A wrong login is refused; or, as one address is served 16 connections at most, closed
  // unanswered to make room for a later one, or turned away busy while 16 are being answered.
  int refused = 0;
  for (auto& w : wrong) {
    const Strings a = w.get();
    EXPECT_TRUE(a == Strings({"", "nvu"}) || a == Strings{"NO REPLY"} || a == Strings{"BUSY"})
        << testing::PrintToString(a);
    refused += a.size() == 2;
  }
  EXPECT_GE(refused, 1);
  // Two checks at most ran before the address had to wait, besides the right login's.
  EXPECT_LE(transport->service().passwordChecks(), 3);

  // While the delay lasts, the right password from that address is refused unchecked; from
  // elsewhere it works; a name too long to be one is refused unchecked.
  const int checks = transport->service().passwordChecks();
  EXPECT_EQ(login(nullptr, "qbuser", "s3cret"), Strings({"", "nvu"}));
  EXPECT_EQ(login("127.0.0.3", std::string(1 << 20, 'q'), "s3cret"), Strings({"", "nvu"}));
  EXPECT_EQ(login("127.0.0.2", "qbuser", "s3cret").at(1), "none");
  EXPECT_EQ(transport->service().passwordChecks(), checks + 1);
}

}  // namespace
}  // namespace vqb::qb
