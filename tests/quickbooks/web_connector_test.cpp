// The Web Connector service over HTTP, called as the Web Connector calls it: logins and
// refusals, the request/response loop, NoOp, QuickBooks errors, connection errors, lost
// answers, busy sessions and the clean end of a run.

#include <gtest/gtest.h>
#include <httplib.h>

#include <future>
#include <map>
#include <pugixml.hpp>

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
  // Logs in once a request waits (a login with nothing queued gets "none").
  std::string openSession() {
    for (int i = 0; i < 100; ++i) {
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
  int pumped = 0;
  transport->setWaitHook([&] { return ++pumped, true; });
  auto result = std::async(std::launch::async, [&] { return transport->process(kQuery); });
  const std::string ticket = openSession();
  EXPECT_EQ(qbwc->send(ticket), kQuery);
  EXPECT_EQ(qbwc->receive(ticket, kAnswer), "50");  // the program may still have work
  EXPECT_EQ(result.get(), kAnswer);
  EXPECT_GE(pumped, 1);

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
    return qbwc->call("connectionError",
                      {{"ticket", ticket}, {"hresult", "0x80040408"}, {"message", "No file"}})[0];
  };
  EXPECT_EQ(error(), "");
  EXPECT_EQ(error(), "done");
  EXPECT_EQ(qbwc->send(ticket), "FAULT Invalid ticket");
  EXPECT_EQ(qbwc->one("closeConnection", ticket), "OK");
  EXPECT_EQ(test::caught([&] { result.get(); }),
            (test::Caught{kNotReachable,
                          "The QuickBooks Web Connector could not open QuickBooks: No file"}));
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
  s.timings.workWait = 3s;
  start(s);
  auto result = processLater(kQuery);
  const std::string ticket = openSession();
  EXPECT_EQ(qbwc->send(ticket), kQuery);
  EXPECT_EQ(qbwc->receive(ticket, kAnswer), "50");
  result.get();
  auto waiting =
      std::async(std::launch::async, [&] { return Qbwc(transport->port()).send(ticket); });
  std::this_thread::sleep_for(50ms);
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
}

}  // namespace
}  // namespace vqb::qb
