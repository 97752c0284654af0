// The Web Connector service over HTTP, called as the Web Connector calls it: logins and
// refusals, the request/response loop, NoOp, QuickBooks errors, connection errors, lost
// answers, busy sessions and the clean end of a run; wrong logins delayed, the WSDL's
// address checked and a port already taken refused.

#include <gtest/gtest.h>
#include <httplib.h>

#include <future>
#include <map>
#include <pugixml.hpp>
#include <string_view>

#include "quickbooks/caught.h"
#include "quickbooks/qb_error.h"
#include "quickbooks/web_connector_soap.h"
#include "quickbooks/web_connector_transport.h"
#include "support/qbwc_client.h"

namespace vqb::qb {
namespace {

using test::Qbwc;

const char* const kQuery =
    "<?xml version=\"1.0\"?><?qbxml version=\"3.0\"?><QBXML><QBXMLMsgsRq onError=\"stopOnError\">"
    "<CustomerQueryRq requestID=\"1\"/></QBXMLMsgsRq></QBXML>";
const char* const kAdd =
    "<?xml version=\"1.0\"?><?qbxml version=\"3.0\"?><QBXML><QBXMLMsgsRq onError=\"stopOnError\">"
    "<CustomerAddRq requestID=\"1\"><CustomerAdd><Name>A</Name></CustomerAdd></CustomerAddRq>"
    "</QBXMLMsgsRq></QBXML>";
const char* const kAnswer = "<?xml version=\"1.0\"?><QBXML><QBXMLMsgsRs/></QBXML>";

// The password hash is slow on purpose: make it once.
const std::string& password_hash() {
  static const std::string hash = hash_password("s3cret");
  return hash;
}

class WebConnectorTest : public ::testing::Test {
 protected:
  WebConnectorSettings settings() {
    WebConnectorSettings s;
    s.port = 0;
    s.userName = "qbuser";
    s.passwordHash = password_hash();
    s.timings.sessionWait = 5s;
    s.timings.workWait = 200ms;
    s.timings.answerWait = 5s;
    s.timings.linger = 50ms;
    s.closeWait = 2s;
    s.limits.loginDelays.first = 0ms;  // wrong logins delay nothing, unless a test says so
    return s;
  }
  std::unique_ptr<WebConnectorTransport> transport;
  std::unique_ptr<Qbwc> qbwc;
  void start(WebConnectorSettings s) {
    transport = std::make_unique<WebConnectorTransport>(std::move(s));
    qbwc = std::make_unique<Qbwc>(transport->port());
  }
  void SetUp() override { start(settings()); }
  WebConnectorService& service() { return transport->service(); }

