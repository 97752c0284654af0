// Figures for the Web Connector service under a loopback siege, all in this one process and
// with the service's default limits: a login and a whole exchange, normally and while 16 slow
// clients and 300 idle connections hold on; a 50 MB body refused; 50 wrong logins in
// parallel beside a right one. Resident memory is the process's peak (VmHWM), reset before
// each part. Usage: web_connector_siege

#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "quickbooks/web_connector_server.h"
#include "quickbooks/web_connector_transport.h"
#include "support/loopback_client.h"
#include "support/qbwc_client.h"

using namespace vqb;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

const char* const kQuery =
    "<?xml version=\"1.0\"?><?qbxml version=\"3.0\"?><QBXML><QBXMLMsgsRq onError=\"stopOnError\">"
    "<CustomerQueryRq requestID=\"1\"/></QBXMLMsgsRq></QBXML>";
const char* const kAnswer = "<?xml version=\"1.0\"?><QBXML><QBXMLMsgsRs/></QBXML>";

long peak_kb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}
void reset_peak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}
double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<std::string> login_from(int port, const char* from, const std::string& user,
                                    const std::string& password) {
  test::LoopbackConnection connection(port, from);
  connection.send(test::http_post(
      test::soap_call("authenticate", {{"strUserName", user}, {"strPassword", password}})));
  return test::soap_result("authenticate", test::http_body(connection.receiveAll()));
}

// A right login with nothing queued, then a whole exchange: the times of both, in ms.
std::pair<double, double> login_and_exchange(qb::WebConnectorTransport& transport) {
  test::Qbwc qbwc(transport.port());
  auto start = Clock::now();
  qbwc.login();
  const double login = ms_since(start);
  start = Clock::now();
  auto result = std::async(std::launch::async, [&] { return transport.process(kQuery); });
  std::string ticket;
  while (ticket.empty()) {
    auto answer = qbwc.login();
    if (answer.size() == 2 && answer[1].empty()) ticket = answer[0];
  }
  qbwc.send(ticket);
  qbwc.receive(ticket, kAnswer);
  result.get();
  qbwc.one("closeConnection", ticket);
  return {login, ms_since(start)};
}

}  // namespace

int main() {
  qb::WebConnectorSettings settings;
  settings.port = 0;
  settings.userName = "qbuser";
  settings.passwordHash = qb::hash_password("s3cret");
  settings.timings.workWait = 200ms;
  settings.timings.linger = 50ms;
  settings.closeWait = 2s;
  qb::WebConnectorTransport transport(settings);
  const int port = transport.port();
  std::printf(
      "service limits: body %zu KB, request deadline %llds, keep-alive %llds/%zu, "
      "connections %zu (%zu per address), %d password checks at once\n",
      settings.limits.maxBodyBytes / 1024,
      static_cast<long long>(settings.limits.requestDeadline.count()),
      static_cast<long long>(settings.limits.keepAliveIdle.count()),
      settings.limits.keepAliveMaxRequests, settings.limits.maxConnections,
      settings.limits.maxConnectionsPerAddress, settings.limits.passwordChecksAtOnce);

  const auto [login, exchange] = login_and_exchange(transport);
  std::printf("normal:              login %.1f ms, whole exchange %.1f ms\n", login, exchange);

  {
    const auto before = transport.server().connectionsSeen();
    std::atomic<bool> stop{false};
    std::vector<std::future<void>> slow;
    for (int i = 0; i < 16; ++i)
      slow.push_back(std::async(std::launch::async, [&] {
        test::LoopbackConnection c(port);
        c.send("POST /qbwc HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 99999\r\n");
        for (int n = 0; n < 3000 && !stop && !c.readable(20ms) && c.send("X"); ++n) {
        }
      }));
    transport.server().waitForConnections(before + 16, 60s);
    std::vector<std::unique_ptr<test::LoopbackConnection>> idle;
    for (int i = 0; i < 300; ++i) idle.push_back(std::make_unique<test::LoopbackConnection>(port));
    transport.server().waitForConnections(before + 316, 60s);
    const auto [siegeLogin, siegeExchange] = login_and_exchange(transport);
    std::printf("16 slow + 300 idle:  login %.1f ms, whole exchange %.1f ms\n", siegeLogin,
                siegeExchange);
    stop = true;
  }

  {
    reset_peak();
    const long base = peak_kb();
    test::LoopbackConnection c(port);
    const std::size_t size = 50u << 20;
    const auto start = Clock::now();
    c.send("POST /qbwc HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + std::to_string(size) +
           "\r\n\r\n");
    const std::string chunk(64 * 1024, 'x');
    std::size_t sent = 0;
    while (sent < size && !c.readable(0ms) && c.send(chunk)) sent += chunk.size();
    const std::string answer = c.receiveAll();
    std::printf(
        "50 MB body:          \"%s\" after %.1f ms, %.1f MB sent; peak resident %.1f MB "
        "(%.1f MB before)\n",
        answer.substr(0, answer.find('\r')).c_str(), ms_since(start), sent / 1048576.0,
        peak_kb() / 1024.0, base / 1024.0);
  }

  for (const bool spread : {false, true}) {
    reset_peak();
    const long base = peak_kb();
    const int checks = transport.service().passwordChecks();
    std::promise<void> go;
    std::shared_future<void> start = go.get_future().share();
    std::vector<std::future<void>> wrong;
    std::vector<std::string> from(50);
    for (int i = 0; i < 50; ++i) {
      from[i] = spread ? "127.0.1." + std::to_string(i + 10) : "127.0.0.1";
      wrong.push_back(std::async(std::launch::async, [&, i] {
        start.wait();
        login_from(port, from[i].c_str(), (spread ? "stranger" : "intruder") + std::to_string(i),
                   "guess");
      }));
    }
    const char* right = spread ? "127.0.0.5" : "127.0.0.4";
    auto rightLogin = std::async(std::launch::async, [&] {
      start.wait();
      const auto begin = Clock::now();
      const auto answer = login_from(port, right, "qbuser", "s3cret");
      return std::pair(answer.size() == 2 ? answer[1] : "?", ms_since(begin));
    });
    const auto begin = Clock::now();
    go.set_value();
    const auto [status, ms] = rightLogin.get();
    for (auto& w : wrong) w.get();
    std::printf(
        "50 wrong logins %s: right login \"%s\" in %.1f ms; all 50 done in %.1f ms; "
        "%d passwords checked; peak resident %.1f MB (%.1f MB before)\n",
        spread ? "from 50 addresses" : "from one address ", status.c_str(), ms, ms_since(begin),
        transport.service().passwordChecks() - checks, peak_kb() / 1024.0, base / 1024.0);
  }
  return 0;
}
