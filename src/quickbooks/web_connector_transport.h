#pragma once
// The "webconnector" transport: serves the QuickBooks Web Connector's SOAP interface over
// HTTP (POST to /qbwc, the WSDL at /qbwc?wsdl) for as long as it exists, and hands each
// request of process() to the Web Connector's next call. Port 0 serves on a port the system
// chooses; when VQB_WEBCONNECTOR_PORT_FILE names a file, the port served is written there.
// Destroying it ends the run: an open session is brought to its end before the port closes.

#include <memory>
#include <string>
#include <thread>

#include "quickbooks/transport.h"
#include "quickbooks/web_connector_service.h"

namespace vqb::qb {

class GuardedServer;

struct ConnectionConfig;

struct WebConnectorSettings {
  std::string listenAddress = "127.0.0.1";
  int port = 8086;  // 0: any free port (tests)
  std::string userName;
  std::string passwordHash;
  WebConnectorTimings timings;
  WebConnectorLimits limits;
  // How long the end of a run waits for the open session to close.
  std::chrono::milliseconds closeWait = 30s;
};

inline constexpr const char* kQbwcPath = "/qbwc";

class WebConnectorTransport : public QbTransport {
 public:
  // Throws QbError(kNotReachable) when the address cannot be served.
  explicit WebConnectorTransport(WebConnectorSettings settings);
  ~WebConnectorTransport() override;

  // Reaching QuickBooks takes a Web Connector session: a keep-alive query proves that one
  // answers and that QuickBooks is open (throws as process() does).
  void openConnection(const std::string&) override;
  void closeConnection() override {}
  std::string process(const std::string& requestXml) override;
  void setWaitHook(std::function<bool()> hook) override { waitHook_ = std::move(hook); }

  int port() const { return port_; }
  WebConnectorService& service() { return service_; }
  GuardedServer& server() { return *server_; }

 private:
  WebConnectorSettings settings_;
  WebConnectorService service_;
  std::unique_ptr<GuardedServer> server_;
  std::thread thread_;
  int port_{0};
  std::function<bool()> waitHook_;
};

// The transport QBconnection.xml describes. Throws QbError(kNotReachable) when no Web
// Connector login is set up.
std::unique_ptr<QbTransport> make_web_connector(const ConnectionConfig& config,
                                                const std::string& settingsFolder);

}  // namespace vqb::qb
