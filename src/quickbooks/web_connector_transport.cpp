#include "quickbooks/web_connector_transport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "quickbooks/connection.h"
#include "quickbooks/qb_error.h"
#include "quickbooks/web_connector_server.h"
#include "quickbooks/web_connector_soap.h"

namespace vqb::qb {

namespace {

// Tests that let the system choose the port (port 0) read it back from this file.
const char* port_file() {
  const char* path = std::getenv("VQB_WEBCONNECTOR_PORT_FILE");
  return path && *path ? path : nullptr;
}

}  // namespace

WebConnectorTransport::WebConnectorTransport(WebConnectorSettings settings)
    : settings_(std::move(settings)),
      service_(settings_.userName, settings_.passwordHash, settings_.timings, settings_.limits),
      server_(std::make_unique<GuardedServer>(settings_.limits)) {
  const std::size_t maxBody = settings_.limits.maxBodyBytes;
  // A body over the limit is answered before it is read.
  server_->set_pre_routing_handler(
      [maxBody](const httplib::Request& request, httplib::Response& response) {
        const std::string length = request.get_header_value("Content-Length");
        if (length.empty() || length.find_first_not_of("0123456789") != std::string::npos ||
            (length.size() < 16 && std::stoull(length) <= maxBody))
          return httplib::Server::HandlerResponse::Unhandled;
        const SoapReply reply = body_too_large(maxBody);
        response.status = reply.status;
        response.set_header("Connection", "close");
        response.set_content(reply.body, "text/xml; charset=utf-8");
        GuardedServer::closeAfterAnswer(true);
        return httplib::Server::HandlerResponse::Handled;
      });
  // Errors of the HTTP layer (a chunked body over the limit, a malformed request) close the
  // connection; a body over the limit gets its SOAP fault.
  server_->set_error_handler(httplib::Server::HandlerWithResponse(
      [maxBody](const httplib::Request&, httplib::Response& response) {
        if (response.status == 500) return httplib::Server::HandlerResponse::Unhandled;
        GuardedServer::closeAfterAnswer(response.status == 413);
        if (response.status != 413 || !response.body.empty())
          return httplib::Server::HandlerResponse::Unhandled;
        response.set_content(body_too_large(maxBody).body, "text/xml; charset=utf-8");
        return httplib::Server::HandlerResponse::Handled;
      }));
  auto soap = [this](const httplib::Request& request, httplib::Response& response) {
    SoapReply reply = handle_soap(service_, request.body, request.remote_addr);
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
    // The address the caller used, as long as it is one.
    const std::string host = request.get_header_value("Host");
    if (!host.empty() && !plausible_host(host)) {
      response.status = 400;
      response.set_content("The Host header is not a host name or address with a port.\n",
                           "text/plain; charset=utf-8");
      return;
    }
    response.set_content(
        web_connector_wsdl("http://" + (host.empty() ? "localhost" : host) + kQbwcPath),
        "text/xml; charset=utf-8");
  };
  server_->Post(kQbwcPath, GuardedServer::working(soap));
  server_->Get(kQbwcPath, GuardedServer::working(wsdl));
  port_ = server_->bindTo(settings_.listenAddress, settings_.port);
  if (port_ <= 0 && settings_.port > 0 && port_in_use(settings_.listenAddress, settings_.port))
    throw QbError(kNotReachable,
                  "Port " + std::to_string(settings_.port) + " is in use by another program.");
  if (port_ <= 0)
    throw QbError(kNotReachable, "Cannot serve the QuickBooks Web Connector on " +
                                     settings_.listenAddress + ":" +
                                     std::to_string(settings_.port) +
                                     " (is the address right, or the port in use?)");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() does nothing to a server that is not running yet, so wait until it runs.
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (const char* path = port_file()) {
    std::ofstream(std::string(path) + ".new") << port_ << "\n";
    std::rename((std::string(path) + ".new").c_str(), path);
  }
}

WebConnectorTransport::~WebConnectorTransport() {
  // End the run cleanly: the Web Connector gets its 100 before the port closes.
  service_.finishRun();
  service_.waitForSessionEnd(settings_.closeWait);
  if (const char* path = port_file()) std::remove(path);
  server_->shutdown();
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
