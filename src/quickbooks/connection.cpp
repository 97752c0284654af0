#include "quickbooks/connection.h"

#include <cstdlib>

#include "app/errors.h"
#include "app/record_doc.h"
#include "app/setup_file.h"

namespace vqb::qb {

std::string connection_file_path(const std::string& settingsFolder) {
  return settingsFolder + "/" + kConnectionFileName;
}

ConnectionConfig load_connection_config(const std::string& settingsFolder) {
  ConnectionConfig config;
  RecordDoc doc;
  if (!doc.LoadXmlFile(connection_file_path(settingsFolder))) return config;
  std::string transport = doc.GetChildContent("transport");
  if (!transport.empty()) config.transport = transport;
  config.companyFile = doc.GetChildContent("companyfile");
  config.exchangeLog = doc.GetChildContent("exchangelog") != "0";
  const std::string listen = doc.GetChildContent("listen");
  if (!listen.empty()) config.listenAddress = listen;
  const std::string port = doc.GetChildContent("port");
  if (!port.empty()) config.port = std::atoi(port.c_str());
  config.userName = doc.GetChildContent("username");
  config.passwordHash = doc.GetChildContent("passwordhash");
  config.ownerId = doc.GetChildContent("ownerid");
  config.fileId = doc.GetChildContent("fileid");
  return config;
}

void save_connection_config(const std::string& settingsFolder, const ConnectionConfig& config) {
  RecordDoc doc;
  doc.SetTag("QBConnection");
  doc.SetChildValue("transport", config.transport);
  doc.SetChildValue("companyfile", config.companyFile);
  doc.SetChildValue("exchangelog", config.exchangeLog ? "1" : "0");
  doc.SetChildValue("listen", config.listenAddress);
  doc.SetChildValue("port", std::to_string(config.port));
  doc.SetChildValue("username", config.userName);
  doc.SetChildValue("passwordhash", config.passwordHash);
  doc.SetChildValue("ownerid", config.ownerId);
  doc.SetChildValue("fileid", config.fileId);
  const std::string path = connection_file_path(settingsFolder);
  refuse_damaged_settings_file(path);
  if (!doc.SaveXmlFile(path)) throw VqbError(75, "Path/File access error: " + path);
}

QuickBooksLink::QuickBooksLink(const std::string& settingsFolder,
                               const TransportFactory& transports)
    : config_(load_connection_config(settingsFolder)) {
  transport_ = transports(config_, settingsFolder);
  session_ = std::make_unique<Session>(*transport_);
  if (config_.exchangeLog) {
    log_ = std::make_unique<ExchangeLog>(settingsFolder + "/" + kExchangeLogName);
    session_->setObserver(
        [log = log_.get()](const std::string& request, const std::string& response) {
          log->record(request, response);
        });
  }
}

QuickBooksLink::~QuickBooksLink() = default;

}  // namespace vqb::qb