  // Runs process() on its own thread; the test plays the Web Connector meanwhile.
  std::future<std::string> processLater(const std::string& request) {
    return std::async(std::launch::async, [this, request] { return service().process(request); });
  }
  // Logs in once a request waits (a login with nothing queued gets "none"); polls as the Web
  // Connector does, for up to a minute on a slow or busy machine.
  std::string openSession() {
    for (int i = 0; i < 3000; ++i) {
      auto answer = qbwc->login();
      if (answer.size() == 2 && answer[1].empty()) return answer[0];
      std::this_thread::sleep_for(20ms);
    }
    ADD_FAILURE() << "no session";
    return "";
  }
};

TEST(WebConnectorPassword, TheHashIsSaltedAndChecked) {
  const std::string other = hash_password("s3cret");
  EXPECT_NE(password_hash(), other);
  EXPECT_EQ(password_hash().find("s3cret"), std::string::npos);
  EXPECT_TRUE(password_matches("s3cret", other));
  EXPECT_FALSE(password_matches("s3cret ", other));
  EXPECT_FALSE(password_matches("s3cret", ""));
}

TEST_F(WebConnectorTest, LoginsAndCallsWithoutAValidTicketAreRefused) {
  struct {
    std::string user, password;
    std::string status;
  } logins[] = {{"qbuser", "wrong", "nvu"},
                {"QBUSER", "s3cret", "nvu"},
                {"", "", "nvu"},
                {"qbuser", "s3cret", "none"}};
  for (const auto& l : logins) {
    auto answer = qbwc->login(l.user, l.password);
    ASSERT_EQ(answer.size(), 2u);
    EXPECT_EQ(answer[1], l.status) << l.user << "/" << l.password;
    EXPECT_EQ(answer[0].size(), l.status == "none" ? 32u : 0u);
  }
  // A "none" ticket may only close; no ticket, a made-up one or a "none" one opens nothing.
  const std::string idle = qbwc->login()[0];
  for (const std::string& ticket : {std::string(), std::string(32, 'a'), idle}) {
    EXPECT_EQ(qbwc->send(ticket), "FAULT Invalid ticket");
    EXPECT_EQ(qbwc->receive(ticket, kAnswer), "FAULT Invalid ticket");
    EXPECT_EQ(qbwc->call("connectionError", {{"ticket", ticket}})[0], "FAULT Invalid ticket");
  }
  EXPECT_EQ(qbwc->one("getLastError", std::string(32, 'a')), "FAULT Invalid ticket");
  EXPECT_EQ(qbwc->one("closeConnection", std::string(32, 'a')), "FAULT Invalid ticket");
  EXPECT_EQ(qbwc->one("closeConnection", idle), "OK");
  EXPECT_EQ(qbwc->call("nothing", {})[0], "FAULT Unknown method nothing");
  EXPECT_EQ(qbwc->call("serverVersion", {})[0], "Vantora QuickBooks Integrator");
  EXPECT_EQ(qbwc->call("clientVersion", {{"strVersion", "2.3.0.36"}})[0], "");
  EXPECT_EQ(handle_soap(service(), "not xml").status, 500);
}

TEST_F(WebConnectorTest, ARequestGoesOutAndItsAnswerComesBackThenTheRunEndsWith100) {
  // The program pumps its events while its request is out: the answer is held back until
  // the wait hook has run at least once after the request was handed over.
  std::atomic<bool> out{false};
  std::promise<void> pumpedWhileOut;
  auto pumped = pumpedWhileOut.get_future();
  transport->setWaitHook([&, first = true]() mutable {
    if (out && first) pumpedWhileOut.set_value(), first = false;
    return true;
  });
  auto result = std::async(std::launch::async, [&] { return transport->process(kQuery); });
  const std::string ticket = openSession();
  EXPECT_EQ(qbwc->send(ticket), kQuery);
  out = true;
  ASSERT_EQ(pumped.wait_for(60s), std::future_status::ready);
  EXPECT_EQ(qbwc->receive(ticket, kAnswer), "50");  // the program may still have work
  EXPECT_EQ(result.get(), kAnswer);

  // Nothing queued: NoOp after the work wait, then the end of the run hands over the
  // keep-alive query whose answer ends the session with 100.
  EXPECT_EQ(qbwc->send(ticket), "");
  EXPECT_EQ(qbwc->one("getLastError", ticket), "NoOp");
  service().finishRun();
  EXPECT_EQ(qbwc->send(ticket), kKeepAliveRequest);
  EXPECT_EQ(qbwc->receive(ticket, kAnswer), "100");
  EXPECT_EQ(qbwc->one("closeConnection", ticket), "OK");
  EXPECT_FALSE(service().sessionOpen());
}

TEST_F(WebConnectorTest, TheLastAnswerOfAFinishedRunGets100) {
  auto s = settings();
  s.timings.linger = 10s;
  start(s);
  auto result = processLater(kQuery);
  const std::string ticket = openSession();
  EXPECT_EQ(qbwc->send(ticket), kQuery);
  auto percent = std::async(std::launch::async, [&] { return qbwc->receive(ticket, kAnswer); });
  EXPECT_EQ(result.get(), kAnswer);
  service().finishRun();  // while receiveResponseXML waits to learn whether more follows
  EXPECT_EQ(percent.get(), "100");
  EXPECT_EQ(qbwc->one("closeConnection", ticket), "OK");
}

TEST_F(WebConnectorTest, QuickBooksErrorsAndConnectionErrorsFailTheWaitingRequest) {
  auto result = processLater(kAdd);
  std::string ticket = openSession();
  EXPECT_EQ(qbwc->send(ticket), kAdd);
  EXPECT_EQ(qbwc->receive(ticket, "", "0x80040400", "QuickBooks found an error when parsing"),
            "-101");
  EXPECT_EQ(test::caught([&] { result.get(); }),
            (test::Caught{-2147220480, "QuickBooks found an error when parsing"}));
  EXPECT_EQ(qbwc->one("getLastError", ticket), "QuickBooks found an error when parsing");
  EXPECT_EQ(qbwc->one("closeConnection", ticket), "OK");

  result = processLater(kQuery);
  ticket = openSession();
  auto error = [&] {
    return qbwc->call("connectionError", {{"ticket", ticket},
                                          {"hresult", "0x80040408"},
                                          {"message",
                                           "No \x1b[2J\x1b]0;owned\x07"
                                           "file\xc2\x9b"}})[0];
  };
  EXPECT_EQ(error(), "");
  EXPECT_EQ(error(), "done");
  EXPECT_EQ(qbwc->send(ticket), "FAULT Invalid ticket");
  EXPECT_EQ(qbwc->one("closeConnection", ticket), "OK");
  EXPECT_EQ(test::caught([&] { result.get(); }),
            (test::Caught{kNotReachable,
                          "The QuickBooks Web Connector could not open QuickBooks: No "
                          "[2J]0;ownedfile"}));
}

TEST_F(WebConnectorTest, WithoutASessionOrWhenCancelledARequestFailsAsNotReachable) {
  auto s = settings();
  s.timings.sessionWait = 1s;
  start(s);
  EXPECT_EQ(test::caught([&] { transport->process(kQuery); }),
            (test::Caught{kNotReachable,
                          "The QuickBooks Web Connector did not call within 1 seconds. Check that "
                          "it runs beside QuickBooks with this application added and QuickBooks "
                          "open."}));
  transport->setWaitHook([] { return false; });
  EXPECT_EQ(
      test::caught([&] { transport->process(kQuery); }),
      (test::Caught{kNotReachable, "Cancelled while waiting for the QuickBooks Web Connector."}));
  EXPECT_EQ(qbwc->login()[1], "none");  // neither is left queued
}

TEST_F(WebConnectorTest, ALostAnswerToAChangeIsNeverHandedOverAgainButAQueryIs) {
  auto change = processLater(kAdd);
  std::string first = openSession();
  EXPECT_EQ(qbwc->send(first), kAdd);
  // receiveResponseXML never comes; the Web Connector logs in afresh.
  auto query = processLater(kQuery);
  std::string second = openSession();
  EXPECT_EQ(test::caught([&] { change.get(); }).number, kAnswerLost);
  EXPECT_EQ(service().unanswered(), std::vector<std::string>{kAdd});
  EXPECT_EQ(qbwc->send(second), kQuery);
  EXPECT_EQ(qbwc->send(first), "FAULT Invalid ticket");  // the old session is over

  // A query whose answer is lost is simply asked again.
  std::string third = openSession();
  EXPECT_EQ(qbwc->send(third), kQuery);
  EXPECT_EQ(qbwc->receive(third, kAnswer), "50");
  EXPECT_EQ(query.get(), kAnswer);
  EXPECT_EQ(service().unanswered().size(), 1u);
  EXPECT_EQ(qbwc->one("closeConnection", third), "OK");
}

TEST_F(WebConnectorTest, ALoginWhileAnotherSessionIsMidCallIsBusy) {
  auto s = settings();
  s.timings.workWait = 5s;
  start(s);
  auto result = processLater(kQuery);
  const std::string ticket = openSession();
  EXPECT_EQ(qbwc->send(ticket), kQuery);
  EXPECT_EQ(qbwc->receive(ticket, kAnswer), "50");
  result.get();
  auto waiting =
      std::async(std::launch::async, [&] { return Qbwc(transport->port()).send(ticket); });
  // The login goes as soon as the service holds the waiting call, however long that took.
  while (service().callsInProgress() == 0 && waiting.wait_for(0ms) != std::future_status::ready)
    std::this_thread::yield();
  EXPECT_EQ(qbwc->login(), (std::vector<std::string>{"", "busy"}));
  EXPECT_EQ(waiting.get(), "");
  EXPECT_EQ(qbwc->one("closeConnection", ticket), "OK");
}

TEST_F(WebConnectorTest, TheWsdlDescribesEveryMethodAtTheServedAddress) {
  auto reply = qbwc->http.Get("/qbwc?wsdl");
  ASSERT_TRUE(reply);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(reply->body.c_str()));
  std::vector<std::string> operations;
  for (auto op : doc.child("wsdl:definitions").child("wsdl:portType").children("wsdl:operation"))
    operations.push_back(op.attribute("name").value());
  EXPECT_EQ(operations,
            (std::vector<std::string>{"serverVersion", "clientVersion", "authenticate",
                                      "sendRequestXML", "receiveResponseXML", "connectionError",
                                      "getLastError", "closeConnection"}));
  EXPECT_EQ(std::string(doc.select_node("//soap:address").node().attribute("location").value()),
            "http://127.0.0.1:" + std::to_string(transport->port()) + "/qbwc");

