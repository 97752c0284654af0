#include "quickbooks/web_connector_transport.h"

#include <httplib.h>

#include "quickbooks/connection.h"
#include "quickbooks/qb_error.h"
#include "quickbooks/web_connector_soap.h"

namespace vqb::qb {

WebConnectorTransport::WebConnectorTransport(WebConnectorSettings settings)
    : settings_(std::move(settings)),
      service_(settings_.userName, settings_.passwordHash, settings_.timings),
      server_(std::make_unique<httplib::Server>()) {
  auto soap = [this](const httplib::Request& request, httplib::Response& response) {
    SoapReply reply = handle_soap(service_, request.body);
    response.status = reply.status;
    response.set_content(reply.body, "text/xml; charset=utf-8");
  };
  auto wsdl = [this](const httplib::Request& request, httplib::Response& response) {
    if (!request.has_param("wsdl")) {  // the support page the .qwc file names
      response.set_content(
          "Vantora QuickBooks Integrator: this address serves the QuickBooks Web Connector. "
          "See the integrator's README for help.\n",
          "text/plain; charset=utf-8");
      return;
    }
    const std::string host = request.get_header_value("Host");
    response.set_content(
        web_connector_wsdl("http://" + (host.empty() ? "localhost" : host) + kQbwcPath),
        "text/xml; charset=utf-8");
  };
  server_->Post(kQbwcPath, soap);
  server_->Get(kQbwcPath, wsdl);
  // A call may wait about workWait for work; the Web Connector itself waits longer.
  server_->set_read_timeout(30, 0);
  port_ =
      settings_.port == 0
          ? server_->bind_to_any_port(settings_.listenAddress)
          : (server_->bind_to_port(settings_.listenAddress, settings_.port) ? settings_.port : -1);
  if (port_ <= 0)
    throw QbError(kNotReachable, "Cannot serve the QuickBooks Web Connector on " +
                                     settings_.listenAddress + ":" +
                                     std::to_string(settings_.port) +
                                     " (is the address right, or the port in use?)");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() does nothing to a server that is not running yet, so wait until it runs.
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

WebConnectorTransport::~WebConnectorTransport() {
  // End the run cleanly: the Web Connector gets its 100 before the port closes.
  service_.finishRun();
  service_.waitForSessionEnd(settings_.closeWait);
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

void WebConnectorTransport::openConnection(const std::string&) {
  process(kKeepAliveRequest);
}

std::string WebConnectorTransport::process(const std::string& requestXml) {
  return service_.process(requestXml, waitHook_);
}

std::unique_ptr<QbTransport> make_web_connector(const ConnectionConfig& config,
                                                const std::string& settingsFolder) {
  if (config.userName.empty() || config.passwordHash.empty())
    throw QbError(kNotReachable, "The QuickBooks Web Connector login is not set up in " +
                                     connection_file_path(settingsFolder) +
                                     ". Run: vqb-cli webconnector setup --user NAME");
  WebConnectorSettings settings;
  settings.listenAddress = config.listenAddress;
  settings.port = config.port;
  settings.userName = config.userName;
  settings.passwordHash = config.passwordHash;
  settings.timings.sessionWait = std::chrono::seconds(config.waitSeconds);
  return std::make_unique<WebConnectorTransport>(std::move(settings));
}

}  // namespace vqb::qb
