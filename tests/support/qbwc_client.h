#pragma once
// A QuickBooks Web Connector imitation for tests: SOAP calls over HTTP, one at a time, as the
// Web Connector makes them.

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "quickbooks/connection.h"
#include "quickbooks/web_connector_transport.h"

namespace vqb::test {

// The SOAP envelope of a call of the Web Connector's.
inline std::string soap_call(const std::string& method,
                             const std::vector<std::pair<std::string, std::string>>& params) {
  std::string body =
      "<?xml version=\"1.0\"?><soap:Envelope "
      "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><" +
      method + " xmlns=\"http://developer.intuit.com/\">";
  pugi::xml_document values;
  for (const auto& [name, value] : params) values.append_child(name.c_str()).text() = value.c_str();
  std::ostringstream text;
  values.save(text, "", pugi::format_raw | pugi::format_no_declaration);
  return body + text.str() + "</" + method + "></soap:Body></soap:Envelope>";
}

// The call's result texts (one for most methods, several for authenticate), or the fault
// string prefixed "FAULT ".
inline std::vector<std::string> soap_result(const std::string& method, const std::string& reply) {
  pugi::xml_document doc;
  doc.load_string(reply.c_str());
  auto soapBody = doc.child("soap:Envelope").child("soap:Body");
  if (auto fault = soapBody.child("soap:Fault"))
    return {"FAULT " + std::string(fault.child_value("faultstring"))};
  auto result = soapBody.child((method + "Response").c_str()).child((method + "Result").c_str());
  if (method != "authenticate") return {result.text().get()};
  std::vector<std::string> strings;
  for (auto s : result.children("string")) strings.push_back(s.text().get());
  return strings;
}

// A Web Connector imitation: one SOAP call at a time, as the Web Connector makes them.
struct Qbwc {
  httplib::Client http;
  explicit Qbwc(int port) : http("127.0.0.1", port) { http.set_read_timeout(30, 0); }

  std::vector<std::string> call(const std::string& method,
                                const std::vector<std::pair<std::string, std::string>>& params) {
    auto reply = http.Post(qb::kQbwcPath, soap_call(method, params), "text/xml");
    if (!reply) return {"NO REPLY"};
    return soap_result(method, reply->body);
  }
  std::vector<std::string> login(const std::string& user = "qbuser",
                                 const std::string& password = "s3cret") {
    return call("authenticate", {{"strUserName", user}, {"strPassword", password}});
  }
  std::string send(const std::string& ticket) {
    return call("sendRequestXML", {{"ticket", ticket},
                                   {"strHCPResponse", ""},
                                   {"strCompanyFileName", "C:\\Books.qbw"},
                                   {"qbXMLCountry", "US"},
                                   {"qbXMLMajorVers", "13"},
                                   {"qbXMLMinorVers", "0"}})[0];
  }
  std::string receive(const std::string& ticket, const std::string& response,
                      const std::string& hresult = "", const std::string& message = "") {
    return call("receiveResponseXML", {{"ticket", ticket},
                                       {"response", response},
                                       {"hresult", hresult},
                                       {"message", message}})[0];
  }
  std::string one(const std::string& method, const std::string& ticket) {
    return call(method, {{"ticket", ticket}})[0];
  }
};

// The port a service on port 0 serves on, from the file VQB_WEBCONNECTOR_PORT_FILE names;
// 0 while none is served.
inline int served_port(const std::string& portFile) {
  std::ifstream file(portFile);
  std::string line;
  if (!std::getline(file, line) || file.eof()) return 0;  // a whole line, ended by "\n"
  return std::atoi(line.c_str());
}

// While it lives, the Web Connector of settings folder `folder` is served on a port the
// system chooses, written to `portFile`: two test runs on one machine never meet.
struct AnyPort {
  std::string portFile;
  AnyPort(const std::string& folder, std::string file) : portFile(std::move(file)) {
    qb::ConnectionConfig config = qb::load_connection_config(folder);
    config.port = 0;
    qb::save_connection_config(folder, config);
    setenv("VQB_WEBCONNECTOR_PORT_FILE", portFile.c_str(), 1);
  }
  ~AnyPort() { unsetenv("VQB_WEBCONNECTOR_PORT_FILE"); }
  AnyPort(const AnyPort&) = delete;
  AnyPort& operator=(const AnyPort&) = delete;
};

// Plays the Web Connector's loop until `stop`: logs in while work waits, hands each request
// to `quickBooks` and its answer back, NoOp as "" then getLastError, and closes on 100 or
// an error. The service's port is read from `portFile` before each login. Returns how many
// requests were answered.
inline int play_web_connector(const std::string& portFile,
                              const std::function<std::string(const std::string&)>& quickBooks,
                              const std::atomic<bool>& stop) {
  int answered = 0;
  while (!stop) {
    const int port = served_port(portFile);
    std::vector<std::string> login;
    if (port > 0) login = Qbwc(port).login();
    if (login.size() != 2 || !login[1].empty()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      continue;
    }
    Qbwc qbwc(port);
    const std::string ticket = login[0];
    for (;;) {
      const std::string request = qbwc.send(ticket);
      if (request.rfind("FAULT", 0) == 0 || request == "NO REPLY") break;
      if (request.empty()) {
        qbwc.one("getLastError", ticket);
        continue;
      }
      const int percent = std::stoi(qbwc.receive(ticket, quickBooks(request)));
      ++answered;
      if (percent < 0) qbwc.one("getLastError", ticket);
      if (percent < 0 || percent == 100) break;
    }
    qbwc.one("closeConnection", ticket);
  }
  return answered;
}

}  // namespace vqb::test