  // The address comes from the Host header, when that is a host and port; anything else is
  // refused, and the address is escaped whatever it holds.
  const struct {
    std::string host;
    std::string location;  // "": refused
  } hosts[] = {{"books.example.com:8086", "http://books.example.com:8086/qbwc"},
               {"[::1]:8086", "http://[::1]:8086/qbwc"},
               {"192.168.1.5", "http://192.168.1.5/qbwc"},
               {"a\"/><x y=\"", ""},
               {"books.example.com:99999", ""},
               {"books.example.com:", ""},
               {"books example.com", ""},
               {"[::1]x", ""}};
  for (const auto& h : hosts) {
    auto served = qbwc->http.Get("/qbwc?wsdl", {{"Host", h.host}});
    ASSERT_TRUE(served) << h.host;
    EXPECT_EQ(served->status, h.location.empty() ? 400 : 200) << h.host;
    if (h.location.empty()) continue;
    ASSERT_TRUE(doc.load_string(served->body.c_str()));
    EXPECT_EQ(doc.select_node("//soap:address").node().attribute("location").value(), h.location);
  }
  EXPECT_NE(web_connector_wsdl("http://a/?b&c<\"").find("location=\"http://a/?b&amp;c&lt;&quot;\""),
            std::string::npos);
}

TEST_F(WebConnectorTest, APortAnotherProgramListensOnIsRefusedNotShared) {
  auto s = settings();
  s.port = transport->port();
  EXPECT_EQ(test::caught([&] { WebConnectorTransport second(s); }),
            (test::Caught{kNotReachable,
                          "Port " + std::to_string(s.port) + " is in use by another program."}));
  EXPECT_EQ(qbwc->call("serverVersion", {})[0], "Vantora QuickBooks Integrator");
}

TEST(LoginThrottle, EachWrongLoginDelaysTheNameAndTheAddressLonger) {
  auto now = LoginThrottle::Clock::time_point() + 100h;
  LoginThrottle throttle({.first = 1s, .longest = 8s, .forgetAfter = 1h, .remembered = 4},
                         [&] { return now; });
  // 1, 2, 4, 8 and at most 8 seconds; refused until the last millisecond of each.
  for (const auto delay : {1s, 2s, 4s, 8s, 8s}) {
    throttle.failed("qb", "10.0.0.1");
    now += delay - 1ms;
    EXPECT_TRUE(throttle.refused("qb", "10.0.0.9")) << delay.count();
    EXPECT_TRUE(throttle.refused("other", "10.0.0.1")) << delay.count();
    EXPECT_FALSE(throttle.refused("other", "10.0.0.9"));
    now += 1ms;
    EXPECT_FALSE(throttle.refused("qb", "10.0.0.1")) << delay.count();
  }
  throttle.failed("qb", "10.0.0.1");
  throttle.succeeded("qb", "10.0.0.1");  // a right login clears both
  EXPECT_FALSE(throttle.refused("qb", "10.0.0.1"));
  throttle.failed("qb", "10.0.0.1");
  now += 1h;  // failures this old are forgotten: the next delays one second again
  throttle.failed("qb", "10.0.0.1");
  now += 1s;
  EXPECT_FALSE(throttle.refused("qb", "10.0.0.1"));
  // What it remembers is bounded: the soonest-ended delays make room for new ones.
  for (const char* name : {"a", "b", "c", "d", "e"}) throttle.failed(name, "10.0.0.2");
  EXPECT_TRUE(throttle.refused("e", "10.0.0.3"));
  EXPECT_TRUE(throttle.refused("x", "10.0.0.2"));
}

TEST_F(WebConnectorTest, WhileADelayLastsLoginsAreRefusedWithoutCheckingThePassword) {
  auto s = settings();
  s.limits.loginDelays.first = 1h;  // lasts however slowly the test runs
  start(s);
  const struct {
    std::string user, password, address;
    bool checked;
  } logins[] = {
      {"qbuser", "wrong", "10.0.0.1", true},
      {"qbuser", "s3cret", "10.0.0.2", false},               // the user name waits
      {"admin", "s3cret", "10.0.0.1", false},                // the address waits
      {std::string(257, 'q'), "s3cret", "10.0.0.3", false},  // too long to be a name
      {"admin", "s3cret", "10.0.0.3", false},                // ... and that address waits too
      {"admin", "s3cret", "10.0.0.4", true},
  };
  for (const auto& l : logins) {
    const int checks = service().passwordChecks();
    EXPECT_EQ(service().authenticate(l.user, l.password, l.address),
              (std::vector<std::string>{"", "nvu"}))
        << l.user.substr(0, 8) << " " << l.address;
    EXPECT_EQ(service().passwordChecks() - checks, l.checked ? 1 : 0)
        << l.user.substr(0, 8) << " " << l.address;
  }
}

}  // namespace
}  // namespace vqb::qb
